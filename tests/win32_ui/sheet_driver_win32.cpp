#include "tests/win32_ui/sheet_driver_win32.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <iterator>
#include <thread>
#include <vector>

namespace skylark::wintest {
namespace {

// Calls into the program wait at most this long: a tune blocks its main thread for seconds.
constexpr UINT kSendTimeoutMs = 15000;

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  Send(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

bool HasTabs(HWND window) { return ::FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr) != nullptr; }

struct Search {
  DWORD processId;
  bool sheet;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !::IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
  if (HasTabs(window) != search->sheet) return TRUE;
  search->found = window;
  return FALSE;
}

HWND Await(DWORD processId, bool sheet, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    Search search{processId, sheet};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(50ms);
  } while (std::chrono::steady_clock::now() < deadline);
  return nullptr;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM context) {
  auto* text = reinterpret_cast<std::wstring*>(context);
  if (ClassOf(child) != L"Static") return TRUE;
  const std::wstring candidate = WindowText(child);
  if (candidate.size() > text->size()) *text = candidate;
  return TRUE;
}

}  // namespace

PROCESS_INFORMATION LaunchProgram() {
  wchar_t here[MAX_PATH] = {};
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, here);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring commandLine = L"\"" + std::wstring(here, length) + L"\\skylark.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started =
      ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  return started ? process : PROCESS_INFORMATION{};
}

HWND FindSheet(DWORD processId, std::chrono::milliseconds timeout) { return Await(processId, true, timeout); }

std::wstring DismissMessage(DWORD processId, std::chrono::milliseconds timeout) {
  const HWND box = Await(processId, false, timeout);
  if (box == nullptr) return {};
  std::wstring text;
  ::EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 100 && ::IsWindow(box); ++i) std::this_thread::sleep_for(20ms);
  return text;
}

bool SaveAs(DWORD processId, const std::wstring& path, std::chrono::milliseconds timeout) {
  const HWND dialog = Await(processId, false, timeout);
  if (dialog == nullptr) return false;
  // The file name is the dialog's one edit box; the folder and type lists are drop-down lists.
  HWND name = nullptr;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM found) {
        if (ClassOf(child) != L"Edit") return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&name));
  if (name == nullptr) return false;
  Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 100 && ::IsWindow(dialog); ++i) std::this_thread::sleep_for(20ms);
  return !::IsWindow(dialog);
}

HWND ShowPage(HWND sheet, int templateId) {
  Send(sheet, PSM_SETCURSELID, 0, static_cast<LPARAM>(templateId));
  return reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Click(HWND page, int id) { ::PostMessageW(::GetDlgItem(page, id), BM_CLICK, 0, 0); }

bool Choose(HWND page, int id, const std::wstring& text) {
  const HWND list = ::GetDlgItem(page, id);
  const LRESULT index = Send(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  if (index == CB_ERR) return false;
  Send(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // Choosing from the list tells the page; setting the selection by message alone does not.
  Send(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  return true;
}

std::wstring TextOf(HWND page, int id) {
  std::wstring text = WindowText(::GetDlgItem(page, id));
  std::erase(text, L'&');
  return text;
}

bool Eventually(const std::function<bool()>& holds, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::wstring AwaitText(HWND page, int id, const std::wstring& expected, std::chrono::milliseconds timeout) {
  std::wstring text;
  Eventually([&] { return (text = TextOf(page, id)) == expected; }, timeout);
  return text;
}

void SendPortChange(HWND window, const std::wstring& device, UINT event) {
  struct {
    DEV_BROADCAST_PORT_W port;
    wchar_t rest[16];
  } change{};
  change.port.dbcp_size = sizeof(change);
  change.port.dbcp_devicetype = DBT_DEVTYP_PORT;
  device.copy(change.port.dbcp_name, std::size(change.rest));
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&change), SMTO_ABORTIFHUNG, 2000,
                        &answer);
}

bool IsEnabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }

bool CaptureWindow(HWND window, BITMAPINFOHEADER& info, std::vector<BYTE>& pixels) {
  RECT area{};
  if (!::GetWindowRect(window, &area)) return false;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  ::SelectObject(memory, previous);

  info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  pixels.assign(rowBytes * static_cast<DWORD>(height), 0);
  const int rows = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return rows == height;
}

int CountPixels(HWND window, COLORREF colour, const RECT& part) {
  BITMAPINFOHEADER info{};
  std::vector<BYTE> pixels;
  if (!CaptureWindow(window, info, pixels)) return -1;
  const DWORD rowBytes = (static_cast<DWORD>(info.biWidth) * 3 + 3) & ~3u;
  int count = 0;
  for (LONG y = std::max(0L, part.top); y < std::min(info.biHeight, part.bottom); ++y) {
    for (LONG x = std::max(0L, part.left); x < std::min(info.biWidth, part.right); ++x) {
      const BYTE* p = &pixels[(info.biHeight - 1 - y) * rowBytes + x * 3];  // bottom-up; blue, green, red
      count += RGB(p[2], p[1], p[0]) == colour ? 1 : 0;
    }
  }
  return count;
}

}  // namespace skylark::wintest
