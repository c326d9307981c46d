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
  page->addStretch(1);
  page->addWidget(MakeBeaconPicture(this));
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
}

}  // namespace skylark::ui
