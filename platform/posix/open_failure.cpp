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

std::string UserName() {
  if (const passwd* p = ::getpwuid(::geteuid()); p != nullptr) return p->pw_name;
  return "$USER";
}

// Joining the device's group helps only when the group may read and write it; and "tty" would
// let the user write to every terminal, so it is never advised.
void AddPermissionFacts(const std::string& device, LineError& failure) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return;
  const std::string group = GroupName(st.st_gid);
  failure.group = resources::FromUtf8(group);
  failure.groupGrants = (st.st_mode & S_IRGRP) != 0 && (st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && group != "tty";
  failure.user = resources::FromUtf8(UserName());
  failure.owner = resources::FromUtf8(OwnerName(st.st_uid));
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  failure.mode = resources::FromUtf8(mode);
}

}  // namespace

LineError OpenFailure(int error, const std::string& shown, const std::string& device, pid_t holder) {
  LineError failure;
  failure.osError = error;
  failure.device = resources::FromUtf8(shown);
  failure.osMessage = resources::FromUtf8(std::strerror(error));
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case EIO:  // a built-in port without a UART behind it
      failure.fault = LineFault::NoSuchDevice;
      break;
    case EACCES:
    case EPERM:
      failure.fault = LineFault::PermissionDenied;
      AddPermissionFacts(device, failure);
      break;
    case EBUSY:
    case EWOULDBLOCK:
      failure.fault = holder == ::getpid() ? LineFault::OpenHere : LineFault::InUse;
      failure.holder = holder > 0 && holder != ::getpid() ? holder : 0;
      break;
    default:
      failure.fault = LineFault::SystemError;
      break;
  }
  return failure;
}

}  // namespace skylark::platform::posix
