#include "ui/qt/signal_chart.h"

#include <QChart>
#include <QDateTime>
#include <QLegendMarker>
#include <QGraphicsLayout>

#include <algorithm>
#include <cmath>

namespace skylark::ui {
namespace {

// The chart's time axis counts milliseconds since the epoch, as QDateTimeAxis does.
qreal MillisecondsOf(std::chrono::system_clock::time_point at) {
  return static_cast<qreal>(
      std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
}

QScatterSeries* MakeMarkers(const QString& name, const QColor& color) {
  auto* markers = new QScatterSeries;
  markers->setName(name);
  markers->setColor(color);
  markers->setBorderColor(color);
  markers->setMarkerSize(8);
  return markers;
}

// The SNR at which the receiver counts as locked, where the dashed line runs.
constexpr qreal kLockSnr = rules::SignalHistory::kLockThreshold;
constexpr qreal kSpanMs = std::chrono::milliseconds(rules::SignalHistory::kSpan).count();
// The window moves in steps, not with every reading: between steps a reading only appends to
// the series, and the axes are laid out again twice a minute instead of every second.
constexpr qreal kStepMs = 30'000;

}  // namespace

SignalChart::SignalChart(QWidget* parent) : QChartView(parent) {
  setObjectName(QStringLiteral("signalChart"));
  auto* chart = new QChart;
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setBackgroundRoundness(0);

  const QColor snrColor(0x15, 0x65, 0xc0);
  const QColor strengthColor(0xef, 0x6c, 0x00);
  snr_ = new QLineSeries;
  snr_->setName(QStringLiteral("SNR"));
  snr_->setPen(QPen(snrColor, 2));
  strength_ = new QLineSeries;
  strength_->setName(QStringLiteral("Strength"));
  strength_->setPen(QPen(strengthColor, 1));
  threshold_ = new QLineSeries;
  threshold_->setName(QStringLiteral("Lock at SNR %1").arg(kLockSnr));
  threshold_->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
  gained_ = MakeMarkers(QStringLiteral("Lock gained"), QColor(0x2e, 0x7d, 0x32));
  lost_ = MakeMarkers(QStringLiteral("Lock lost"), QColor(0xc6, 0x28, 0x28));
  for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(snr_), static_cast<QAbstractSeries*>(strength_),
                                  static_cast<QAbstractSeries*>(threshold_),
                                  static_cast<QAbstractSeries*>(gained_), static_cast<QAbstractSeries*>(lost_)}) {
    chart->addSeries(series);
  }

  // Small print: the page is narrow, and the axes say in colour which line they measure.
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  chart->legend()->setFont(small);
  time_ = new QDateTimeAxis;
  time_->setFormat(QStringLiteral("hh:mm"));
  time_->setTickCount(6);
  time_->setLabelsFont(small);
  snrAxis_ = new QValueAxis;
  snrAxis_->setLabelFormat(QStringLiteral("%d"));
  snrAxis_->setLabelsFont(small);
  snrAxis_->setLabelsColor(snrColor);
  snrAxis_->setTickCount(4);
  snrAxis_->setRange(0, 30);
  strengthAxis_ = new QValueAxis;
  strengthAxis_->setLabelFormat(QStringLiteral("%d"));
  strengthAxis_->setLabelsFont(small);
  strengthAxis_->setLabelsColor(strengthColor);
  strengthAxis_->setTickCount(3);
  strengthAxis_->setGridLineVisible(false);
  strengthAxis_->setRange(0, 100);
  // Two-digit labels are never cut short, also at 200% where the axes get little room.
  for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(time_), static_cast<QAbstractAxis*>(snrAxis_),
                              static_cast<QAbstractAxis*>(strengthAxis_)}) {
    axis->setTruncateLabels(false);
  }
  chart->addAxis(time_, Qt::AlignBottom);
  chart->addAxis(snrAxis_, Qt::AlignLeft);
  chart->addAxis(strengthAxis_, Qt::AlignRight);
  for (QAbstractSeries* series : chart->series()) series->attachAxis(time_);
  for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(snr_), static_cast<QAbstractSeries*>(threshold_),
                                  static_cast<QAbstractSeries*>(gained_), static_cast<QAbstractSeries*>(lost_)}) {
    series->attachAxis(snrAxis_);
  }
  strength_->attachAxis(strengthAxis_);
  // The dashed line explains itself against the SNR axis; the legend keeps to one row.
  chart->legend()->markers(threshold_).constFirst()->setVisible(false);

  setChart(chart);
  // A repaint a second: plain lines need no smoothing, and the view repaints only what a new
  // point touches, over a flat background.
  setRenderHint(QPainter::Antialiasing, false);
  chart->setBackgroundVisible(false);
  setOptimizationFlags(QGraphicsView::DontSavePainterState | QGraphicsView::DontAdjustForAntialiasing);
  setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
  setMinimumHeight(120);
  slideTo(std::chrono::system_clock::now());
}

void SignalChart::follow(const rules::SignalHistory& history,
                         std::chrono::system_clock::time_point now) {
  const auto& points = history.Points();
  auto first = std::find_if(points.begin(), points.end(),
                            [this](const rules::SignalPoint& p) { return p.at > lastPoint_; });
  for (auto p = first; p != points.end(); ++p) {
    const qreal x = MillisecondsOf(p->at);
    snr_->append(x, p->snr);
    strength_->append(x, p->strength);
    highest_ = std::max<qreal>(highest_, p->snr);
    lastPoint_ = p->at;
  }
  const auto& changes = history.LockChanges();
  for (auto c = std::find_if(changes.begin(), changes.end(),
                             [this](const rules::LockChange& c) { return c.at > lastChange_; });
       c != changes.end(); ++c) {
    const auto at = std::find_if(points.begin(), points.end(),
                                 [&](const rules::SignalPoint& p) { return p.at == c->at; });
    (c->locked ? gained_ : lost_)->append(MillisecondsOf(c->at), at != points.end() ? at->snr : kLockSnr);
    lastChange_ = c->at;
  }
  // The SNR axis grows with the strongest reading shown, in steps of ten.
  const qreal top = std::max<qreal>(30, std::ceil((highest_ + 1) / 10) * 10);
  if (snrAxis_->max() != top) snrAxis_->setRange(0, top);
  slideTo(now);
}

void SignalChart::slideTo(std::chrono::system_clock::time_point now) {
  const qreal ms = MillisecondsOf(now);
  if (ms <= windowEnd_) return;
  const qreal end = std::ceil(ms / kStepMs) * kStepMs;
  windowEnd_ = end;
  const qreal start = end - kSpanMs;
  trim(start);
  time_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(start)),
                  QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(end)));
  threshold_->replace(QList<QPointF>{{start, kLockSnr}, {end, kLockSnr}});
}

void SignalChart::trim(qreal cutoff) {
  for (QXYSeries* series : {static_cast<QXYSeries*>(snr_), static_cast<QXYSeries*>(strength_),
                            static_cast<QXYSeries*>(gained_), static_cast<QXYSeries*>(lost_)}) {
    qsizetype old = 0;
    while (old < series->count() && series->at(old).x() < cutoff) ++old;
    if (old > 0) series->removePoints(0, old);
  }
}

}  // namespace skylark::ui
