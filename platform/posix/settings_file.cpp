#include "platform/posix/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/posix/paths.h"
#include "resources/strings.h"

namespace skylark::platform::posix {
namespace {

// A settings file is a few hundred bytes; anything far larger is not one and is left alone.
constexpr std::size_t kMaxFileSize = 1 << 20;
// Room for 255 characters and the terminating NUL, the most a text value may hand on.
constexpr std::size_t kMaxTextChars = 255;

using Lines = std::vector<std::string>;

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Key paths and value names are kept raw in the file, so they may not break its lines.
bool FitsOnLine(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos; }

bool UsableName(std::string_view name) {
  return !name.empty() && FitsOnLine(name) && name.find('=') == name.npos && name[0] != '[' &&
         name[0] != '#' && name[0] != ';';
}

std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\0') return std::nullopt;
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    if (text[i] == '\\') out += '\\';
    else if (text[i] == 'n') out += '\n';
    else if (text[i] == 'r') out += '\r';
    else return std::nullopt;
  }
  return out;
}

std::optional<std::uint32_t> ParseNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool IsSection(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// The name of a value line, or an empty view for any other line.
std::string_view ValueName(std::string_view line) {
  if (line.empty() || IsSection(line) || line[0] == '#' || line[0] == ';') return {};
  const auto equals = line.find('=');
  return equals == line.npos ? std::string_view() : line.substr(0, equals);
}

std::string_view ValueData(std::string_view line) { return line.substr(line.find('=') + 1); }

// Where a key's values are: the indexes of its value lines named `name`, and the end of the key's
// first section (where a new value goes). Sections repeated in a hand-edited file count as one.
struct Place {
  std::vector<std::size_t> matches;
  std::optional<std::size_t> sectionEnd;
};

Place Locate(const Lines& lines, std::string_view key, std::string_view name) {
  Place place;
  bool inKey = false;
  bool firstSection = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsSection(lines[i])) {
      if (inKey) firstSection = false;
      const std::string_view header(lines[i]);
      inKey = EqualNoCase(header.substr(1, header.size() - 2), key);
      if (inKey && firstSection) place.sectionEnd = i + 1;
      continue;
    }
    if (!inKey) continue;
    if (firstSection && !lines[i].empty()) place.sectionEnd = i + 1;
    if (EqualNoCase(ValueName(lines[i]), name)) place.matches.push_back(i);
  }
  return place;
}

class SettingsFile final : public SettingsStore {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {
    const auto slash = path_.find_last_of('/');
    directory_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
  }

  bool ReadNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t& value) override {
    const auto data = Read(keyPath, name);
    if (!data || !data->starts_with("dword:")) return false;
    const auto number = ParseNumber(data->substr(6));
    if (!number) return false;
    value = *number;
    return true;
  }

  bool ReadText(std::u16string_view keyPath, std::u16string_view name, std::u16string& text) override {
    const auto data = Read(keyPath, name);
    if (!data || !data->starts_with("sz:")) return false;
    const auto raw = Unescape(std::string_view(*data).substr(3));
    if (!raw) return false;
    auto wide = resources::FromUtf8(*raw);
    if (wide.size() > kMaxTextChars) return false;
    text = std::move(wide);
    return true;
  }

  bool WriteNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t value) override {
    return Write(keyPath, name, "dword:" + std::to_string(value));
  }

  bool WriteText(std::u16string_view keyPath, std::u16string_view name, std::u16string_view text) override {
    // What a reader of the stored text sees ends at its first NUL.
    text = text.substr(0, text.find(u'\0'));
    return Write(keyPath, name, "sz:" + Escape(resources::ToUtf8(text)));
  }

 private:
  std::optional<std::string> Read(std::u16string_view keyPath, std::u16string_view name) {
    const std::string key = resources::ToUtf8(keyPath);
    const std::string value = resources::ToUtf8(name);
    if (!FitsOnLine(key) || !UsableName(value)) return std::nullopt;
    Lines lines;
    if (!Load(lines)) return std::nullopt;
    const Place place = Locate(lines, key, value);
    if (place.matches.empty()) return std::nullopt;
    return std::string(ValueData(lines[place.matches.front()]));
  }

  bool Write(std::u16string_view keyPath, std::u16string_view name, const std::string& data) {
    const std::string key = resources::ToUtf8(keyPath);
    const std::string value = resources::ToUtf8(name);
    if (!FitsOnLine(key) || !UsableName(value)) return false;
    std::lock_guard lock(writeLock_);
    if (!MakeDirectories(directory_, 0700)) return false;
    const int dirFd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return false;
    // Another process (the command line, a second instance) may be writing at the same time.
    int locked;
    do {
      locked = ::flock(dirFd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    Lines lines;
    bool written = locked == 0 && Load(lines);
    if (written) {
      Place place = Locate(lines, key, value);
      std::string line = value + "=" + data;
      if (!place.matches.empty()) {
        lines[place.matches.front()] = std::move(line);
        for (auto i = place.matches.size(); i-- > 1;) lines.erase(lines.begin() + static_cast<long>(place.matches[i]));
      } else if (place.sectionEnd) {
        lines.insert(lines.begin() + static_cast<long>(*place.sectionEnd), std::move(line));
      } else {
        if (!lines.empty() && !lines.back().empty()) lines.emplace_back();
        lines.push_back("[" + key + "]");
        lines.push_back(std::move(line));
      }
      written = Replace(dirFd, lines);
    }
    ::close(dirFd);  // also drops the lock
    return written;
  }

  // The file's lines; no lines for a missing file. False when it exists but cannot be read, so
  // that a write never replaces a file it could not read.
  bool Load(Lines& lines) const {
    lines.clear();
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    std::string content;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= kMaxFileSize;
    while (ok) {
      char buffer[4096];
      const auto got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ok = got == 0;
        break;
      }
      content.append(buffer, static_cast<std::size_t>(got));
      ok = content.size() <= kMaxFileSize;
    }
    ::close(fd);
    if (!ok) return false;
    std::size_t start = 0;
    while (start < content.size()) {
      auto end = content.find('\n', start);
      if (end == content.npos) end = content.size();
      std::string line = content.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();  // edited with CR LF endings
      lines.push_back(std::move(line));
      start = end + 1;
    }
    return true;
  }

  // Writes the new content beside the file and renames it over, so that a crash or a full disk
  // leaves the old file whole.
  bool Replace(int dirFd, const Lines& lines) const {
    std::string content;
    for (const auto& line : lines) {
      // Loading took one CR off each line's end; a line that still ends in one had two, and
      // must keep them or an unrelated write would change its value.
      content += line;
      if (!line.empty() && line.back() == '\r') content += '\r';
      content += '\n';
    }
    std::string target = path_;
    if (char* real = ::realpath(path_.c_str(), nullptr); real != nullptr) {
      target = real;  // replace what a symbolic link points at, not the link
      std::free(real);
    }
    mode_t mode = 0600;
    if (struct stat st {}; ::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < content.size();) {
      const auto wrote = ::write(fd, content.data() + done, content.size() - done);
      if (wrote > 0) done += static_cast<std::size_t>(wrote);
      else ok = wrote < 0 && errno == EINTR;
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
      ::unlink(temporary.c_str());
      return false;
    }
    // The new file is complete either way; this only makes the rename itself survive a crash.
    ::fsync(dirFd);
    return true;
  }

  std::string path_;
  std::string directory_;
  std::mutex writeLock_;
};

}  // namespace

std::unique_ptr<SettingsStore> OpenSettingsFile(const std::string& path) {
  return std::make_unique<SettingsFile>(path);
}

}  // namespace skylark::platform::posix
