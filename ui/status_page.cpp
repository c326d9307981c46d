#include "ui/status_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "app/status_text.h"
#include "resources/strings.h"

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

StatusPage::StatusPage(Application& app, QWidget* parent) : SheetPage(parent), app_(app) {
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

void StatusPage::initDialog() {
  refreshSite();
  refreshHealth();
}

void StatusPage::onSetActive() {
  app_.SetActivePage(kStatusPage);
  refreshSite();
  refreshTuning();
  refreshHealth();
}

void StatusPage::onSiteChanged() {
  if (Initialized()) refreshSite();
}

void StatusPage::onStatusChanged() {
  if (!Initialized()) return;
  refreshTuning();
  refreshHealth();
}

void StatusPage::refreshSite() {
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, false);
  siteField_->setText(ToQString(texts.site));
  stationField_->setText(ToQString(texts.stationId));
}

void StatusPage::refreshTuning() {
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, false);
  // Out of range (0 after automatic tuning, before the receiver reported): keep what is shown.
  if (texts.frequency) frequencyField_->setText(ToQString(*texts.frequency));
  if (texts.mskRate) rateField_->setText(ToQString(*texts.mskRate));
}

void StatusPage::refreshHealth() {
  const bool linkOpen = app_.IsLinkOpen();
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, linkOpen);
  signalField_->setText(ToQString(texts.signalStrength));
  snrField_->setText(ToQString(texts.snr));
  lockedField_->setText(ToQString(texts.locked));
}

}  // namespace skylark::ui
