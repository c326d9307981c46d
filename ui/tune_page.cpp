#include "ui/tune_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/status_text.h"
#include "resources/strings.h"
#include "sites/site_catalogue.h"
#include "ui/sorted_list.h"

namespace skylark::ui {
namespace {

// The frequency list's entries are hundredths of a kHz: 283.5 to 325.0 kHz in 0.5 kHz steps.
constexpr int kFirstFrequency = 28350;
constexpr int kLastFrequency = 32500;
constexpr int kFrequencyStep = 50;

QComboBox* MakeList(const char* name, int minimumCharacters) {
  auto* list = new QComboBox;
  list->setObjectName(QString::fromLatin1(name));
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(minimumCharacters);
  list->setMaxVisibleItems(12);
  return list;
}

QLabel* MakeLabel(const QString& text, QChar mnemonic, QWidget* buddy) {
  auto* label = new QLabel(WithMnemonic(text, mnemonic));
  label->setBuddy(buddy);
  return label;
}

template <typename T>
T* DataOf(const QComboBox& list) {
  return reinterpret_cast<T*>(SelectedData(list));
}

}  // namespace

TunePage::TunePage(Application& app, MessageFunction showMessage, QWidget* parent)
    : SheetPage(parent), app_(app), showMessage_(std::move(showMessage)) {
  autoRadio_ = new QRadioButton(WithMnemonic(QStringLiteral("Tune Automatically"), u'A'));
  frequencyRadio_ = new QRadioButton(WithMnemonic(QStringLiteral("Tune by Frequency:"), u'F'));
  siteRadio_ = new QRadioButton(WithMnemonic(QStringLiteral("Tune by Site:"), u'S'));
  tuneButton_ = new QPushButton(WithMnemonic(QStringLiteral("Tune"), u'T'));
  autoRadio_->setObjectName(QStringLiteral("autoRadio"));
  frequencyRadio_->setObjectName(QStringLiteral("frequencyRadio"));
  siteRadio_->setObjectName(QStringLiteral("siteRadio"));
  tuneButton_->setObjectName(QStringLiteral("tuneButton"));
  tuneButton_->setAutoDefault(false);
  frequencyCombo_ = MakeList("frequencyCombo", 7);
  rateCombo_ = MakeList("rateCombo", 7);
  regionCombo_ = MakeList("regionCombo", 16);
  countryCombo_ = MakeList("countryCombo", 16);
  beaconCombo_ = MakeList("beaconCombo", 16);

  auto* group = new QButtonGroup(this);
  group->addButton(autoRadio_);
  group->addButton(frequencyRadio_);
  group->addButton(siteRadio_);

  auto* grid = new QGridLayout;
  grid->setColumnMinimumWidth(0, 16);
  grid->setColumnStretch(2, 1);
  grid->addWidget(autoRadio_, 0, 0, 1, 3);
  grid->addWidget(frequencyRadio_, 1, 0, 1, 3);
  grid->addWidget(MakeLabel(QStringLiteral("Frequency:"), u'q', frequencyCombo_), 2, 1);
  grid->addWidget(frequencyCombo_, 2, 2);
  grid->addWidget(MakeLabel(QStringLiteral("MSK Rate (bps):"), u'M', rateCombo_), 3, 1);
  grid->addWidget(rateCombo_, 3, 2);
  grid->setRowMinimumHeight(4, 6);
  grid->addWidget(siteRadio_, 5, 0, 1, 3);
  grid->addWidget(MakeLabel(QStringLiteral("Region:"), u'R', regionCombo_), 6, 1);
  grid->addWidget(regionCombo_, 6, 2);
  grid->addWidget(MakeLabel(QStringLiteral("Country:"), u'n', countryCombo_), 7, 1);
  grid->addWidget(countryCombo_, 7, 2);
  grid->addWidget(MakeLabel(QStringLiteral("Beacon:"), u'B', beaconCombo_), 8, 1);
  grid->addWidget(beaconCombo_, 8, 2);
  grid->addWidget(tuneButton_, 9, 0, 1, 3, Qt::AlignHCenter);

  auto* page = new QVBoxLayout(this);
  page->addLayout(grid);
  page->addStretch(1);
  page->addWidget(MakeBeaconPicture(this));

  setTabOrder(autoRadio_, frequencyRadio_);
  setTabOrder(frequencyRadio_, frequencyCombo_);
  setTabOrder(frequencyCombo_, rateCombo_);
  setTabOrder(rateCombo_, siteRadio_);
  setTabOrder(siteRadio_, regionCombo_);
  setTabOrder(regionCombo_, countryCombo_);
  setTabOrder(countryCombo_, beaconCombo_);
  setTabOrder(beaconCombo_, tuneButton_);

  connect(tuneButton_, &QPushButton::clicked, this, [this] { onTuneClicked(); });
  for (QRadioButton* radio : {autoRadio_, frequencyRadio_, siteRadio_}) {
    connect(radio, &QRadioButton::clicked, this, [this] { updateEnabling(); });
  }
  // Only the user's own choices rebuild the lists below; selections made here do not.
  connect(regionCombo_, &QComboBox::activated, this, [this] { fillCountryList(QString()); });
  connect(countryCombo_, &QComboBox::activated, this, [this] { fillBeaconList(QString()); });
}

void TunePage::initDialog() {
  const SharedState state = app_.State();
  fillFrequencyList(state.status.frequency);
  fillRateList(state.status.mskRate & 0xFF);
  fillRegionList(ToQString(state.currentSite.Region));
  fillCountryList(ToQString(state.currentSite.Country));
  fillBeaconList(ToQString(state.currentSite.Beacon));
  showTuneMode();
}

void TunePage::onSetActive() {
  app_.SetActivePage(kTunePage);
  showTuneMode();
  reselectTuning();
}

void TunePage::fillFrequencyList(double frequencyKhz) {
  ResetWithBlank(*frequencyCombo_);
  for (int n = kFirstFrequency; n <= kLastFrequency; n += kFrequencyStep) {
    AddSorted(*frequencyCombo_, ToQString(FormatListFrequency(n * 0.01)), static_cast<quintptr>(n));
  }
  SelectByText(*frequencyCombo_, ToQString(FormatListFrequency(frequencyKhz)));
}

void TunePage::fillRateList(int bitRate) {
  ResetWithBlank(*rateCombo_);
  for (int n = 100; n <= 200; n += 100) {
    AddSorted(*rateCombo_, ToQString(FormatListRate(n)), static_cast<quintptr>(n));
  }
  SelectByText(*rateCombo_, ToQString(FormatListRate(bitRate)));
}

void TunePage::fillRegionList(const QString& name) {
  ResetWithBlank(*regionCombo_);
  for (const auto& [region, countries] : app_.Catalogue().Regions()) {
    AddSorted(*regionCombo_, ToQString(region), reinterpret_cast<quintptr>(&countries));
  }
  SelectByText(*regionCombo_, name);
}

void TunePage::fillCountryList(const QString& name) {
  ResetWithBlank(*countryCombo_);
  const auto* countries = DataOf<const CountryIndex>(*regionCombo_);
  if (countries == nullptr) {
    countryCombo_->setCurrentIndex(-1);
    return;
  }
  for (const auto& [country, sites] : *countries) {
    AddSorted(*countryCombo_, ToQString(country), reinterpret_cast<quintptr>(&sites));
  }
  SelectByText(*countryCombo_, name);
}

void TunePage::fillBeaconList(const QString& name) {
  ResetWithBlank(*beaconCombo_);
  const auto* sites = DataOf<const SiteList>(*countryCombo_);
  if (sites == nullptr) {
    beaconCombo_->setCurrentIndex(-1);
    return;
  }
  for (const BeaconSite* site : *sites) {
    if (site != nullptr) AddSorted(*beaconCombo_, ToQString(site->Beacon), reinterpret_cast<quintptr>(site));
  }
  SelectByText(*beaconCombo_, name);
}

void TunePage::updateEnabling() {
  const bool linkOpen = app_.IsLinkOpen();
  for (QWidget* control : {static_cast<QWidget*>(autoRadio_), static_cast<QWidget*>(frequencyRadio_),
                           static_cast<QWidget*>(siteRadio_), static_cast<QWidget*>(tuneButton_)}) {
    control->setEnabled(linkOpen);
  }
  const bool bySite = linkOpen && siteRadio_->isChecked();
  regionCombo_->setEnabled(bySite);
  countryCombo_->setEnabled(bySite);
  beaconCombo_->setEnabled(bySite);
  const bool byFrequency = linkOpen && frequencyRadio_->isChecked();
  frequencyCombo_->setEnabled(byFrequency);
  rateCombo_->setEnabled(byFrequency);
}

void TunePage::showTuneMode() {
  // The group is exclusive; it must let go to show no choice at all for an unknown mode.
  QButtonGroup* group = autoRadio_->group();
  group->setExclusive(false);
  autoRadio_->setChecked(false);
  frequencyRadio_->setChecked(false);
  siteRadio_->setChecked(false);
  group->setExclusive(true);
  switch (app_.TuneModeValue()) {
    case kTuneAutomatic: autoRadio_->setChecked(true); break;
    case kTuneByFrequency: frequencyRadio_->setChecked(true); break;
    case kTuneBySite: siteRadio_->setChecked(true); break;
    default: break;
  }
  updateEnabling();
}

void TunePage::onTuneClicked() {
  if (autoRadio_->isChecked()) {
    app_.SetTuneMode(kTuneAutomatic);
    runTune();
  } else if (frequencyRadio_->isChecked()) {
    app_.SetTuneMode(kTuneByFrequency);
    tuneByFrequency();
  } else {
    app_.SetTuneMode(kTuneBySite);
    tuneBySite();
  }
}

void TunePage::tuneByFrequency() {
  const quintptr frequency = SelectedData(*frequencyCombo_);
  const quintptr rate = SelectedData(*rateCombo_);
  app_.UpdateState([&](SharedState& state) {
    state.currentSite.Frequency = static_cast<double>(frequency) * 0.01;
    state.currentSite.MskRate = static_cast<std::uint8_t>(rate & 0xFF);
    state.currentSite.StationId = 0;
    state.currentSite.Region = u"-";
    state.currentSite.Country = u"-";
    state.currentSite.Beacon = u"-";
  });
  runTune();
}

void TunePage::tuneBySite() {
  const auto* site = DataOf<const BeaconSite>(*beaconCombo_);
  if (site == nullptr) return;
  app_.SetCurrentSite(*site);
  runTune();
}

void TunePage::onSiteChanged() {
  if (!Initialized()) return;
  const BeaconSite site = app_.CurrentSite();
  SelectByText(*regionCombo_, ToQString(site.Region));
  SelectByText(*countryCombo_, ToQString(site.Country));
  SelectByText(*beaconCombo_, ToQString(site.Beacon));
  reselectTuning();
}

void TunePage::reselectTuning() {
  const BeaconSite site = app_.CurrentSite();
  SelectByText(*frequencyCombo_, ToQString(FormatListFrequency(site.Frequency)));
  SelectByText(*rateCombo_, ToQString(FormatListRate(site.MskRate)));
}

void TunePage::runTune() {
  WaitCursor wait;
  const bool tuned = app_.Tune(1);
  wait.Restore();
  // The site-changed notification the tune posted is delivered while this box is open.
  showMessage_(Text(tuned ? resources::kTuneSucceeded : resources::kTuneFailed));
}

}  // namespace skylark::ui
