#include "ui/rules/configuration_rules.h"

#include <atomic>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "resources/strings.h"
#include "tests/support/loopback.h"
#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

using rules::PortGroup;
using resources::ToUtf8;

class ConfigurationRulesTest : public PageFixture {
 protected:
  void SetUp() override { sheet_.Activate(kConfigurationPage); }
  rules::ConfigurationRules& Page() { return sheet_.Configuration(); }

  void Choose(PortGroup group, const std::u16string& name) {
    const auto entries = Page().State(group).names.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i] == name) Page().ChooseName(group, static_cast<int>(i));
    }
  }
  std::u16string Chosen(PortGroup group) {
    const auto names = Page().State(group).names;
    return names.selected < 0 ? u"" : names.entries[static_cast<std::size_t>(names.selected)];
  }
  // A group as the user sees it: title, caption, and which of list, Open and Test are enabled.
  std::string Shown(PortGroup group) {
    const rules::PortGroupState s = Page().State(group);
    return ToUtf8(s.title) + "|" + ToUtf8(s.open.caption) + "|" + (s.names.enabled ? "L" : "-") +
           (s.open.enabled ? "O" : "-") + (s.test.enabled ? "T" : "-");
  }
};

// After every open, close, failed open and box toggle, both groups tell the port's real state,
// and the list of an open port cannot be changed. The active group names the device its port
// name reaches, and a port that does not open says why after the message. A toggle reopens an
// open port under its own name with the input group's access.
TEST_F(ConfigurationRulesTest, BothGroupsFollowThePortInEveryLayout) {
  EXPECT_EQ(ToUtf8(Page().State(PortGroup::Input).device), "COM4: -> " + receiver_.SlavePath());
  EXPECT_EQ(Page().State(PortGroup::Output).device, u"") << "the idle group";
  using Step = std::function<rules::Outcome()>;
  const struct {
    const char* legend;
    Step step;
    const char* message;
    const char* input;
    const char* output;
    AccessMode access;  // of the port, where open
  } steps[] = {
      {"start", [] { return rules::Outcome(); }, "",
       "Input and Output Port|Open Port|LOT", "|Open Port|---", {}},
      {"two ports", [&] { return Page().SetSamePort(false); }, "",
       "Input Port|Open Port|LOT", "Output Port|Open Port|LOT", {}},
      {"open input", [&] { return Page().OpenOrClose(PortGroup::Input); },
       "Beacon connected for reading.", "Input Port|Close Port|-O-", "Output Port|Close Port|-O-", AccessMode::Read},
      {"close by output", [&] { return Page().OpenOrClose(PortGroup::Output); },
       "Port closed for writing.", "Input Port|Open Port|LOT", "Output Port|Open Port|LOT", {}},
      {"open output on COM2:", [&] {
         Choose(PortGroup::Output, u"COM2:");
         return Page().OpenOrClose(PortGroup::Output);
       },
       "Beacon connected for writing.", "Input Port|Close Port|-O-", "Output Port|Close Port|-O-", AccessMode::Write},
      {"one port", [&] { return Page().SetSamePort(true); }, "",
       "Input and Output Port|Close Port|-O-", "|Close Port|---", AccessMode::ReadWrite},
      {"another input chosen, two ports", [&] {
         Page().ChooseName(PortGroup::Input, 0);
         return Page().SetSamePort(false);
       },
       "", "Input Port|Close Port|-O-", "Output Port|Close Port|-O-", AccessMode::Read},
      {"one port, its device gone", [&] {
         LinkPort(2, "/nonexistent/skylark-tty");
         return Page().SetSamePort(true);
       },
       "Failed to open port for reading and writing.\n\nNo such device: /nonexistent/skylark-tty.",
       "Input and Output Port|Open Port|LOT", "|Open Port|---", {}},
      {"failed open", [&] {
         Choose(PortGroup::Input, u"COM7:");
         return Page().OpenOrClose(PortGroup::Input);
       },
       "Failed to open port for reading and writing.\n\nNo such device: /nonexistent/skylark-tty.",
       "Input and Output Port|Open Port|LOT",
       "|Open Port|---", {}},
  };
  for (const auto& s : steps) {
    const rules::Outcome outcome = s.step();
    EXPECT_EQ(outcome ? ToUtf8(outcome->Shown()) : "", s.message) << s.legend;
    EXPECT_EQ(Shown(PortGroup::Input), s.input) << s.legend;
    EXPECT_EQ(Shown(PortGroup::Output), s.output) << s.legend;
    if (Port().IsOpen()) {
      EXPECT_EQ(Chosen(PortGroup::Input), Port().Name()) << s.legend;
      EXPECT_EQ(Chosen(PortGroup::Output), Port().Name()) << s.legend;
      EXPECT_EQ(Port().GetAccess(), s.access) << s.legend;
    }
  }
}

