#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Files and directories as the site-file search needs them.
namespace skylark::platform {

// The character that separates a directory from the name of an entry in it.
char16_t PathSeparator();

// The names of every entry of a directory (files, directories and all other kinds), in the order
// the file system returns them, "." and ".." left out. False when the directory cannot be
// enumerated.
bool ListDirectory(std::u16string_view directory, std::vector<std::u16string>& names);

// A file opened for reading only.
class ByteFile {
 public:
  virtual ~ByteFile() = default;
  // Up to `count` bytes; 0 at the end of the file. False on a read error.
  virtual bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) = 0;
};

// Opens an existing regular file for reading, shared with no other opener where the platform
// can enforce that. Null when it cannot be opened (a directory cannot).
std::unique_ptr<ByteFile> OpenFileForReading(std::u16string_view path);

// A file that is only ever added to. Each Append has reached the system when it returns, so a
// crash of the program loses nothing already written.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // The file's size when it was opened: 0 for a new or empty file.
  virtual std::uint64_t InitialSize() const = 0;
  virtual bool Append(std::string_view bytes) = 0;
};

// Opens a regular file for appending, made when missing and never cut short. Null when it cannot
// be opened or is no regular file.
std::unique_ptr<AppendFile> OpenFileForAppending(std::u16string_view path);

// The folder of the running program, searched for the site file between the current directory
// and the system root directory (an installer puts the site file beside the programs). Empty
// where the system root search already looks beside the program.
std::optional<std::u16string> ProgramDirectory();

// The second place the site file is searched: the system root directory. Empty when none can
// be found.
std::optional<std::u16string> SystemRootDirectory();

}  // namespace skylark::platform
