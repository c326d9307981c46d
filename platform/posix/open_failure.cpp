#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/port_devices.h"
#include "resources/strings.h"

namespace skylark::platform::posix {
namespace {

std::string GroupName(gid_t gid) {
  if (const group* g = ::getgrgid(gid); g != nullptr) return g->gr_name;
  return std::to_string(gid);
}

std::string OwnerName(uid_t uid) {
  if (const passwd* p = ::getpwuid(uid); p != nullptr) return p->pw_name;
  return std::to_string(uid);
}

// Joining the device's group helps only when the group may read and write it; and "tty" would
// let the user write to every terminal, so it is never advised.
std::string PermissionHint(const std::string& device, const std::string& user) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  const std::string group = GroupName(st.st_gid);
  if ((st.st_mode & S_IRGRP) != 0 && (st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && group != "tty") {
    return " The device belongs to the group " + group + ": add yourself to it with \"sudo usermod -aG " +
           group + " " + user + "\", then log out and in again.";
  }
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  return " The device belongs to the user " + OwnerName(st.st_uid) + " and the group " + group +
         ", mode " + mode + ".";
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
    case EPERM:
      text = "Permission denied on " + shown + "." + PermissionHint(device, UserName());
      break;
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