// A Test that opens asks who is there: a receiver's report, or silence, in a second paragraph.
TEST_F(ConfigurationRulesTest, TestNamesTheGroupsAccessAsksTheReceiverAndLeavesTheLinkAlone) {
  const struct {
    bool samePort;
    PortGroup group;
    const char16_t* name;
    const char* message;
    const char* answer;
  } cases[] = {
      {true, PortGroup::Input, u"COM2:", "Able to open port for reading and writing.", "No receiver answered on this port."},
      {true, PortGroup::Input, u"COM4:", "Able to open port for reading and writing.",
       "A receiver answered: station 306, 300.0 kHz."},
      {false, PortGroup::Input, u"COM7:", "Failed to open port for reading.", "No such device: /nonexistent/skylark-tty."},
      {false, PortGroup::Output, u"COM2:", "Able to open port for writing.", ""},
  };
  // The receiver on COM4: answers a status request with its report.
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    while (!done) {
      if (receiver_.Receive(9, std::chrono::milliseconds(50)).find("$PCSI,1") == std::string::npos) continue;
      receiver_.Send("$CRMSS,42,15,300.0,200*41\r\n$PCSI,CS0,SIM0001,0,300.0,A,200,A,57,15,SIM1.00,1,306,LOCK,100*20\r\n");
    }
  });
  for (const auto& c : cases) {
    Page().SetSamePort(c.samePort);
    Choose(c.group, c.name);
    const rules::Outcome outcome = Page().Test(c.group);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(ToUtf8(TextOf(outcome)), c.message);
    EXPECT_EQ(ToUtf8(outcome->detail), c.answer);
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(Port().Name(), u"COM4:");
  }
  done = true;
  receiver.join();
}

// Find Receiver asks every port: the one a receiver answered on becomes the port's name, chosen in
// both lists and left closed; every port tried is listed with what became of it, a second name
// of a device as such.
TEST_F(ConfigurationRulesTest, FindChoosesThePortAReceiverAnsweredOnAndListsThoseTried) {
  LinkPort(5, receiver_.SlavePath());
  const struct {
    bool answers;
    const char *message, *com4;
    const char16_t* chosen;
  } cases[] = {
      {false, "No receiver answered on any port.", "COM4: did not answer.", u"COM2:"},
      {true, "A receiver answered on COM4: (station 306, 300.0 kHz). It is chosen in the port list: Open Port connects to it.",
       "COM4: receiver (station 306, 300.0 kHz)", u"COM4:"},
  };
  for (const auto& c : cases) {
    Port().SetName(u"COM2:");
    Choose(PortGroup::Input, u"COM2:");
    receiver_.Receive(256, std::chrono::milliseconds(10));  // what the case before was asked
    std::atomic<bool> done{false};
    std::thread receiver([&] {
      for (std::string heard; c.answers && !done;) {
        heard += receiver_.Receive(64, std::chrono::milliseconds(50));
        if (heard.find("$PCSI,1") == std::string::npos) continue;
        heard.clear();
        receiver_.Send("$PCSI,CS0,SIM0001,0,300.0,A,200,A,57,15,SIM1.00,1,306,LOCK,100*20\r\n");
      }
    });
    Page().BeginFind();
    EXPECT_TRUE(sheet_.Busy() && !Page().FindOffered());
    const rules::Outcome outcome = Page().FinishFind(rules::ConfigurationRules::RunFind());
    done = true;
    receiver.join();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(ToUtf8(outcome->text), c.message);
    const std::string tried = ToUtf8(outcome->detail);
    EXPECT_EQ(tried.rfind("Ports tried:\nCOM1: No such device: /nonexistent/skylark-tty.\nCOM2: did not answer.\n", 0), 0u);
    EXPECT_NE(tried.find(std::string("\n") + c.com4 + "\nCOM5: is the same device as COM4:.\n"), std::string::npos)
        << tried;
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(Port().Name(), c.chosen);
    EXPECT_EQ(Chosen(PortGroup::Input), c.chosen);
  }
}

// Two ports chosen while the lost port is waited for: it comes back for reading only, as the
// input group now says, and stays open although nothing can be sent on it.
TEST_F(ConfigurationRulesTest, APortComesBackInTheLayoutChosenWhileWaiting) {
  ASSERT_TRUE(Page().OpenOrClose(PortGroup::Input));
  app_.Monitor().StartReader();
  receiver_.CloseMaster();
  ASSERT_TRUE(WaitFor([&] { return app_.Reconnecting().has_value(); }));
  EXPECT_FALSE(Page().SetSamePort(false));
  PtyPair back;
  ASSERT_TRUE(LinkPort(4, back.SlavePath()));
  ASSERT_TRUE(WaitFor([&] { return Port().IsOpen(); }, std::chrono::seconds(5)));
  EXPECT_EQ(Port().GetAccess(), AccessMode::Read);
  EXPECT_FALSE(Port().SendSentence("$PCSI,1"));
  EXPECT_TRUE(Port().IsOpen());
  app_.StopThreads();
}

