#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "receiver/receiver_probe.h"
#include "receiver/text_list.h"
#include "ui/rules/page_state.h"

namespace skylark::rules {

enum class PortGroup { Input, Output };

// What one port group shows.
struct PortGroupState {
  std::u16string title;  // the group box
  ListState names;       // the port names; disabled while the port is open or waited for
  ButtonState open;      // "Open Port" or "Close Port"
  ButtonState test;
  // The link's one port, whichever group opened it, is open or waited for after a loss: either
  // way the group offers to close it.
  bool portOpen = false;
  // Where the chosen name leads ("COM4: -> /dev/serial/by-id/usb-..."), or where port names are
  // the devices' own what the system calls it ("USB Serial Port (COM12)"); empty when unknown.
  std::u16string device;
};

// The Configuration page: one port for both directions, or an input and an output group that
// drive the link's one port object. Every caption, list and Test button follows the port's real
// state, so a group never offers to open a port that is open or to close one that is not, and
// the name of an open port cannot be changed under it.
//
// Call InitDialog once before anything else; after every call, show State(). Actions that end
// with a message return it for the view to show in the message box.
class ConfigurationRules {
 public:
  explicit ConfigurationRules(Application& app);

  // The first activation: the same-port box checked, COM1: to COM9: listed unprobed.
  void InitDialog();
  bool Initialized() const { return initialized_; }
  // Every activation: the status poll idles while this page is up.
  void SetActive();

  bool SamePort() const { return samePort_; }
  PortGroupState State(PortGroup group) const;
  // Whether Find Receiver is offered: while the port is closed and not waited for.
  bool FindOffered() const;
  // What the page says of the port under the groups: "Waiting for COM4: to come back.", or that
  // it is back, and whether readings come only on Update; empty when there is nothing to say.
  std::u16string PortNote() const;
  // Whether what the page shows of the port (open, waited for, back) changed since the last
  // call; the sheet then shows the page again.
  bool PortChanged();

  // The user chose entry `index` of the group's list (ignored while the port is open).
  void ChooseName(PortGroup group, int index);
  // The user typed a name into the group's list (ignored while the port is open): a network port
  // ("tcp://host:4001", "rfc2217://host:4001") joins the list and is chosen, a listed name is
  // chosen; false for anything else.
  bool TypeName(PortGroup group, std::u16string_view name);
  // Tries whether the chosen name opens with the group's access, on a port of its own, and asks
  // whoever is on it for the receiver's status; up to two seconds. The message says whether the
  // port opened, and in a second paragraph what answered.
  Outcome Test(PortGroup group);
  // The same in steps, for views that run the slow part on a worker thread: BeginTest on the
  // main thread, RunTest anywhere (it touches no page state), FinishTest on the main thread.
  // From BeginTest or BeginScan to its Finish, Working() is true and the sheet is busy.
  struct PortTest {
    std::u16string name;
    AccessMode access = AccessMode::ReadWrite;
  };
  PortTest BeginTest(PortGroup group);
  static Outcome RunTest(const PortTest& test);
  Outcome FinishTest(Outcome outcome);
  bool Working() const { return working_; }
  // Closes the port when it is open, else opens the group's chosen name with its access.
  Outcome OpenOrClose(PortGroup group);
  // The box toggled: an open port is reopened with the new access under the name it has.
  Outcome SetSamePort(bool checked);
  // Windows added or removed a serial port: both lists show the ports present now, unprobed, as
  // at the first activation, each keeping the name chosen in it while that is still listed.
  // Ignored before the first activation and while a Scan runs, whose end lists them anyway.
  void PortsChanged();
  // Probes COM1: to COM9: and relists both groups; may take seconds (views show the wait cursor).
  void Scan();
  // The same in steps: BeginScan on the main thread, RunScan anywhere, FinishScan on the main
  // thread with what RunScan found.
  struct PortScan {
    std::u16string name;  // the link's port
    bool open = false;
    AccessMode access = AccessMode::ReadWrite;
    TextList inputNames;
    TextList outputNames;
  };
  PortScan BeginScan();
  static void RunScan(PortScan& scan);
  void FinishScan(const PortScan& scan);
  // Find Receiver, in the same steps: asks every port at once (about 1.5 s) as Test does. The
  // port a receiver answered on becomes the link's port name, chosen in both lists, so that
  // Open Port connects to it and OK stores it; the port is left closed for the user to open.
  // The message names it and what it reported, or says that none answered, and lists every
  // port tried with why it failed.
  void BeginFind();
  static ReceiverSearch RunFind();
  Outcome FinishFind(const ReceiverSearch& search);
  // Once, on the first activation after a start whose settings named no port: the view then
  // starts a Find Receiver by itself.
  bool TakeFindOnStart();

 private:
  struct NameList {
    std::vector<std::u16string> names;
    int selected = -1;
  };

  AccessMode AccessOf(PortGroup group) const;
  NameList& ListOf(PortGroup group) { return group == PortGroup::Input ? input_ : output_; }
  const NameList& ListOf(PortGroup group) const {
    return group == PortGroup::Input ? input_ : output_;
  }
  std::u16string ChosenName(PortGroup group) const;
  // Fills both lists, each selecting the link's port name (the first entry when absent).
  void Relist(const TextList& inputNames, const TextList& outputNames);
  void SelectPortName(NameList& list);
  // Selects the link's port name in `list` where the list has it.
  void FollowPort(NameList& list);
  // Selects `name` in `list`, ignoring case, where the list has it.
  static void SelectName(NameList& list, std::u16string_view name);
  bool OpenPort(std::u16string_view name, AccessMode access);
  Outcome OpenOrCloseHeld(PortGroup group);
  // "Failed to open port ..." with the reason the link's port gave.
  Outcome OpenFailure(AccessMode access) const;
  bool PortOpen() const;
  // Open, or closed and waited for after a loss: the name cannot be changed under it.
  bool PortHeld() const;
  // What the system calls the device `name` reaches, asked once per name and device (on Windows
  // a walk through the registry), until the ports are listed again.
  std::u16string DescriptionOf(const std::u16string& name, const std::u16string& device) const;

  // What the page last showed of the port, for PortChanged.
  struct PortView {
    bool open = false;
    bool waiting = false;
    bool onRequest = false;
    bool operator==(const PortView&) const = default;
  };
  PortView ViewOfPort() const;

  Application& app_;
  ReceiverPort& port_;
  bool initialized_ = false;
  bool working_ = false;
  bool samePort_ = true;
  bool startChecked_ = false;  // TakeFindOnStart has answered
  // The port came back by itself after a loss, and the user has not opened or closed it since.
  bool restored_ = false;
  PortView shownPort_;
  mutable std::map<std::u16string, std::u16string> descriptions_;
  NameList input_;
  NameList output_;
};

}  // namespace skylark::rules
