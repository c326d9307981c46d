#pragma once

#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <chrono>

#include "ui/rules/signal_history.h"

namespace skylark::ui {

// SNR and signal strength over the last ten minutes, with the lock threshold and the moments
// lock was gained or lost, as the history lays them out. A measure has a line series for each
// unbroken line and a scatter series for its lone readings.
class SignalChart : public QChartView {
  Q_OBJECT

 public:
  explicit SignalChart(QWidget* parent = nullptr);

  // Shows the history over the ten minutes up to `now`; called with each reading and with the
  // clock, so that the window moves on also without readings.
  void follow(const rules::SignalHistory& history, std::chrono::system_clock::time_point now);

 private:
  struct Measure {
    QList<QLineSeries*> lines;  // the first one names the measure in the legend
    QScatterSeries* dots = nullptr;
    QValueAxis* axis = nullptr;
  };
  void showLines(Measure& measure, const rules::ChartContents& contents, std::int32_t rules::SignalPoint::*value);
  // Another line of the measure, for readings after a break.
  QLineSeries* addLine(const Measure& measure);
  void attach(QXYSeries* series, QValueAxis* axis);

  Measure snr_;
  Measure strength_;
  QLineSeries* threshold_ = nullptr;
  QScatterSeries* gained_ = nullptr;
  QScatterSeries* lost_ = nullptr;
  QDateTimeAxis* time_ = nullptr;
};

}  // namespace skylark::ui
