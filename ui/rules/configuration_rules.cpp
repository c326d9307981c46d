#include "ui/rules/configuration_rules.h"

#include <algorithm>
#include <utility>

#include "platform/port_devices.h"
#include "app/status_text.h"
#include "receiver/receiver_probe.h"
#include "receiver/scan_ports.h"
#include "receiver/serial_port.h"
#include "resources/strings.h"
#include "ui/rules/sorted_list.h"

namespace skylark::rules {
namespace {

std::u16string TextOf(int id) { return std::u16string(resources::LoadText(id)); }

// Numbered ports by their number ("COM9:" before "COM12:"), then devices and network ports by
// their names.
bool PortNameBefore(const std::u16string& a, const std::u16string& b) {
  // A port name holds at most three digits.
  constexpr int kHighestPort = 999;
  const int x = platform::PortNumber(a, kHighestPort);
  const int y = platform::PortNumber(b, kHighestPort);
  if ((x != 0) != (y != 0)) return x != 0;
  return x != y ? x < y : a < b;
}

// "306, 300.0 kHz": the station a receiver reported.
std::u16string StationWords(const ProbeAnswer& answer) {
  return resources::FromUtf8(std::to_string(answer.stationId)) + u", " + FormatListFrequency(answer.frequency) +
         u" kHz";
}

// One line of the ports a Find tried: the port and what became of it.
std::u16string TriedLine(const ReceiverSearch& search, const PortProbe& port) {
  std::u16string what;
  if (port.sameAs) {
    what = resources::FormatText(resources::kSameDevice, search.ports[*port.sameAs].name);
  } else if (port.console) {
    return resources::FormatText(resources::kConsoleNotProbed, port.name);
  } else if (port.failure) {
    what = LineErrorText(*port.failure);
  } else if (!port.answer || (!port.answer->answered && !port.answer->echo)) {
    what = TextOf(resources::kPortSilent);
  } else if (!port.answer->answered) {
    what = TextOf(resources::kLineEchoes);
  } else if (port.answer->stationId == 0) {
    what = TextOf(resources::kReceiverFound);
  } else {
    what = resources::FormatText(resources::kReceiverStation,
                                 {resources::FromUtf8(std::to_string(port.answer->stationId)),
                                  FormatListFrequency(port.answer->frequency)});
  }
  return port.name + u" " + what;
}

}  // namespace

ConfigurationRules::ConfigurationRules(Application& app)
    : app_(app), port_(*app.Link().InputPort()) {}

void ConfigurationRules::InitDialog() {
  samePort_ = true;
  shownPort_ = ViewOfPort();
  TextList names;
  ListPortNames(names);
  Relist(names, names);
  initialized_ = true;
}

void ConfigurationRules::SetActive() { app_.SetActivePage(kConfigurationPage); }

bool ConfigurationRules::PortOpen() const { return port_.IsOpen(); }

bool ConfigurationRules::PortHeld() const { return PortOpen() || app_.Reconnecting().has_value(); }

ConfigurationRules::PortView ConfigurationRules::ViewOfPort() const {
  return {PortOpen(), app_.Reconnecting().has_value(), app_.ReadingsOnlyOnRequest()};
}

bool ConfigurationRules::PortChanged() {
  const PortView now = ViewOfPort();
  if (!initialized_ || now == shownPort_) return false;
  // Open again with no user action after waiting: it came back by itself.
  if (shownPort_.waiting && now.open) restored_ = true;
  if (!now.open) restored_ = false;
  shownPort_ = now;
  return true;
}

bool ConfigurationRules::FindOffered() const { return initialized_ && !working_ && !PortHeld(); }

std::u16string ConfigurationRules::PortNote() const {
  if (const std::optional<std::u16string> waited = app_.Reconnecting()) {
    return resources::FormatText(resources::kWaitingForPort, *waited);
  }
  if (!PortOpen()) return {};
  std::u16string note;
  if (restored_) note = resources::FormatText(resources::kPortBack, port_.Name());
  if (app_.ReadingsOnlyOnRequest()) note += (note.empty() ? u"" : u" ") + TextOf(resources::kReadingsOnRequest);
  return note;
}

std::u16string ConfigurationRules::DescriptionOf(const std::u16string& name, const std::u16string& device) const {
  const std::u16string key = name + u'\n' + device;
  const auto known = descriptions_.find(key);
  if (known != descriptions_.end()) return known->second;
  return descriptions_[key] = platform::PortDescription(name);
}

PortGroupState ConfigurationRules::State(PortGroup group) const {
  const bool open = PortHeld();
  // In the one-port layout the output group stands idle.
  const bool active = group == PortGroup::Input || !samePort_;
  PortGroupState state;
  if (group == PortGroup::Input) {
    state.title = TextOf(samePort_ ? resources::kInputAndOutputPort : resources::kInputPort);
  } else if (!samePort_) {
    state.title = TextOf(resources::kOutputPort);
  }
  const NameList& list = ListOf(group);
  state.names.entries = list.names;
  state.names.selected = list.selected;
  state.names.enabled = active && !open;
  state.open = {TextOf(open ? resources::kClosePort : resources::kOpenPort), active};
  state.test = {TextOf(resources::kTestButton), active && !open};
  state.portOpen = open;
  const std::u16string chosen = ChosenName(group);
  const std::u16string device = platform::PortDevice(chosen);
  const std::u16string what = active && !chosen.empty() ? DescriptionOf(chosen, device) : std::u16string();
  if (active && !device.empty()) {
    // A device listed by its own name is not repeated; what the system says it is follows.
    state.device = device == chosen ? chosen : chosen + u" -> " + device;
    if (!what.empty()) state.device += u" (" + what + u")";
  } else {
    // Where port names are the devices' own, the system's name for the device says it all.
    state.device = what;
  }
  return state;
}

AccessMode ConfigurationRules::AccessOf(PortGroup group) const {
  if (group == PortGroup::Output) return AccessMode::Write;
  return samePort_ ? AccessMode::ReadWrite : AccessMode::Read;
}

std::u16string ConfigurationRules::ChosenName(PortGroup group) const {
  const NameList& list = ListOf(group);
  if (list.selected < 0 || list.selected >= static_cast<int>(list.names.size())) return {};
  return list.names[static_cast<std::size_t>(list.selected)];
}

void ConfigurationRules::Relist(const TextList& inputNames, const TextList& outputNames) {
  // The ports present changed, or were probed: what the system says of them is asked anew.
  descriptions_.clear();
  input_.names.assign(inputNames.begin(), inputNames.end());
  output_.names.assign(outputNames.begin(), outputNames.end());
  SelectPortName(input_);
  SelectPortName(output_);
}

void ConfigurationRules::SelectPortName(NameList& list) {
  list.selected = list.names.empty() ? -1 : 0;
  FollowPort(list);
}

// A network port's name is no device to list: the port's own (remembered or open) stays listed.
void ConfigurationRules::FollowPort(NameList& list) {
  const std::u16string name = port_.Name();
  if (platform::NetworkScheme(name) && std::find(list.names.begin(), list.names.end(), name) == list.names.end()) {
    list.names.push_back(name);
  }
  SelectName(list, name);
}

void ConfigurationRules::SelectName(NameList& list, std::u16string_view name) {
  for (std::size_t i = 0; i < list.names.size(); ++i) {
    if (CompareIgnoringCase(list.names[i], name) == 0) {
      list.selected = static_cast<int>(i);
      return;
    }
  }
}

void ConfigurationRules::PortsChanged() {
  if (!initialized_ || working_) return;
  const std::u16string input = ChosenName(PortGroup::Input);
  const std::u16string output = ChosenName(PortGroup::Output);
  TextList names;
  ListPortNames(names);
  Relist(names, names);
  // The open port's name is what each list chose already.
  if (PortOpen()) return;
  SelectName(input_, input);
  SelectName(output_, output);
}

void ConfigurationRules::ChooseName(PortGroup group, int index) {
  if (PortOpen()) return;
  NameList& list = ListOf(group);
  list.selected = index >= 0 && index < static_cast<int>(list.names.size()) ? index : -1;
}

bool ConfigurationRules::TypeName(PortGroup group, std::u16string_view name) {
  if (PortOpen()) return false;
  NameList& list = ListOf(group);
  const int before = list.selected;
  list.selected = -1;
  SelectName(list, name);
  if (list.selected < 0 && platform::NetworkScheme(name)) {
    list.names.emplace_back(name);
    list.selected = static_cast<int>(list.names.size()) - 1;
  }
  if (list.selected >= 0) return true;
  list.selected = before;
  return false;
}

bool ConfigurationRules::OpenPort(std::u16string_view name, AccessMode access) {
  return port_.Open(name, access);
}

Outcome ConfigurationRules::Test(PortGroup group) { return FinishTest(RunTest(BeginTest(group))); }

ConfigurationRules::PortTest ConfigurationRules::BeginTest(PortGroup group) {
  working_ = true;
  return {ChosenName(group), AccessOf(group)};
}

Outcome ConfigurationRules::FinishTest(Outcome outcome) {
  working_ = false;
  return outcome;
}

Outcome ConfigurationRules::RunTest(const PortTest& test) {
  const AccessMode access = test.access;
  // A port of its own with placeholder settings: a test never touches the link's port.
  SerialPort probe(u"COM1:");
  LineSettings untimed = kReceiverLine;
  untimed.timeouts.reset();
  const bool opened = probe.Open(test.name, access, untimed);
  if (opened) probe.Close();
  Outcome outcome = FormattedMessageOf(opened ? resources::kAbleToOpen : resources::kFailedToOpen,
                                       AccessWord(access));
  if (!outcome) return outcome;
  if (!opened) {
    if (const auto failure = probe.OpenFailure()) outcome->detail = LineErrorText(*failure);
    return outcome;
  }
  // Who is on the line: a port that opens may still lead to no receiver.
  const std::optional<ProbeAnswer> answer = ProbeReceiver(test.name, access);
  if (!answer) return outcome;
  if (answer->echo && !answer->answered) {
    outcome->detail = TextOf(resources::kLineEchoes);
  } else if (answer->stationId != 0) {
    outcome->detail = resources::FormatText(resources::kReceiverAnswered, StationWords(*answer));
  } else {
    outcome->detail = TextOf(answer->answered ? resources::kReceiverHeard : resources::kNoReceiverAnswered);
  }
  return outcome;
}

Outcome ConfigurationRules::OpenOrClose(PortGroup group) {
  restored_ = false;
  Outcome outcome = OpenOrCloseHeld(group);
  // What the user did is shown by the page at once, not again at the next notification.
  shownPort_ = ViewOfPort();
  return outcome;
}

Outcome ConfigurationRules::OpenOrCloseHeld(PortGroup group) {
  const AccessMode access = AccessOf(group);
  if (PortHeld()) {
    // Close Port also ends the wait for a lost port; a try that opened it meanwhile is undone.
    app_.StopReconnecting();
    if (PortOpen()) port_.Close();
    return FormattedMessageOf(resources::kPortClosedFor, AccessWord(access));
  }
  if (OpenPort(ChosenName(group), access)) {
    // Both groups drive the one port: the other group's list shows the name it opened too.
    FollowPort(input_);
    FollowPort(output_);
    return FormattedMessageOf(resources::kBeaconConnected, AccessWord(access));
  }
  return OpenFailure(access);
}

Outcome ConfigurationRules::SetSamePort(bool checked) {
  samePort_ = checked;
  // A port waited for comes back with the access the page now shows.
  app_.ReconnectWith(AccessOf(PortGroup::Input));
  if (!PortOpen()) return std::nullopt;
  // One port object serves both groups: reopen it under its own name with the input group's
  // new access, without a word unless that fails.
  const std::u16string name = port_.Name();
  port_.Close();
  const AccessMode access = AccessOf(PortGroup::Input);
  if (OpenPort(name, access)) return std::nullopt;
  return OpenFailure(access);
}

Outcome ConfigurationRules::OpenFailure(AccessMode access) const {
  Outcome outcome = FormattedMessageOf(resources::kFailedToOpen, AccessWord(access));
  if (const auto failure = port_.OpenFailure(); outcome && failure) outcome->detail = LineErrorText(*failure);
  return outcome;
}

void ConfigurationRules::BeginFind() { working_ = true; }

ReceiverSearch ConfigurationRules::RunFind() { return FindReceiver(); }

Outcome ConfigurationRules::FinishFind(const ReceiverSearch& search) {
  working_ = false;
  std::u16string tried = TextOf(resources::kPortsTried);
  for (const PortProbe& port : search.ports) tried += u"\n" + TriedLine(search, port);
  Outcome outcome;
  if (!search.found) {
    outcome = MessageOf(resources::kNoReceiverOnAnyPort);
  } else {
    const PortProbe& found = search.ports[*search.found];
    outcome = found.answer->stationId != 0
                  ? PageMessage{resources::kFoundStation,
                                resources::FormatText(resources::kFoundStation, {found.name, StationWords(*found.answer)}),
                                {}}
                  : FormattedMessageOf(resources::kFoundReceiver, found.name);
    // The lists show the ports the search asked, the found one chosen in both; an open port
    // (opened while the search ran) keeps its name.
    if (!PortHeld()) {
      port_.SetName(found.name.c_str());
      TextList names;
      for (const PortProbe& port : search.ports) names.Append(port.name);
      Relist(names, names);
    }
  }
  if (outcome) outcome->detail = tried;
  return outcome;
}

bool ConfigurationRules::TakeFindOnStart() {
  return initialized_ && !std::exchange(startChecked_, true) && app_.NoPortStored() && !PortHeld();
}

void ConfigurationRules::Scan() {
  PortScan scan = BeginScan();
  RunScan(scan);
  FinishScan(scan);
}

ConfigurationRules::PortScan ConfigurationRules::BeginScan() {
  working_ = true;
  PortScan scan;
  scan.name = port_.Name();
  scan.open = PortOpen();
  scan.access = port_.GetAccess();
  return scan;
}

void ConfigurationRules::RunScan(PortScan& scan) {
  ScanPorts(scan.name, scan.open, scan.access, scan.inputNames, scan.outputNames);
}

void ConfigurationRules::FinishScan(const PortScan& scan) {
  working_ = false;
  const TextList& inputNames = scan.inputNames;
  const TextList& outputNames = scan.outputNames;
  if (!PortOpen()) return Relist(inputNames, outputNames);
  // Both groups drive the one open port, whatever its access: each list shows it, selected,
  // beside its "Close Port", never another name that is not open.
  const auto withOpenPort = [name = port_.Name()](const TextList& names) {
    std::vector<std::u16string> sorted(names.begin(), names.end());
    if (std::find(sorted.begin(), sorted.end(), name) == sorted.end()) sorted.push_back(name);
    std::sort(sorted.begin(), sorted.end(), PortNameBefore);
    TextList list;
    for (const std::u16string& entry : sorted) list.Append(entry);
    return list;
  };
  Relist(withOpenPort(inputNames), withOpenPort(outputNames));
}

}  // namespace skylark::rules
