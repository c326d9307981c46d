#include "ui/qt/status_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "resources/strings.h"

namespace skylark::ui {
namespace {

// Adds a right-aligned label and its value field, which shows "N/A" until first filled.
QLabel* AddRow(QGridLayout* grid, int labelId, const char* name) {
  const int row = grid->rowCount();
  auto* caption = new QLabel(Text(labelId));
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* value = new QLabel(Text(resources::kNotAvailable));
  value->setObjectName(QString::fromLatin1(name));
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  caption->setBuddy(value);
  grid->addWidget(caption, row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

QGridLayout* MakeGroup(QVBoxLayout* page, int titleId) {
  auto* group = new QGroupBox(Text(titleId));
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
  QGridLayout* site = MakeGroup(page, resources::kSiteDetails);
  fields_[0] = AddRow(site, resources::kSiteLabel, "siteField");
  fields_[1] = AddRow(site, resources::kFrequencyLabel, "frequencyField");
  fields_[2] = AddRow(site, resources::kMskLabel, "rateField");
  fields_[3] = AddRow(site, resources::kStationIdLabel, "stationField");
  QGridLayout* health = MakeGroup(page, resources::kReceiverHealth);
  fields_[4] = AddRow(health, resources::kLockedLabel, "lockedField");
  fields_[5] = AddRow(health, resources::kSignalStrengthLabel, "signalField");
  fields_[6] = AddRow(health, resources::kSnrLabel, "snrField");
  ageField_ = new QLabel;
  ageField_->setObjectName(QStringLiteral("ageField"));
  ageField_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  chart_ = new SignalChart(this);
  page->addWidget(chart_, 1);
  page->addWidget(ageField_);
  page->addWidget(MakeBeaconPicture(this));

  clock_.setInterval(rules::StatusRules::kClockPeriod);
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
  chart_->follow(rules_.History(), std::chrono::system_clock::now());
}

void StatusPage::refresh() {
  const rules::StatusFields& fields = rules_.Fields();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const rules::StatusField field = rules::kStatusFields[i];
    fields_[i]->setText(ToQString(fields.Text(field)));
    // Stale values stay readable, greyed, with their age beside the chart.
    fields_[i]->setEnabled(!rules_.Greyed(field));
  }
  ageField_->setText(ToQString(fields.age));
  chart_->follow(rules_.History(), std::chrono::system_clock::now());
}

}  // namespace skylark::ui
