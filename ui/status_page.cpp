#include "ui/status_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>


namespace skylark::ui {
namespace {

// Adds a right-aligned label and its value field, which shows "N/A" until first filled.
QLabel* AddRow(QGridLayout* grid, const QString& label, const char* name) {
  const int row = grid->rowCount();
  auto* caption = new QLabel(label);
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* value = new QLabel(QStringLiteral("N/A"));
  value->setObjectName(QString::fromLatin1(name));
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  caption->setBuddy(value);
  grid->addWidget(caption, row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

QGridLayout* MakeGroup(QVBoxLayout* page, const QString& title) {
  auto* group = new QGroupBox(title);
  auto* grid = new QGridLayout(group);
  grid->setColumnStretch(0, 5);
  grid->setColumnStretch(1, 4);
  grid->setHorizontalSpacing(12);
  page->addWidget(group);
  return grid;
}

}  // namespace

StatusPage::StatusPage(rules::StatusRules& rules, QWidget* parent)
    : SheetPage(parent), rules_(rules) {
  auto* page = new QVBoxLayout(this);
  QGridLayout* site = MakeGroup(page, QStringLiteral("Site Details"));
  siteField_ = AddRow(site, QStringLiteral("Site:"), "siteField");
  frequencyField_ = AddRow(site, QStringLiteral("Frequency:"), "frequencyField");
  rateField_ = AddRow(site, QStringLiteral("Minimum Shift Keying:"), "rateField");
  stationField_ = AddRow(site, QStringLiteral("Station ID:"), "stationField");
  QGridLayout* health = MakeGroup(page, QStringLiteral("Receiver Health"));
  lockedField_ = AddRow(health, QStringLiteral("Locked:"), "lockedField");
  signalField_ = AddRow(health, QStringLiteral("Signal Strength:"), "signalField");
  snrField_ = AddRow(health, QStringLiteral("Signal to Noise Ratio:"), "snrField");
  ageField_ = new QLabel;
  ageField_->setObjectName(QStringLiteral("ageField"));
  ageField_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  chart_ = new SignalChart(this);
  page->addWidget(chart_, 1);
  page->addWidget(ageField_);
  page->addWidget(MakeBeaconPicture(this));

  clock_.setInterval(1000);
  connect(&clock_, &QTimer::timeout, this, [this] { onClock(); });
}

void StatusPage::showEvent(QShowEvent* event) {
  SheetPage::showEvent(event);
  clock_.start();
}

void StatusPage::hideEvent(QHideEvent* event) {
  clock_.stop();
  SheetPage::hideEvent(event);
}

void StatusPage::onClock() {
  if (rules_.OnClock()) refresh();
  // A silent receiver shows as a gap that grows at the right-hand end.
  chart_->slideTo(std::chrono::system_clock::now());
}

void StatusPage::refresh() {
  const rules::StatusFields& fields = rules_.Fields();
  siteField_->setText(ToQString(fields.site));
  frequencyField_->setText(ToQString(fields.frequency));
  rateField_->setText(ToQString(fields.rate));
  stationField_->setText(ToQString(fields.station));
  lockedField_->setText(ToQString(fields.locked));
  signalField_->setText(ToQString(fields.signal));
  snrField_->setText(ToQString(fields.snr));
  // Stale values stay readable, greyed, with their age beside the chart.
  for (QLabel* field : {lockedField_, signalField_, snrField_}) field->setEnabled(!fields.stale);
  ageField_->setText(ToQString(fields.age));
  chart_->follow(rules_.History(), std::chrono::system_clock::now());
}

}  // namespace skylark::ui
