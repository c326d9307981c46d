#include "ui/configuration_page.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "receiver/scan_ports.h"
#include "receiver/serial_port.h"
#include "resources/strings.h"

namespace skylark::ui {
namespace {

// The receiver's line: 4800 baud, no parity, 8 data bits, one stop bit, no flow control.
constexpr std::uint32_t kBaudRate = 4800;
constexpr std::uint32_t kParity = 0;
constexpr std::uint32_t kDataBits = 8;
constexpr std::uint32_t kStopBits = 0;
constexpr std::uint32_t kFlowControl = 0;

QString SelectedName(const QComboBox& list) {
  return list.currentIndex() < 0 ? QString() : list.currentText();
}

}  // namespace

ConfigurationPage::ConfigurationPage(Application& app, MessageFunction showMessage, QWidget* parent)
    : SheetPage(parent), app_(app), showMessage_(std::move(showMessage)) {
  samePort_ = new QCheckBox(WithMnemonic(QStringLiteral("Use the same port for input and output."), u'U'));
  samePort_->setObjectName(QStringLiteral("samePortBox"));
  scanButton_ = new QPushButton(WithMnemonic(QStringLiteral("Scan for Available Ports"), u'S'));
  scanButton_->setObjectName(QStringLiteral("scanButton"));
  scanButton_->setAutoDefault(false);
  input_.port = app_.Link().InputPort();
  output_.port = app_.Link().OutputPort();
  buildGroup(input_, "input", u'p', u'l', u'T');
  buildGroup(output_, "output", u'r', u'r', u'e');

  auto* page = new QVBoxLayout(this);
  page->addWidget(samePort_);
  page->addWidget(scanButton_);
  page->addSpacing(4);
  page->addWidget(input_.box);
  page->addWidget(output_.box);
  page->addStretch(1);
  page->addWidget(MakeBeaconPicture(this));

  connect(samePort_, &QCheckBox::clicked, this, [this] { onSamePortChanged(); });
  connect(scanButton_, &QPushButton::clicked, this, [this] { scan(); });
  for (PortControl* group : {&input_, &output_}) {
    connect(group->open, &QPushButton::clicked, this, [this, group] { openOrCloseGroup(*group); });
    connect(group->test, &QPushButton::clicked, this, [this, group] { testGroup(*group); });
  }
}

void ConfigurationPage::buildGroup(PortControl& group, const char* name, QChar openMnemonic,
                                   QChar closeMnemonic, QChar testMnemonic) {
  const QString prefix = QString::fromLatin1(name);
  group.box = new QGroupBox;
  group.box->setObjectName(prefix + QStringLiteral("Group"));
  group.list = new QComboBox;
  group.list->setObjectName(prefix + QStringLiteral("List"));
  group.list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  group.open = new QPushButton;
  group.open->setObjectName(prefix + QStringLiteral("Open"));
  group.test = new QPushButton(WithMnemonic(QStringLiteral("Test"), testMnemonic));
  group.test->setObjectName(prefix + QStringLiteral("Test"));
  group.open->setAutoDefault(false);
  group.test->setAutoDefault(false);
  group.openMnemonic = openMnemonic;
  group.closeMnemonic = closeMnemonic;
  auto* row = new QHBoxLayout(group.box);
  row->addWidget(group.list, 1);
  row->addWidget(group.open, 1);
  row->addWidget(group.test, 1);
}

void ConfigurationPage::initDialog() {
  samePort_->setChecked(true);
  input_.box->setTitle(Text(resources::kInputAndOutputPort));
  output_.box->setTitle(QString());
  output_.test->setEnabled(false);
  output_.open->setEnabled(false);
  output_.list->setEnabled(false);
  input_.test->setEnabled(true);
  input_.open->setEnabled(true);
  input_.list->setEnabled(true);
  inputNames_.Clear();
  outputNames_.Clear();
  ListPortNames(inputNames_);
  ListPortNames(outputNames_);
  fillPortList(*input_.list, inputNames_);
  fillPortList(*output_.list, outputNames_);
  const bool portOpen = input_.port->IsOpen();
  setOpenText(input_, portOpen);
  setOpenText(output_, portOpen);
  input_.test->setEnabled(!portOpen);
}

void ConfigurationPage::onSetActive() { app_.SetActivePage(kConfigurationPage); }

AccessMode ConfigurationPage::accessOf(const PortControl& group) const {
  if (&group == &output_) return AccessMode::Write;
  return samePort_->isChecked() ? AccessMode::ReadWrite : AccessMode::Read;
}

void ConfigurationPage::setOpenText(PortControl& group, bool portOpen) {
  group.open->setText(portOpen ? WithMnemonic(Text(resources::kClosePort), group.closeMnemonic)
                               : WithMnemonic(Text(resources::kOpenPort), group.openMnemonic));
}

void ConfigurationPage::fillPortList(QComboBox& list, const TextList& names) {
  list.clear();
  for (const std::u16string& name : names) list.addItem(ToQString(name));
  if (list.count() == 0) return;
  const int match = list.findText(ToQString(input_.port->Name()), Qt::MatchFixedString);
  list.setCurrentIndex(match >= 0 ? match : 0);
}

void ConfigurationPage::showPortMessage(int stringId, AccessMode access) {
  // Without its format text a message is not shown at all.
  if (resources::LoadText(stringId).empty()) return;
  showMessage_(ToQString(resources::FormatText(stringId, AccessWord(access))));
}

bool ConfigurationPage::openPort(PortControl& group, AccessMode access) {
  const std::u16string name = ToU16(SelectedName(*group.list));
  return group.port->Open(name, kBaudRate, kParity, kDataBits, kStopBits, kFlowControl, access,
                          &platform::kReceiverTimeouts);
}

void ConfigurationPage::testGroup(PortControl& group) {
  const AccessMode access = accessOf(group);
  WaitCursor wait;
  // A port of its own with placeholder settings: a test never touches the link's port.
  SerialPort probe(u"COM1:", kBaudRate, kParity, kDataBits, kStopBits, kFlowControl,
                   AccessMode::ReadWrite);
  const bool opened = probe.OpenUntimed(ToU16(SelectedName(*group.list)), kBaudRate, kParity,
                                        kDataBits, kStopBits, kFlowControl, access);
  if (opened) probe.Close();
  wait.Restore();
  showPortMessage(opened ? resources::kAbleToOpen : resources::kFailedToOpen, access);
}

void ConfigurationPage::openOrCloseGroup(PortControl& group) {
  const AccessMode access = accessOf(group);
  if (group.port->IsOpen()) {
    group.port->Close();
    setOpenText(group, false);
    showPortMessage(resources::kPortClosedFor, access);
    group.test->setEnabled(true);
    return;
  }
  if (openPort(group, access)) {
    setOpenText(group, true);
    showPortMessage(resources::kBeaconConnected, access);
    group.test->setEnabled(false);
  } else {
    showPortMessage(resources::kFailedToOpen, access);
    group.test->setEnabled(true);
  }
}

void ConfigurationPage::closeGroup(PortControl& group) {
  if (!group.port->IsOpen()) return;
  group.port->Close();
  setOpenText(group, false);
}

void ConfigurationPage::reopenInputGroup(AccessMode access) {
  if (input_.port->IsOpen()) return;
  if (openPort(input_, access)) {
    setOpenText(input_, true);
    return;
  }
  // The port was open before the change and is closed now: say so rather than leave the
  // button offering to close it.
  setOpenText(input_, false);
  input_.test->setEnabled(true);
  showPortMessage(resources::kFailedToOpen, access);
}

void ConfigurationPage::onSamePortChanged() {
  const bool checked = samePort_->isChecked();
  const bool inputOpen = input_.port->IsOpen();
  input_.box->setTitle(Text(checked ? resources::kInputAndOutputPort : resources::kInputPort));
  output_.box->setTitle(checked ? QString() : Text(resources::kOutputPort));
  if (inputOpen) {
    // One port object serves both groups: close it through both, then reopen with the new access.
    if (checked) {
      closeGroup(output_);
      closeGroup(input_);
    } else {
      closeGroup(input_);
      closeGroup(output_);
    }
    reopenInputGroup(checked ? AccessMode::ReadWrite : AccessMode::Read);
  } else {
    closeGroup(output_);
  }
  output_.test->setEnabled(!checked);
  output_.list->setEnabled(!checked);
  output_.open->setEnabled(!checked);
}

void ConfigurationPage::scan() {
  WaitCursor wait;
  input_.list->clear();
  output_.list->clear();
  inputNames_.Clear();
  outputNames_.Clear();
  ScanPorts(input_.port->Name(), input_.port->IsOpen(), input_.port->GetAccess(), inputNames_,
            outputNames_);
  fillPortList(*input_.list, inputNames_);
  fillPortList(*output_.list, outputNames_);
}

}  // namespace skylark::ui
