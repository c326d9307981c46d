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
// lock was gained or lost. It appends what is new in the history and trims what fell out of
// the window; it never rebuilds a series.
class SignalChart : public QChartView {
  Q_OBJECT

 public:
  explicit SignalChart(QWidget* parent = nullptr);

  // Shows what the history holds beyond what is already drawn, over the ten minutes up to `now`.
  void follow(const rules::SignalHistory& history, std::chrono::system_clock::time_point now);
  // Slides the window on when `now` has passed its end, also without a new reading (the gap of
  // a silent receiver grows at the right).
  void slideTo(std::chrono::system_clock::time_point now);

 private:
  void trim(qreal cutoff);

  QLineSeries* snr_ = nullptr;
  QLineSeries* strength_ = nullptr;
  QLineSeries* threshold_ = nullptr;
  QScatterSeries* gained_ = nullptr;
  QScatterSeries* lost_ = nullptr;
  QDateTimeAxis* time_ = nullptr;
  QValueAxis* snrAxis_ = nullptr;
  QValueAxis* strengthAxis_ = nullptr;
  std::chrono::system_clock::time_point lastPoint_{};
  std::chrono::system_clock::time_point lastChange_{};
  qreal highest_ = 0;
  qreal windowEnd_ = 0;  // milliseconds since the epoch
};

}  // namespace skylark::ui
