#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/port_devices.h"
#include "resources/strings.h"

namespace skylark::platform::posix {
namespace {

std::string GroupOf(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  if (const group* g = ::getgrgid(st.st_gid); g != nullptr) return g->gr_name;
  return std::to_string(st.st_gid);
}

std::string UserName() {
  if (const passwd* p = ::getpwuid(::geteuid()); p != nullptr) return p->pw_name;
  return "$USER";
}

}  // namespace

std::u16string OpenFailureReason(int error, const std::string& shown, const std::string& device,
                                 pid_t holder) {
  std::string text;
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case EIO:  // a built-in port without a UART behind it
      text = "No such device: " + shown + ".";
      break;
    case EACCES:
    case EPERM: {
      const std::string group = GroupOf(device);
      text = "Permission denied on " + shown + ".";
      if (!group.empty() && group != "root") {
        text += " The device belongs to the group " + group + ": add yourself to it with \"sudo usermod -aG " +
                group + " " + UserName() + "\", then log out and in again.";
      }
      break;
    }
    case EBUSY:
    case EWOULDBLOCK:
      text = shown + " is in use by another program";
      if (holder == ::getpid()) {
        text = shown + " is already open in this program";
      } else if (holder > 0) {
        text += " (PID " + std::to_string(holder) + ")";
      }
      text += ".";
      break;
    default:
      text = shown + ": " + std::strerror(error) + ".";
      break;
  }
  return resources::FromUtf8(text);
}

}  // namespace skylark::platform::posix
