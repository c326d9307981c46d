#include "ui/qt/status_page.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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

QPushButton* MakeButton(const char* name) {
  auto* button = new QPushButton;
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLine(const char* name) {
  auto* line = new QLabel;
  line->setObjectName(QString::fromLatin1(name));
  line->setWordWrap(true);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return line;
}

}  // namespace

QString ChooseLogFile(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, Text(resources::kRecordButton), QString(),
                                      Text(resources::kSignalLogFiles), nullptr, QFileDialog::DontConfirmOverwrite);
}

StatusPage::StatusPage(rules::StatusRules& rules, MessageFunction showMessage, QWidget* parent)
    : SheetPage(parent), rules_(rules), showMessage_(std::move(showMessage)) {
  auto* page = new QVBoxLayout(this);
  QGridLayout* site = MakeGroup(page, resources::kSiteDetails);
  fields_[0] = AddRow(site, resources::kSiteLabel, "siteField");
  fields_[1] = AddRow(site, resources::kFrequencyLabel, "frequencyField");
  fields_[2] = AddRow(site, resources::kMskLabel, "rateField");
  fields_[3] = AddRow(site, resources::kStationIdLabel, "stationField");
  QGridLayout* health = MakeGroup(page, resources::kReceiverHealth);
  stateField_ = AddRow(health, resources::kStateLabel, "stateField");
  fields_[4] = AddRow(health, resources::kLockedLabel, "lockedField");
  fields_[5] = AddRow(health, resources::kSignalStrengthLabel, "signalField");
  fields_[6] = AddRow(health, resources::kSnrLabel, "snrField");
  noteField_ = MakeLine("noteField");
  noteField_->hide();
  page->addWidget(noteField_);
  ageField_ = new QLabel;
  ageField_->setObjectName(QStringLiteral("ageField"));
  ageField_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  chart_ = new SignalChart(this);
  page->addWidget(chart_, 1);
  page->addWidget(ageField_);
  updateButton_ = MakeButton("updateButton");
  recordButton_ = MakeButton("recordButton");
  logField_ = MakeLine("logField");
  auto* actions = new QHBoxLayout;
  actions->addWidget(updateButton_);
  actions->addWidget(recordButton_);
  actions->addStretch(1);
  page->addLayout(actions);
  page->addWidget(logField_);
  page->addWidget(MakeBeaconPicture(this));
  connect(updateButton_, &QPushButton::clicked, this, [this] { onUpdateClicked(); });
  connect(recordButton_, &QPushButton::clicked, this, [this] { onRecordClicked(); });

  clock_.setInterval(rules::StatusRules::kClockPeriod);
  connect(&clock_, &QTimer::timeout, this, [this] { onClock(); });
}

StatusPage::~StatusPage() {
  if (updateThread_.joinable()) updateThread_.join();
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
  stateField_->setText(ToQString(fields.state));
  noteField_->setText(ToQString(fields.note));
  noteField_->setVisible(!fields.note.empty());
  logField_->setText(ToQString(fields.log));
  ShowButton(*updateButton_, rules_.UpdateButton(), u'U');
  ShowButton(*recordButton_, rules_.RecordButton(), u'R');
  chart_->follow(rules_.History(), std::chrono::system_clock::now());
}

// The query waits up to 2 s for its answer: it runs on a thread of its own, as a tune does. The
// answer comes as a status notification, before the result.
void StatusPage::onUpdateClicked() {
  if (!rules_.BeginUpdate()) return;
  refresh();
  emit updatingChanged(true);
  if (updateThread_.joinable()) updateThread_.join();
  updateThread_ = std::thread([this] {
    const bool answered = rules_.RunUpdate();
    QMetaObject::invokeMethod(
        this,
        [this, answered] {
          if (updateThread_.joinable()) updateThread_.join();
          const rules::Outcome outcome = rules_.FinishUpdate(answered);
          refresh();
          emit updatingChanged(false);
          ShowOutcome(showMessage_, outcome);
        },
        Qt::QueuedConnection);
  });
}

void StatusPage::onRecordClicked() {
  if (rules_.Recording()) {
    rules_.StopRecording();
    refresh();
    return;
  }
  const QString path = choosePath_(this);
  if (path.isEmpty()) return;
  const rules::Outcome outcome = rules_.StartRecording(ToU16(path));
  refresh();
  ShowOutcome(showMessage_, outcome);
}

}  // namespace skylark::ui
