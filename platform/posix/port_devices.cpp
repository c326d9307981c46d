#include "platform/posix/port_devices.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/posix/paths.h"
#include "platform/posix/port_lock.h"
#include "platform/serial_line.h"
#include "resources/strings.h"

namespace skylark::platform::posix {
namespace {

constexpr std::string_view kFamilies[] = {"ttyACM", "ttyS", "ttyUSB"};

std::vector<std::string> Entries(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// The family ("ttyUSB") and number (0) of a device name; an empty family for any other name.
std::pair<std::string_view, long> Family(std::string_view name) {
  for (std::string_view family : kFamilies) {
    if (name.substr(0, family.size()) != family || name.size() == family.size()) continue;
    const std::string_view digits = name.substr(family.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    return {family, std::strtol(std::string(digits).c_str(), nullptr, 10)};
  }
  return {};
}

// Linux makes /dev/ttyS0 to ttyS31 whether or not a UART is there; sysfs says which are.
bool BuiltInPortAnswers(const DeviceTree& tree, const std::string& name) {
  std::ifstream type(tree.sysTty + "/" + name + "/type");
  int uart = 0;
  return type >> uart && uart != 0;
}

std::u16string NotAPortName(std::u16string_view name) {
  return u"Not a port name: " + std::u16string(name) + u" (COM1: to COM9:).";
}

// A serial device: a pseudo-terminal's slave, or a tty that sysfs shows a driver behind (serial
// ports, USB adapters); never /dev/tty, /dev/console, a virtual console, /dev/ptmx or /dev/null.
bool IsSerialDevice(const DeviceTree& tree, const struct stat& st) {
  if (!S_ISCHR(st.st_mode)) return false;
  // Unix 98 pseudo-terminal slaves: majors 136 to 143, which sysfs does not list.
  if (major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143) return true;
  const std::string number = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
  for (const std::string& name : Entries(tree.sysTty)) {
    std::ifstream dev(tree.sysTty + "/" + name + "/dev");
    std::string text;
    struct stat driver {};
    if (dev >> text && text == number) return ::stat((tree.sysTty + "/" + name + "/device").c_str(), &driver) == 0;
  }
  return false;
}

// What sysfs says the device `name` ("ttyUSB0") is: the product name of the USB device above it,
// "console" for a console.
std::string DescriptionIn(const DeviceTree& tree, const std::string& name) {
  std::ifstream active(tree.sysTty + "/console/active");
  for (std::string console; active >> console;) {
    if (console == name) return "console";
  }
  std::error_code error;
  std::filesystem::path at = std::filesystem::canonical(tree.sysTty + "/" + name + "/device", error);
  // The product is a few levels up: the tty's port, the USB interface, the USB device.
  for (int level = 0; !error && level < 4 && at.has_parent_path(); ++level, at = at.parent_path()) {
    std::ifstream product(at / "product");
    if (std::string text; std::getline(product, text) && !text.empty()) return text;
  }
  return {};
}

}  // namespace

std::string ResolvedDevice(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

std::vector<SerialDevice> ListSerialDevicesIn(const DeviceTree& tree) {
  std::vector<std::pair<std::pair<std::string_view, long>, std::string>> found;
  for (const std::string& name : Entries(tree.dev)) {
    const auto family = Family(name);
    if (family.first.empty()) continue;
    if (family.first == "ttyS" && !BuiltInPortAnswers(tree, name)) continue;
    struct stat st {};
    if (::stat((tree.dev + "/" + name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
    found.push_back({family, name});
  }
  std::sort(found.begin(), found.end());
  std::vector<SerialDevice> devices;
  for (const auto& entry : found) {
    const std::string node = tree.dev + "/" + entry.second;
    devices.push_back({resources::FromUtf8(node), resources::FromUtf8(StableNameIn(tree, node)),
                       resources::FromUtf8(DescriptionIn(tree, entry.second))});
  }
  return devices;
}

std::string StableNameIn(const DeviceTree& tree, const std::string& device) {
  const std::string target = ResolvedDevice(device);
  if (target.empty()) return {};
  const std::string byId = tree.dev + "/serial/by-id";
  std::vector<std::string> names = Entries(byId);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (ResolvedDevice(byId + "/" + name) == target) return byId + "/" + name;
  }
  return {};
}

bool IsConsoleIn(const DeviceTree& tree, const std::string& device) {
  const std::string node = ResolvedDevice(device);
  const std::string base = node.substr(node.find_last_of('/') + 1);
  if (base.empty()) return false;
  if (base == "console") return true;
  std::ifstream active(tree.sysTty + "/console/active");
  for (std::string name; active >> name;) {
    if (name == base) return true;
  }
  return false;
}

std::string ShownDevice(std::u16string_view name) {
  const int number = PortNumber(name);
  if (number == 0) return DevicePathForPortName(name);
  if (number == 0) return {};
  const std::string link = PortLinkPath(number);
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return DevicePathForPortName(name);
  const std::string text(target, static_cast<std::size_t>(n));
  return text[0] == '/' ? text : PortDirectory() + "/" + text;
}

bool LinkPortNameIn(const DeviceTree& tree, std::u16string_view name, std::u16string_view device,
                    std::u16string& result, std::optional<LineError>& missing) {
  const int number = PortNumber(name);
  if (number == 0) {
    result = NotAPortName(name);
    return false;
  }
  std::filesystem::path given(resources::ToUtf8(device));
  std::error_code ignored;
  if (given.is_relative()) given = std::filesystem::current_path(ignored) / given;
  // Kept as the user named it (a link's name stays a link's name), only made absolute and tidy.
  std::string path = given.lexically_normal().string();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    missing = OpenFailure(errno, path, path, 0);
    result.clear();
    return false;
  }
  if (!IsSerialDevice(tree, st)) {
    result = resources::FromUtf8("Not a serial device: " + path + ".");
    return false;
  }
  // A USB adapter's ttyUSB number follows the order of plugging in; its by-id name does not.
  if (const std::string stable = StableNameIn(tree, path); !stable.empty()) path = stable;
  const std::string link = PortLinkPath(number);
  struct stat old {};
  if (::lstat(link.c_str(), &old) == 0 && !S_ISLNK(old.st_mode)) {
    result = resources::FromUtf8(link + " is not a link; move it away first.");
    return false;
  }
  if (!MakeDirectories(PortDirectory(), 0700) || !ReplaceWithLink(path, link)) {
    result = resources::FromUtf8(link + ": " + std::strerror(errno) + ".");
    return false;
  }
  result = resources::FromUtf8(path);
  return true;
}

}  // namespace skylark::platform::posix

namespace skylark::platform {

std::u16string PortDevice(std::u16string_view name) {
  return resources::FromUtf8(posix::ShownDevice(name));
}

std::u16string PortDeviceNode(std::u16string_view name) {
  const std::string path = posix::DevicePathForPortName(name);
  return path.empty() ? std::u16string() : resources::FromUtf8(posix::ResolvedDevice(path));
}

std::u16string PortDescription(std::u16string_view name) {
  const std::string node = resources::ToUtf8(PortDeviceNode(name));
  if (node.empty()) return {};
  return resources::FromUtf8(posix::DescriptionIn({}, node.substr(node.find_last_of('/') + 1)));
}

std::vector<SerialDevice> ListSerialDevices() { return posix::ListSerialDevicesIn({posix::DeviceDirectory()}); }

std::optional<LineError> PortAvailability(std::u16string_view name) {
  const std::string path = posix::DevicePathForPortName(name);
  if (path.empty()) return posix::OpenFailure(ENODEV, resources::ToUtf8(name), "", 0);
  const std::string shown = posix::ShownDevice(name);
  const std::string device = posix::ResolvedDevice(path);
  if (device.empty()) return posix::OpenFailure(errno, shown, path, 0);
  const std::string base = device.substr(device.find_last_of('/') + 1);
  if (posix::Family(base).first == "ttyS" && !posix::BuiltInPortAnswers({}, base)) {
    return posix::OpenFailure(ENODEV, shown, device, 0);
  }
  if (pid_t holder = 0; posix::PortLockHeld(posix::LockDirectory(), device, holder)) {
    return posix::OpenFailure(EBUSY, shown, device, holder);
  }
  // picocom and screen take no lock file, only flock(); the kernel's table names them.
  if (const pid_t holder = posix::KernelLockHolder("/proc/locks", device); holder > 0) {
    LineError failure = posix::OpenFailure(EBUSY, shown, device, holder);
    failure.holderName = resources::FromUtf8(posix::ProgramName(holder));
    return failure;
  }
  if (::access(device.c_str(), R_OK | W_OK) != 0) return posix::OpenFailure(errno, shown, device, 0);
  return std::nullopt;
}

bool IsConsole(std::u16string_view name) {
  const std::string path = posix::DevicePathForPortName(name);
  return !path.empty() && posix::IsConsoleIn({}, path);
}

// Every serial device present, by its stable name when it has one: a setting that keeps it
// still finds a USB adapter after it was plugged in again, into another socket.
std::vector<std::u16string> PortNamesBeyondNine() {
  std::vector<std::u16string> names;
  for (const SerialDevice& device : ListSerialDevices()) {
    names.push_back(device.stableName.empty() ? device.node : device.stableName);
  }
  return names;
}

bool LinkPortName(std::u16string_view name, std::u16string_view device, std::u16string& result,
                  std::optional<LineError>& missing) {
  return posix::LinkPortNameIn({}, name, device, result, missing);
}

bool UnlinkPortName(std::u16string_view name, std::u16string& result) {
  const int number = PortNumber(name);
  if (number == 0) {
    result = posix::NotAPortName(name);
    return false;
  }
  const std::string link = posix::PortLinkPath(number);
  struct stat st {};
  if (::lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
    result = resources::FromUtf8("COM" + std::to_string(number) + ": has no link in " +
                                 posix::PortDirectory() + ".");
    return false;
  }
  if (::unlink(link.c_str()) != 0) {
    result = resources::FromUtf8(link + ": " + std::strerror(errno) + ".");
    return false;
  }
  result = resources::FromUtf8(posix::ShownDevice(name));
  return true;
}

}  // namespace skylark::platform
