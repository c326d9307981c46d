#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where Skylark keeps its files on a POSIX system.
namespace skylark::platform::posix {

// $XDG_CONFIG_HOME/Corvane/Skylark, or ~/.config/Corvane/Skylark.
std::string ConfigDirectory();

// The port directory: a symlink named COMn here designates the device of "COMn:".
std::string PortDirectory();

// The port directory's entry for "COMn:" (n from 1 to 9), whether or not it exists.
std::string PortLinkPath(int number);

// $XDG_RUNTIME_DIR/skylark, or a private (0700) directory under /tmp; created when missing.
// Empty when neither can be made.
std::string RuntimeDirectory();

// /dev. Tests point every process they start at a directory of their own through the
// SKYLARK_TEST_DEV_DIR environment variable, so that the machine's serial devices stay untouched.
std::string DeviceDirectory();

// The device path of a port name "COM1:" to "COM9:" (a trailing colon is optional, the letters
// may be of any case): the port directory's COMn entry when there is one, else
// /dev/ttyS<n-1>. A device's own path below the device directory is its own port name. Empty
// for any other name.
std::string DevicePathForPortName(std::u16string_view name);

// Makes `link` a symbolic link to `target`, replacing a link already there in one step (a new
// link under a name of its own, renamed over it), so the name never leads nowhere. False with
// errno set on failure.
bool ReplaceWithLink(const std::string& target, const std::string& link);

// Creates a directory and its parents with the given mode; true when it exists afterwards.
bool MakeDirectories(const std::string& path, unsigned mode);

}  // namespace skylark::platform::posix
