#include "ui/qt/tune_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "resources/strings.h"

namespace skylark::ui {
namespace {

QComboBox* MakeList(const char* name, int minimumCharacters) {
  auto* list = new QComboBox;
  list->setObjectName(QString::fromLatin1(name));
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(minimumCharacters);
  list->setMaxVisibleItems(12);
  return list;
}

QLabel* MakeLabel(int textId, QWidget* buddy) {
  auto* label = new QLabel(Text(textId));
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TunePage::TunePage(rules::TuneRules& rules, MessageFunction showMessage, QWidget* parent)
    : SheetPage(parent), rules_(rules), showMessage_(std::move(showMessage)) {
  autoRadio_ = new QRadioButton(Text(resources::kTuneAutomaticLabel));
  frequencyRadio_ = new QRadioButton(Text(resources::kTuneByFrequencyLabel));
  siteRadio_ = new QRadioButton(Text(resources::kTuneBySiteLabel));
  tuneButton_ = new QPushButton;
  tuningLabel_ = new QLabel(Text(resources::kTuning));
  autoRadio_->setObjectName(QStringLiteral("autoRadio"));
  frequencyRadio_->setObjectName(QStringLiteral("frequencyRadio"));
  siteRadio_->setObjectName(QStringLiteral("siteRadio"));
  tuneButton_->setObjectName(QStringLiteral("tuneButton"));
  tuningLabel_->setObjectName(QStringLiteral("tuningLabel"));
  tuneButton_->setAutoDefault(false);
  // Hidden but holding its place, so the page does not move when it shows.
  QSizePolicy keepSpace = tuningLabel_->sizePolicy();
  keepSpace.setRetainSizeWhenHidden(true);
  tuningLabel_->setSizePolicy(keepSpace);
  tuningLabel_->hide();
  frequencyCombo_ = MakeList("frequencyCombo", 7);
  rateCombo_ = MakeList("rateCombo", 7);
  regionCombo_ = MakeList("regionCombo", 16);
  countryCombo_ = MakeList("countryCombo", 16);
  beaconCombo_ = MakeList("beaconCombo", 16);

  // Checked only through the rules: a click asks, refresh() shows the answer.
  auto* group = new QButtonGroup(this);
  group->setExclusive(false);
  group->addButton(autoRadio_, kTuneAutomatic);
  group->addButton(frequencyRadio_, kTuneByFrequency);
  group->addButton(siteRadio_, kTuneBySite);

  auto* grid = new QGridLayout;
  grid->setColumnMinimumWidth(0, 16);
  grid->setColumnStretch(2, 1);
  grid->addWidget(autoRadio_, 0, 0, 1, 3);
  grid->addWidget(frequencyRadio_, 1, 0, 1, 3);
  grid->addWidget(MakeLabel(resources::kFrequencyListLabel, frequencyCombo_), 2, 1);
  grid->addWidget(frequencyCombo_, 2, 2);
  grid->addWidget(MakeLabel(resources::kRateListLabel, rateCombo_), 3, 1);
  grid->addWidget(rateCombo_, 3, 2);
  grid->setRowMinimumHeight(4, 6);
  grid->addWidget(siteRadio_, 5, 0, 1, 3);
  grid->addWidget(MakeLabel(resources::kRegionListLabel, regionCombo_), 6, 1);
  grid->addWidget(regionCombo_, 6, 2);
  grid->addWidget(MakeLabel(resources::kCountryListLabel, countryCombo_), 7, 1);
  grid->addWidget(countryCombo_, 7, 2);
  grid->addWidget(MakeLabel(resources::kBeaconListLabel, beaconCombo_), 8, 1);
  grid->addWidget(beaconCombo_, 8, 2);
  auto* tuneRow = new QHBoxLayout;
  tuneRow->addStretch(1);
  tuneRow->addWidget(tuneButton_);
  tuneRow->addWidget(tuningLabel_, 1);
  grid->addLayout(tuneRow, 9, 0, 1, 3);
  siteFileNote_ = new QLabel;
  siteFileNote_->setObjectName(QStringLiteral("siteFileNote"));
  siteFileNote_->setWordWrap(true);
  siteFileNote_->hide();
  grid->addWidget(siteFileNote_, 10, 1, 1, 2);

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
  connect(group, &QButtonGroup::idClicked, this, [this](int mode) {
    rules_.CheckMode(mode);
    refresh();
  });
  const std::pair<QComboBox*, rules::TuneList> lists[] = {
      {frequencyCombo_, rules::TuneList::Frequency}, {rateCombo_, rules::TuneList::Rate},
      {regionCombo_, rules::TuneList::Region},       {countryCombo_, rules::TuneList::Country},
      {beaconCombo_, rules::TuneList::Beacon}};
  // Only the user's own choices reach the rules; selections shown by refresh() do not.
  for (const auto& [combo, list] : lists) {
    connect(combo, &QComboBox::activated, this, [this, list = list](int index) {
      rules_.Choose(list, index);
      refresh();
    });
  }
}

TunePage::~TunePage() {
  if (tuneThread_.joinable()) tuneThread_.join();
}

void TunePage::refresh() {
  if (!rules_.Initialized()) return;
  const std::int32_t mode = rules_.CheckedMode();
  const bool radios = rules_.RadiosEnabled();
  for (QRadioButton* radio : {autoRadio_, frequencyRadio_, siteRadio_}) {
    radio->setChecked(radio->group()->id(radio) == mode);
    radio->setEnabled(radios);
  }
  ShowButton(*tuneButton_, rules_.TuneButton(), u'T');
  tuningLabel_->setVisible(rules_.Tuning());
  const std::u16string note = rules_.Note();
  siteFileNote_->setText(QString::fromStdU16String(note));
  siteFileNote_->setVisible(!note.empty());
  ShowList(*frequencyCombo_, rules_.List(rules::TuneList::Frequency));
  ShowList(*rateCombo_, rules_.List(rules::TuneList::Rate));
  ShowList(*regionCombo_, rules_.List(rules::TuneList::Region));
  ShowList(*countryCombo_, rules_.List(rules::TuneList::Country));
  ShowList(*beaconCombo_, rules_.List(rules::TuneList::Beacon));
}

void TunePage::onTuneClicked() {
  if (!rules_.BeginTune()) {
    refresh();
    ShowOutcome(showMessage_, rules_.Refusal());
    return;
  }
  refresh();
  emit tuningChanged(true);
  if (tuneThread_.joinable()) tuneThread_.join();
  // The result comes back through the event queue; a page that is gone by then (the thread is
  // joined first) drops it.
  tuneThread_ = std::thread([this] {
    const bool tuned = rules_.RunTune();
    QMetaObject::invokeMethod(this, [this, tuned] { finishTune(tuned); }, Qt::QueuedConnection);
  });
}

void TunePage::finishTune(bool tuned) {
  const rules::Outcome outcome = rules_.FinishTune(tuned);
  refresh();
  emit tuningChanged(false);
  // The site-changed notification the tune posted has been delivered before this, in order.
  ShowOutcome(showMessage_, outcome);
}

}  // namespace skylark::ui