TEST_F(ConfigurationRulesTest, ScanListsWhatOpensAndKeepsTheOpenPort) {
  ASSERT_TRUE(Page().OpenOrClose(PortGroup::Input));
  LinkPort(3, spare_.SlavePath());
  SerialPort other(u"COM3:");
  ASSERT_TRUE(other.Open(u"COM3:", AccessMode::ReadWrite));
  Page().Scan();
  // COM2: and COM3: lead to one device, which another program holds: neither is listed.
  EXPECT_EQ(Page().State(PortGroup::Input).names.entries, std::vector<std::u16string>{u"COM4:"});
  EXPECT_EQ(Page().State(PortGroup::Output).names.entries, std::vector<std::u16string>{u"COM4:"});
  EXPECT_TRUE(Port().IsOpen());
  other.Close();
  Page().Scan();
  EXPECT_EQ(Page().State(PortGroup::Input).names.entries,
            (std::vector<std::u16string>{u"COM2:", u"COM3:", u"COM4:"}));
  EXPECT_EQ(Chosen(PortGroup::Input), u"COM4:");

  // Two ports, the input one open for reading only: both groups still show the open port.
  Page().SetSamePort(false);
  ASSERT_EQ(Port().GetAccess(), AccessMode::Read);
  Page().Scan();
  for (const PortGroup group : {PortGroup::Input, PortGroup::Output}) {
    EXPECT_EQ(Chosen(group), u"COM4:");
    EXPECT_EQ(Page().State(group).open.caption, u"Close Port");
  }

  // The open port joins what a scan found at its place: numbered ports by number, then the rest.
  rules::ConfigurationRules::PortScan scan = Page().BeginScan();
  for (const char16_t* name : {u"tcp://host:4001", u"COM12:", u"/dev/ttyUSB0", u"COM2:", u"COM10:"}) {
    scan.inputNames.Append(name);
  }
  Page().FinishScan(scan);
  EXPECT_EQ(Page().State(PortGroup::Input).names.entries,
            (std::vector<std::u16string>{u"COM2:", u"COM4:", u"COM10:", u"COM12:", u"/dev/ttyUSB0",
                                         u"tcp://host:4001"}));
}

// A port added or removed lists every port again, unprobed, keeping each group's choice, or
// the open port's.
TEST_F(ConfigurationRulesTest, APortAddedOrRemovedListsThemAllAgainKeepingTheChoice) {
  Page().Scan();
  Choose(PortGroup::Input, u"COM2:");
  const std::vector<std::u16string> all{u"COM1:", u"COM2:", u"COM3:", u"COM4:", u"COM5:",
                                        u"COM6:", u"COM7:", u"COM8:", u"COM9:"};
  ASSERT_NE(Page().State(PortGroup::Input).names.entries, all);
  sheet_.DeviceArrived();
  EXPECT_EQ(Page().State(PortGroup::Input).names.entries, all);
  EXPECT_EQ(Chosen(PortGroup::Input), u"COM2:");

  Choose(PortGroup::Input, u"COM4:");
  ASSERT_TRUE(Page().OpenOrClose(PortGroup::Input));
  Page().Scan();
  sheet_.DeviceRemoved(u"COM7");
  EXPECT_EQ(Page().State(PortGroup::Output).names.entries, all);
  EXPECT_EQ(Chosen(PortGroup::Output), u"COM4:");
  EXPECT_TRUE(Port().IsOpen()) << "another port's device went";
}

// A network port is typed, not listed: it joins the list, opens, and stays listed while open
// when the ports are listed again. A name that is neither listed nor a network port changes
// nothing.
TEST_F(ConfigurationRulesTest, ATypedNetworkPortJoinsTheListAndOpens) {
  LoopbackListener listener;
  ASSERT_TRUE(listener.Valid());
  const std::u16string name = resources::FromUtf8(listener.Name());

  for (const std::u16string refused : {u"tcp://127.0.0.1", u"tcp://:80", u"tcp://host:65536", u"tcp://::1:80", u"tcp://[::1:80",
                                          u"rfc2217://a b:80", u"COM12:", u"/dev/ttyS0"}) {
    EXPECT_FALSE(Page().TypeName(PortGroup::Input, refused)) << ToUtf8(refused);
    EXPECT_EQ(Chosen(PortGroup::Input), u"COM4:");
  }
  EXPECT_TRUE(Page().TypeName(PortGroup::Input, u"com2:"));
  EXPECT_EQ(Chosen(PortGroup::Input), u"COM2:");
  ASSERT_TRUE(Page().TypeName(PortGroup::Input, name));
  ASSERT_TRUE(Page().TypeName(PortGroup::Input, name));  // once in the list
  EXPECT_EQ(Page().State(PortGroup::Input).names.entries.size(), 10u);
  EXPECT_EQ(Chosen(PortGroup::Input), name);
  EXPECT_EQ(Page().State(PortGroup::Input).device, u"");
  ASSERT_TRUE(Page().OpenOrClose(PortGroup::Input));
  EXPECT_EQ(Port().Name(), name);
  sheet_.DeviceArrived();
  EXPECT_EQ(Chosen(PortGroup::Input), name);
  EXPECT_EQ(Chosen(PortGroup::Output), name);
  Page().OpenOrClose(PortGroup::Input);
}

}  // namespace
}  // namespace skylark::testing
