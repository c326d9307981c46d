#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/status_text.h"
#include "platform/posix/port_devices.h"
#include "resources/strings.h"
#include "tests/support/pty.h"

namespace skylark::platform {
namespace {

std::string U8(const std::u16string& text) { return resources::ToUtf8(text); }

// A stand-in for /dev and /sys/class/tty whose serial devices are pseudo-terminals.
class PortDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.dev = home_.Root() + "/dev";
    tree_.sysTty = home_.Root() + "/sys";
    for (const char* dir : {"/dev", "/dev/serial", "/dev/serial/by-id", "/sys", "/sys/ttyS0", "/sys/ttyS1", "/sys/ttyUSB0"}) {
      ASSERT_EQ(::mkdir((home_.Root() + dir).c_str(), 0700), 0);
    }
    Device("ttyUSB0", usb0_);
    Device("ttyUSB1", usb1_);
    Device("ttyACM0", acm0_);
    Device("ttyS0", s0_);  // a UART answers
    Device("ttyS1", s1_);  // no UART behind it
    Device("ttyUSBx", usb1_);  // not a device name
    std::ofstream(tree_.dev + "/ttyUSB2");  // not a character device
    std::ofstream(tree_.sysTty + "/ttyS0/type") << "4\n";
    std::ofstream(tree_.sysTty + "/ttyS1/type") << "0\n";
    // The console is a tty without a driver (as are /dev/tty and /dev/ptmx); /dev/full stands in for a UART.
    for (const char* dir : {"/sys/console", "/sys/ttyS0/device"}) {
      ASSERT_EQ(::mkdir((home_.Root() + dir).c_str(), 0700), 0);
    }
    for (const auto& [name, number] : {std::pair{"console", "5:1"}, {"ttyS0", "1:7"}}) {
      std::ofstream(tree_.sysTty + "/" + name + "/dev") << number << "\n";
    }
    stable_ = tree_.dev + "/serial/by-id/usb-FTDI_FT232R_A1-if00-port0";
    ASSERT_EQ(::symlink("../../ttyUSB0", stable_.c_str()), 0);
  }

  void Device(const std::string& name, const testing::PtyPair& pty) {
    ASSERT_TRUE(pty.Valid());
    ASSERT_EQ(::symlink(pty.SlavePath().c_str(), (tree_.dev + "/" + name).c_str()), 0);
  }

  bool Link(const char16_t* name, const std::string& device, std::u16string& result) {
    std::optional<LineError> missing;
    const bool linked = posix::LinkPortNameIn(tree_, name, resources::FromUtf8(device), result, missing);
    if (missing) result = LineErrorText(*missing);
    return linked;
  }

  testing::TempConfigHome home_;
  testing::PtyPair usb0_, usb1_, acm0_, s0_, s1_;
  posix::DeviceTree tree_;
  std::string stable_;
};

TEST_F(PortDevicesTest, ListsAdaptersAndAnsweringBuiltInPortsWithTheirStableNamesAndWhatTheyAre) {
  // sysfs: ttyUSB0's port sits below a USB interface below the USB device that names its product.
  const std::string usb = tree_.sysTty + "/usb1/1-1";
  std::filesystem::create_directories(usb + "/1-1:1.0/ttyUSB0");
  std::ofstream(usb + "/product") << "FT232R USB UART\n";
  ASSERT_EQ(::symlink("../usb1/1-1/1-1:1.0/ttyUSB0", (tree_.sysTty + "/ttyUSB0/device").c_str()), 0);
  std::ofstream(tree_.sysTty + "/console/active") << "tty0 ttyS0\n";
  std::vector<std::string> listed;
  for (const SerialDevice& device : posix::ListSerialDevicesIn(tree_)) {
    listed.push_back(U8(device.node) + (device.stableName.empty() ? "" : " " + U8(device.stableName)) +
                     (device.description.empty() ? "" : " [" + U8(device.description) + "]"));
  }
  const std::string dev = tree_.dev + "/";
  EXPECT_EQ(listed, (std::vector<std::string>{dev + "ttyACM0", dev + "ttyS0 [console]",
                                              dev + "ttyUSB0 " + stable_ + " [FT232R USB UART]", dev + "ttyUSB1"}));
}

TEST_F(PortDevicesTest, LinkPrefersTheStableNameAndAResolvedPath) {
  std::u16string result;
  ASSERT_TRUE(Link(u"COM4", tree_.dev + "/ttyUSB0", result));
  EXPECT_EQ(U8(result), stable_);
  EXPECT_EQ(U8(PortDevice(u"COM4:")), stable_);
  EXPECT_EQ(U8(PortDeviceNode(u"com4:")), usb0_.SlavePath());
  // A device without a stable name is linked as given, made absolute and tidy; a link replaces
  // the one before.
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(::chdir(tree_.dev.c_str()), 0);
  const bool linked = Link(u"COM4:", "./serial/../ttyUSB1", result);
  ASSERT_EQ(::chdir(here), 0);
  ASSERT_TRUE(linked);
  EXPECT_EQ(U8(PortDevice(u"COM4:")), tree_.dev + "/ttyUSB1");
  EXPECT_EQ(PortDevice(u"LPT1:"), u"");
}

TEST_F(PortDevicesTest, LinkRefusesWhatIsNoSerialDevice) {
  const struct {
    const char16_t* name;
    std::string device;
    std::string why;
  } cases[] = {
      {u"COM10", tree_.dev + "/ttyUSB0", "Not a port name: COM10"},
      {u"COM4", tree_.dev + "/ttyUSB9", "No such device: " + tree_.dev + "/ttyUSB9."},
      {u"COM4", tree_.dev + "/ttyUSB2", "Not a serial device: " + tree_.dev + "/ttyUSB2."},
      {u"COM4", "/dev/null", "Not a serial device: /dev/null."},  // a character device, not a tty
      {u"COM4", "/dev/console", "Not a serial device: /dev/console."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    std::u16string result;
    EXPECT_FALSE(Link(c.name, c.device, result));
    EXPECT_EQ(U8(result).substr(0, c.why.size()), c.why);
  }
  EXPECT_EQ(U8(PortDevice(u"COM4:")), "/dev/ttyS3") << "a refused link leaves the name as it was";
  std::u16string result;
  EXPECT_TRUE(Link(u"COM5", "/dev/full", result)) << U8(result);
}

TEST_F(PortDevicesTest, ConsolesAreTheDevicesSysfsNamesActive) {
  const std::string s0 = s0_.SlavePath().substr(s0_.SlavePath().rfind('/') + 1);
  std::ofstream(tree_.sysTty + "/console/active") << "tty0 " << s0 << "\n";
  EXPECT_TRUE(posix::IsConsoleIn(tree_, tree_.dev + "/ttyS0"));
  EXPECT_FALSE(posix::IsConsoleIn(tree_, tree_.dev + "/ttyUSB0"));
}

}  // namespace
}  // namespace skylark::platform
