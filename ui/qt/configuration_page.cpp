#include "ui/qt/configuration_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

#include "resources/strings.h"

namespace skylark::ui {

ConfigurationPage::ConfigurationPage(rules::ConfigurationRules& rules, MessageFunction showMessage,
                                     QWidget* parent)
    : SheetPage(parent), rules_(rules), showMessage_(std::move(showMessage)) {
  samePort_ = new QCheckBox(Text(resources::kSamePortLabel));
  samePort_->setObjectName(QStringLiteral("samePortBox"));
  scanButton_ = new QPushButton(Text(resources::kScanButton));
  scanButton_->setObjectName(QStringLiteral("scanButton"));
  scanButton_->setAutoDefault(false);
  findButton_ = new QPushButton(Text(resources::kFindButton));
  findButton_->setObjectName(QStringLiteral("findButton"));
  findButton_->setAutoDefault(false);
  portNote_ = new QLabel;
  portNote_->setObjectName(QStringLiteral("portNote"));
  portNote_->setWordWrap(true);
  buildGroup(input_, "input");
  buildGroup(output_, "output");

  auto* page = new QVBoxLayout(this);
  page->addWidget(samePort_);
  auto* actions = new QHBoxLayout;
  actions->addWidget(scanButton_);
  actions->addWidget(findButton_);
  actions->addStretch(1);
  page->addLayout(actions);
  page->addSpacing(4);
  page->addWidget(input_.box);
  page->addWidget(output_.box);
  page->addWidget(portNote_);
  page->addStretch(1);
  page->addWidget(MakeBeaconPicture(this));

  connect(samePort_, &QCheckBox::clicked, this, [this](bool checked) {
    const rules::Outcome outcome = rules_.SetSamePort(checked);
    refresh();
    ShowOutcome(showMessage_, outcome);
  });
  connect(scanButton_, &QPushButton::clicked, this, [this] {
    if (worker_.joinable() && rules_.Working()) return;
    auto scan = std::make_shared<rules::ConfigurationRules::PortScan>(rules_.BeginScan());
    runOffThread(scanButton_, [scan] { rules::ConfigurationRules::RunScan(*scan); },
                 [this, scan] {
                   rules_.FinishScan(*scan);
                   return rules::Outcome{};
                 });
  });
  connect(findButton_, &QPushButton::clicked, this, &ConfigurationPage::findReceiver);
  for (PortControl* group : {&input_, &output_}) {
    connect(group->list, &QComboBox::activated, this, [this, group](int index) {
      rules_.ChooseName(group->group, index);
      refresh();
    });
    // A network port is typed in; the rules keep the list, so Qt inserts nothing itself.
    connect(group->list->lineEdit(), &QLineEdit::editingFinished, this, [this, group] {
      rules_.TypeName(group->group, group->list->currentText().trimmed().toStdU16String());
      refresh();
    });
    connect(group->open, &QPushButton::clicked, this, [this, group] {
      const rules::Outcome outcome = rules_.OpenOrClose(group->group);
      refresh();
      ShowOutcome(showMessage_, outcome);
    });
    connect(group->test, &QPushButton::clicked, this, [this, group] {
      if (worker_.joinable() && rules_.Working()) return;
      const rules::ConfigurationRules::PortTest test = rules_.BeginTest(group->group);
      auto outcome = std::make_shared<rules::Outcome>();
      runOffThread(group->test, [test, outcome] { *outcome = rules::ConfigurationRules::RunTest(test); },
                   [this, outcome] { return rules_.FinishTest(*outcome); });
    });
  }
}

void ConfigurationPage::findReceiver() {
  if (worker_.joinable() && rules_.Working()) return;
  rules_.BeginFind();
  auto search = std::make_shared<ReceiverSearch>();
  runOffThread(findButton_, [search] { *search = rules::ConfigurationRules::RunFind(); },
               [this, search] { return rules_.FinishFind(*search); });
}

void ConfigurationPage::showEvent(QShowEvent* event) {
  SheetPage::showEvent(event);
  // A first start looks for the receiver once the window is up, so that the wait shows on it.
  if (rules_.TakeFindOnStart()) QTimer::singleShot(0, this, &ConfigurationPage::findReceiver);
}

ConfigurationPage::~ConfigurationPage() {
  if (worker_.joinable()) worker_.join();
}

void ConfigurationPage::runOffThread(QPushButton* button, std::function<void()> work,
                                     std::function<rules::Outcome()> done) {
  if (worker_.joinable()) worker_.join();
  emit workingChanged(true);
  // The result comes back through the event queue; a page that is gone by then (the thread is
  // joined first) drops it.
  worker_ = std::thread([this, button, work = std::move(work), done = std::move(done)]() mutable {
    work();
    QMetaObject::invokeMethod(
        this,
        [this, button, done = std::move(done)] {
          const rules::Outcome outcome = done();
          refresh();
          emit workingChanged(false);
          // The page was locked meanwhile and lost the focus: it goes back to the button, as
          // after any press, never to where Enter would leave the sheet.
          if (button->isEnabled()) button->setFocus();
          ShowOutcome(showMessage_, outcome);
        },
        Qt::QueuedConnection);
  });
}

void ConfigurationPage::buildGroup(PortControl& group, const char* name) {
  const QString prefix = QString::fromLatin1(name);
  group.box = new QGroupBox;
  group.box->setObjectName(prefix + QStringLiteral("Group"));
  group.list = new QComboBox;
  group.list->setObjectName(prefix + QStringLiteral("List"));
  group.list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  group.list->setEditable(true);
  group.list->setInsertPolicy(QComboBox::NoInsert);
  group.open = new QPushButton;
  group.open->setObjectName(prefix + QStringLiteral("Open"));
  group.test = new QPushButton;
  group.test->setObjectName(prefix + QStringLiteral("Test"));
  group.open->setAutoDefault(false);
  group.test->setAutoDefault(false);
  group.device = new QLabel;
  group.device->setObjectName(prefix + QStringLiteral("Device"));
  group.device->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* column = new QVBoxLayout(group.box);
  auto* row = new QHBoxLayout;
  column->addLayout(row);
  column->addWidget(group.device);
  row->addWidget(group.list, 1);
  row->addWidget(group.open, 1);
  row->addWidget(group.test, 1);
}

void ConfigurationPage::refresh() {
  samePort_->setChecked(rules_.SamePort());
  findButton_->setEnabled(rules_.FindOffered());
  const QString note = ToQString(rules_.PortNote());
  portNote_->setText(note);
  portNote_->setVisible(!note.isEmpty());
  showGroup(input_);
  showGroup(output_);
}

void ConfigurationPage::showGroup(PortControl& group) {
  const rules::PortGroupState state = rules_.State(group.group);
  group.box->setTitle(ToQString(state.title));
  ShowList(*group.list, state.names);
  ShowButton(*group.open, state.open, state.portOpen ? group.closeMnemonic : group.openMnemonic);
  ShowButton(*group.test, state.test, group.testMnemonic);
  const QString device = ToQString(state.device);
  group.device->setText(device);
  group.device->setVisible(!device.isEmpty());
  group.list->setToolTip(device);
}

}  // namespace skylark::ui
