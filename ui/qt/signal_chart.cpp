#include "ui/qt/signal_chart.h"

#include <QChart>
#include <QDateTime>
#include <QLegendMarker>
#include <QGraphicsLayout>

#include <tuple>

namespace skylark::ui {
namespace {

// The chart's time axis counts milliseconds since the epoch, as QDateTimeAxis does.
qreal MillisecondsOf(std::chrono::system_clock::time_point at) {
  return static_cast<qreal>(
      std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
}

QScatterSeries* MakeMarkers(const QColor& color, qreal size, const QString& name = {}) {
  auto* markers = new QScatterSeries;
  markers->setName(name);
  markers->setColor(color);
  markers->setBorderColor(color);
  markers->setMarkerSize(size);
  return markers;
}

// Series are given new points only when they differ: an unchanged series is not laid out again.
void Show(QXYSeries* series, const QList<QPointF>& points) {
  if (series->points() != points) series->replace(points);
}

}  // namespace

SignalChart::SignalChart(QWidget* parent) : QChartView(parent) {
  setObjectName(QStringLiteral("signalChart"));
  auto* chart = new QChart;
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setBackgroundRoundness(0);
  setChart(chart);

  // Small print: the page is narrow, and the axes say in colour which line they measure.
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  chart->legend()->setFont(small);
  time_ = new QDateTimeAxis;
  time_->setFormat(QStringLiteral("hh:mm"));
  time_->setTickCount(6);
  chart->addAxis(time_, Qt::AlignBottom);
  const QColor snrColor(0x15, 0x65, 0xc0);
  const QColor strengthColor(0xef, 0x6c, 0x00);
  for (auto [measure, color, ticks] : {std::tuple{&snr_, snrColor, 4}, std::tuple{&strength_, strengthColor, 3}}) {
    measure->axis = new QValueAxis;
    measure->axis->setLabelFormat(QStringLiteral("%d"));
    measure->axis->setLabelsColor(color);
    measure->axis->setTickCount(ticks);
    chart->addAxis(measure->axis, measure == &snr_ ? Qt::AlignLeft : Qt::AlignRight);
  }
  strength_.axis->setGridLineVisible(false);
  // Two-digit labels are never cut short, also at 200% where the axes get little room.
  for (QAbstractAxis* axis : chart->axes()) {
    axis->setLabelsFont(small);
    axis->setTruncateLabels(false);
  }

  snr_.lines.append(new QLineSeries);
  snr_.lines.front()->setName(QStringLiteral("SNR"));
  snr_.lines.front()->setPen(QPen(snrColor, 2));
  strength_.lines.append(new QLineSeries);
  strength_.lines.front()->setName(QStringLiteral("Strength"));
  strength_.lines.front()->setPen(QPen(strengthColor, 1));
  threshold_ = new QLineSeries;
  threshold_->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
  gained_ = MakeMarkers(QColor(0x2e, 0x7d, 0x32), 8, QStringLiteral("Lock gained"));
  lost_ = MakeMarkers(QColor(0xc6, 0x28, 0x28), 8, QStringLiteral("Lock lost"));
  snr_.dots = MakeMarkers(snrColor, 4);
  strength_.dots = MakeMarkers(strengthColor, 3);
  attach(snr_.lines.front(), snr_.axis);
  attach(strength_.lines.front(), strength_.axis);
  for (QXYSeries* series : std::initializer_list<QXYSeries*>{threshold_, gained_, lost_, snr_.dots}) {
    attach(series, snr_.axis);
  }
  attach(strength_.dots, strength_.axis);
  // The legend keeps to one row: a name for each measure and each marker; the dashed line
  // explains itself against the SNR axis.
  for (QLegendMarker* marker : chart->legend()->markers()) {
    marker->setVisible(!marker->series()->name().isEmpty());
  }

  // A repaint a second: plain lines need no smoothing, and the view repaints only what a new
  // point touches, over a flat background.
  setRenderHint(QPainter::Antialiasing, false);
  chart->setBackgroundVisible(false);
  setOptimizationFlags(QGraphicsView::DontSavePainterState | QGraphicsView::DontAdjustForAntialiasing);
  setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
  setMinimumHeight(120);
  follow(rules::SignalHistory(), std::chrono::system_clock::now());
}

void SignalChart::follow(const rules::SignalHistory& history, std::chrono::system_clock::time_point now) {
  const rules::ChartContents contents = history.At(now);
  time_->setFormat(contents.seconds ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm"));
  const qreal start = MillisecondsOf(contents.start);
  const qreal end = MillisecondsOf(contents.end);
  if (time_->max().toMSecsSinceEpoch() != static_cast<qint64>(end)) {
    time_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(start)),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(end)));
  }
  Show(threshold_, {{start, qreal(kLockThreshold)}, {end, qreal(kLockThreshold)}});
  if (snr_.axis->max() != contents.snrTop) snr_.axis->setRange(0, contents.snrTop);
  if (strength_.axis->max() != contents.strengthTop) strength_.axis->setRange(0, contents.strengthTop);
  showLines(snr_, contents, &rules::SignalPoint::snr);
  showLines(strength_, contents, &rules::SignalPoint::strength);
  QList<QPointF> gained;
  QList<QPointF> lost;
  for (const rules::LockChange& change : contents.lockChanges) {
    (change.locked ? gained : lost).append({MillisecondsOf(change.at), qreal(change.snr)});
  }
  Show(gained_, gained);
  Show(lost_, lost);
}

void SignalChart::showLines(Measure& measure, const rules::ChartContents& contents,
                            std::int32_t rules::SignalPoint::*value) {
  QList<QPointF> dots;
  qsizetype used = 0;
  for (const std::vector<rules::SignalPoint>& line : contents.lines) {
    QList<QPointF> points;
    for (const rules::SignalPoint& point : line) points.append({MillisecondsOf(point.at), qreal(point.*value)});
    if (points.size() == 1) {
      dots.append(points);
      continue;
    }
    if (used == measure.lines.size()) measure.lines.append(addLine(measure));
    Show(measure.lines[used++], points);
  }
  for (; used < measure.lines.size(); ++used) Show(measure.lines[used], {});
  Show(measure.dots, dots);
}

QLineSeries* SignalChart::addLine(const Measure& measure) {
  auto* line = new QLineSeries;
  line->setPen(measure.lines.front()->pen());
  attach(line, measure.axis);
  chart()->legend()->markers(line).constFirst()->setVisible(false);  // named by the first line
  // Series are drawn in the order they were added: the lock markers go back on top.
  for (QScatterSeries* markers : {gained_, lost_}) {
    chart()->removeSeries(markers);
    attach(markers, snr_.axis);
  }
  return line;
}

void SignalChart::attach(QXYSeries* series, QValueAxis* axis) {
  chart()->addSeries(series);
  series->attachAxis(time_);
  series->attachAxis(axis);
}

}  // namespace skylark::ui
