// skylark-screenshots-windows FOLDER: run from the folder of skylark.exe and its site file, with
// the simulated receiver on COM12 hearing Agigea, it opens the port, tunes by site as a user
// would, records the signal log to FOLDER\route.csv, and writes the three pages to
// FOLDER\windows-<page>.bmp.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/win32_ui/sheet_driver_win32.h"
#include "ui/win32/resource_ids.h"

namespace {

using namespace skylark::wintest;

// What the screen shows of a window, as a 24-bit BMP file; false when that fails.
bool SaveWindowImage(HWND window, const std::wstring& path) {
  BITMAPINFOHEADER info{};
  std::vector<BYTE> pixels;
  if (!CaptureWindow(window, info, pixels)) return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = ::_wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                       std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}

bool Said(const char* why) {
  std::fprintf(stderr, "skylark-screenshots-windows: %s\n", why);
  return false;
}

// Takes the sheet to a tuned, locked receiver; false, having said why, when it does not get there.
bool Tune(DWORD program, HWND sheet, const std::wstring& folder) {
  const HWND configuration = ShowPage(sheet, IDD_CONFIGURATION);
  // No port is stored: the first start looks for the receiver and says where it answered.
  if (DismissMessage(program, 20s).rfind(L"A receiver answered on ", 0) != 0) return Said("no receiver was found");
  if (!Choose(configuration, IDC_INPUT_LIST, L"COM12:")) return Said("no COM12: in the list");
  Click(configuration, IDC_INPUT_OPEN);
  if (DismissMessage(program, 20s) != L"Beacon connected for reading and writing.") return Said("COM12: did not open");
  const HWND tune = ShowPage(sheet, IDD_TUNE);
  Click(tune, IDC_TUNE_BY_SITE);
  for (int i = 0; i < 50 && !IsEnabled(tune, IDC_REGION_LIST); ++i) ::Sleep(20);
  if (!Choose(tune, IDC_REGION_LIST, L"Europe") || !Choose(tune, IDC_COUNTRY_LIST, L"Romania") ||
      !Choose(tune, IDC_BEACON_LIST, L"Agigea")) {
    return Said("Agigea is not in the site lists");
  }
  Click(tune, IDC_TUNE);
  if (DismissMessage(program, 20s) != L"Beacon Tuned Successfully!") return Said("the tune failed");
  const HWND status = ShowPage(sheet, IDD_STATUS);
  if (AwaitText(status, IDC_SNR_FIELD, L"20", 15s) != L"20") return Said("no reading came");
  // The signal log in the pictures' folder, filling as the chart does.
  Click(status, IDC_RECORD);
  if (!SaveAs(program, folder + L"\\route.csv", 20s)) return Said("the signal log was not started");
  ::Sleep(20000);  // lines that reach out of the lock marker
  return true;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 2) {
    std::fputs("usage: skylark-screenshots-windows FOLDER\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[1];
  ::LocalFree(argv);
  const PROCESS_INFORMATION program = LaunchProgram();
  if (program.hProcess == nullptr) {
    Said("skylark.exe did not start");
    return 1;
  }
  const HWND sheet = FindSheet(program.dwProcessId, 20s);
  bool taken = sheet != nullptr ? Tune(program.dwProcessId, sheet, folder) : Said("skylark.exe showed no sheet");
  for (const auto& [page, name] : {std::pair{IDD_CONFIGURATION, L"configuration"}, std::pair{IDD_TUNE, L"tune"},
                                   std::pair{IDD_STATUS, L"status"}}) {
    if (!taken) break;
    ShowPage(sheet, page);
    ::Sleep(300);  // the page paints itself
    taken = SaveWindowImage(sheet, folder + L"\\windows-" + name + L".bmp") || Said("a picture could not be written");
  }
  if (sheet != nullptr) ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  if (::WaitForSingleObject(program.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(program.hProcess, 1);
  return taken ? 0 : 1;
}
