#include <windows.h>

#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "tests/win32_ui/sheet_driver_win32.h"
#include "ui/win32/resource_ids.h"

// skylark.exe as a user meets it, against the simulated receiver on COM4 hearing only Agigea
// (Romania, station 554, 296.5 kHz, 200 bps, SNR 20), whose ID no other site shares. The cases
// run in order on one running program: each goes on from where the one before left the sheet.
namespace skylark::wintest {
namespace {

// Gives the simulated receiver a command line ("silence on"); false when the test has no way
// to reach it.
bool TellSimulator(const std::string& command) {
  const wchar_t* input = _wgetenv(L"SKYLARK_SIM_INPUT");
  if (input == nullptr) return false;
  // Opened for reading too, so that a pipe that is not there is not made a file.
  std::fstream pipe(std::filesystem::path(input), std::ios::in | std::ios::out | std::ios::binary);
  return pipe.is_open() && (pipe << command << '\n').flush().good();
}

// The exit code; -1 when it did not end within the time.
int AwaitExit(const PROCESS_INFORMATION& process, DWORD timeoutMs) {
  if (::WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
}

std::wstring ReadSetting(const wchar_t* name) {
  wchar_t text[256] = {};
  DWORD number = 0, type = 0, size = sizeof(text);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Corvane\\Skylark", name, RRF_RT_ANY, &type, text, &size) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  if (type != REG_DWORD) return text;
  std::memcpy(&number, text, sizeof(number));
  return std::to_wstring(number);
}

class WindowsSheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Corvane\\Skylark");
    program_ = LaunchProgram();
    sheet_ = FindSheet(program_.dwProcessId, 20s);
  }
  static void TearDownTestSuite() {
    if (program_.hProcess == nullptr) return;
    if (AwaitExit(program_, 0) < 0) ::TerminateProcess(program_.hProcess, 1);
    ::CloseHandle(program_.hThread);
    ::CloseHandle(program_.hProcess);
  }
  void SetUp() override { ASSERT_NE(sheet_, nullptr) << "the sheet did not appear"; }

  std::wstring AwaitMessage() { return DismissMessage(program_.dwProcessId, 20s); }

  // Work off the main thread locks the sheet (OK first), and the sheet still answers.
  static void ExpectLockedButAnswering() {
    const HWND ok = ::GetDlgItem(sheet_, IDOK);
    EXPECT_TRUE(Eventually([&] { return !::IsWindowEnabled(ok); }, 1s));
    DWORD_PTR answer = 0;
    EXPECT_NE(::SendMessageTimeoutW(sheet_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &answer), 0);
  }

  static PROCESS_INFORMATION program_;
  static HWND sheet_;
};

PROCESS_INFORMATION WindowsSheet::program_{};
HWND WindowsSheet::sheet_ = nullptr;

TEST_F(WindowsSheet, OpensOnTheConfigurationPageWithTheCaption) {
  wchar_t caption[128] = {};
  ::GetWindowTextW(sheet_, caption, 128);
  EXPECT_STREQ(caption, L"Trekline Beacon Configuration");
  constexpr int kApplyButton = 0x3021;
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet_, kApplyButton))) << "OK and Cancel only";
  // Centred on its screen, with a minimise box and no "?" button.
  EXPECT_NE(::GetWindowLongPtrW(sheet_, GWL_STYLE) & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(::GetWindowLongPtrW(sheet_, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
  RECT area{}, work{};
  ::GetWindowRect(sheet_, &area);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR(area.left + area.right, work.left + work.right, 2);
  EXPECT_NEAR(area.top + area.bottom, work.top + work.bottom, 2);
  const HWND page = ShowPage(sheet_, IDD_CONFIGURATION);
  EXPECT_EQ(TextOf(page, IDC_INPUT_GROUP), L"Input and Output Port");
  EXPECT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Open Port");
  EXPECT_FALSE(IsEnabled(page, IDC_OUTPUT_OPEN));
  // No port stored: the first start looks for the receiver and chooses the port it answered on.
  const std::wstring found = AwaitMessage();
  EXPECT_EQ(found.rfind(L"A receiver answered on " + TextOf(page, IDC_INPUT_LIST) + L" (", 0), 0u) << found;
}

TEST_F(WindowsSheet, SecondInstanceEndsAtOnceWithStatusZero) {
  const PROCESS_INFORMATION second = LaunchProgram();
  ASSERT_NE(second.hProcess, nullptr);
  EXPECT_EQ(AwaitExit(second, 10000), 0);
  ::CloseHandle(second.hThread);
  ::CloseHandle(second.hProcess);
  EXPECT_TRUE(::IsWindow(sheet_)) << "the running instance is left alone";
}

// A USB adapter beyond COM9, listed from the system's serial-port map (the script names COM12).
TEST_F(WindowsSheet, OpensCom12) {
  const HWND page = ShowPage(sheet_, IDD_CONFIGURATION);
  ASSERT_TRUE(Choose(page, IDC_INPUT_LIST, L"COM12:"));
  EXPECT_EQ(TextOf(page, IDC_INPUT_DEVICE), L"USB Serial Port (COM12)");
  // The Test waits for the receiver's answer off the main thread.
  Click(page, IDC_INPUT_TEST);
  ExpectLockedButAnswering();
  EXPECT_EQ(AwaitMessage().rfind(L"Able to open port for reading and writing.", 0), 0u);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet_, IDOK)));
  // The focus is back on Test, so that Enter tests again rather than pressing OK.
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  const HWND test = ::GetDlgItem(page, IDC_INPUT_TEST);
  EXPECT_TRUE(Eventually([&] { return ::GetGUIThreadInfo(program_.dwThreadId, &gui) && gui.hwndFocus == test; }, 1s));

  Click(page, IDC_INPUT_OPEN);
  EXPECT_EQ(AwaitMessage(), L"Beacon connected for reading and writing.");
  EXPECT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Close Port");
  EXPECT_FALSE(IsEnabled(page, IDC_INPUT_TEST));
}

TEST_F(WindowsSheet, TunesBySite) {
  const HWND tune = ShowPage(sheet_, IDD_TUNE);
  // The labels come from the string table, mnemonics and all.
  wchar_t label[64] = {};
  ::GetDlgItemTextW(tune, IDC_TUNE_BY_SITE, label, 64);
  EXPECT_STREQ(label, L"Tune by &Site:");
  // The arrow keys go round the three radio buttons and nothing else.
  HWND radio = ::GetDlgItem(tune, IDC_TUNE_AUTOMATIC);
  for (const int id : {IDC_TUNE_BY_FREQUENCY, IDC_TUNE_BY_SITE, IDC_TUNE_AUTOMATIC}) {
    radio = ::GetNextDlgGroupItem(tune, radio, FALSE);
    EXPECT_EQ(radio, ::GetDlgItem(tune, id)) << id;
  }
  Click(tune, IDC_TUNE_BY_SITE);
  ASSERT_TRUE(Eventually([&] { return IsEnabled(tune, IDC_REGION_LIST); }, 1s));
  EXPECT_FALSE(IsEnabled(tune, IDC_FREQUENCY_LIST));
  ASSERT_TRUE(Choose(tune, IDC_REGION_LIST, L"Europe"));
  ASSERT_TRUE(Choose(tune, IDC_COUNTRY_LIST, L"Romania"));
  ASSERT_TRUE(Choose(tune, IDC_BEACON_LIST, L"Agigea"));
  Click(tune, IDC_TUNE);
  // The tune runs off the main thread (and so the sheet repaints).
  ExpectLockedButAnswering();
  EXPECT_FALSE(IsEnabled(tune, IDC_TUNE));
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(tune, IDC_TUNING)));
  EXPECT_EQ(AwaitMessage(), L"Beacon Tuned Successfully!");
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet_, IDOK)));

  const HWND status = ShowPage(sheet_, IDD_STATUS);
  EXPECT_EQ(TextOf(status, IDC_SITE_FIELD), L"Agigea");
  EXPECT_EQ(TextOf(status, IDC_FREQUENCY_FIELD), L"296.5 kHz");
  EXPECT_EQ(TextOf(status, IDC_RATE_FIELD), L"200 bps");
  EXPECT_EQ(TextOf(status, IDC_STATION_FIELD), L"554");
  EXPECT_EQ(AwaitText(status, IDC_LOCKED_FIELD, L"Yes", 10s), L"Yes");
  EXPECT_EQ(AwaitText(status, IDC_SNR_FIELD, L"20", 5s), L"20");
  // The readings reach the chart: the first lock after the tune marked (over the lines' first
  // seconds) in its own green at SNR 20, in the upper half, where no label is drawn in green (the
  // chart begins at the first reading, so the mark is at its left).
  const HWND chart = ::GetDlgItem(status, IDC_SIGNAL_CHART);
  RECT size{};
  ::GetClientRect(chart, &size);
  const RECT upper{0, 0, size.right, size.bottom / 2};
  EXPECT_TRUE(Eventually([&] { return CountPixels(chart, RGB(0x2e, 0x7d, 0x32), upper) > 0; }, 2s));
}

TEST_F(WindowsSheet, TunesAutomatically) {
  const HWND tune = ShowPage(sheet_, IDD_TUNE);
  Click(tune, IDC_TUNE_AUTOMATIC);
  EXPECT_TRUE(Eventually([&] { return !IsEnabled(tune, IDC_REGION_LIST); }, 1s));
  Click(tune, IDC_TUNE);
  EXPECT_EQ(AwaitMessage(), L"Beacon Tuned Successfully!");
  // The receiver finds the one station it hears, and the monitor names it from its ID once locked.
  EXPECT_EQ(AwaitText(ShowPage(sheet_, IDD_STATUS), IDC_SITE_FIELD, L"Agigea", 15s), L"Agigea");
}

// Record asks for a file and writes the readings to it, saying how many, until pressed again.
TEST_F(WindowsSheet, RecordsTheReadingsToTheFileChosen) {
  const HWND status = ShowPage(sheet_, IDD_STATUS);
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
  Click(status, IDC_RECORD);
  ASSERT_TRUE(SaveAs(program_.dwProcessId, std::wstring(folder) + L"route.csv", 20s));
  const std::wstring two = L"Recording to route.csv, rows written: 2";
  EXPECT_EQ(AwaitText(status, IDC_LOG_FIELD, two, 10s), two);
  Click(status, IDC_RECORD);
  EXPECT_EQ(AwaitText(status, IDC_RECORD, L"Record...", 2s), L"Record...");
}

TEST_F(WindowsSheet, GreysTheHealthValuesWhileTheReceiverIsSilent) {
  const HWND status = ShowPage(sheet_, IDD_STATUS);
  if (!TellSimulator("silence on")) GTEST_SKIP() << "SKYLARK_SIM_INPUT does not reach the simulator";
  const auto greyed = [&] { return !IsEnabled(status, IDC_SNR_FIELD) && !IsEnabled(status, IDC_LOCKED_FIELD); };
  EXPECT_TRUE(Eventually(greyed, 10s));
  EXPECT_EQ(TextOf(status, IDC_HEALTH_AGE).rfind(L"No reading for ", 0), 0u) << TextOf(status, IDC_HEALTH_AGE);
  EXPECT_EQ(TextOf(status, IDC_STATE_FIELD), L"No Data");
  // Update asks once and says that nothing answered.
  Click(status, IDC_UPDATE);
  ExpectLockedButAnswering();
  EXPECT_EQ(AwaitMessage(), L"The receiver did not answer the status query within 2 s.");

  ASSERT_TRUE(TellSimulator("silence off"));
  EXPECT_EQ(AwaitText(status, IDC_STATE_FIELD, L"Receiving", 5s), L"Receiving");
  EXPECT_TRUE(IsEnabled(status, IDC_SNR_FIELD));  // shown with the state, by the same reading
}

// Windows tells every top-level window that a port's device went; only the open port's closes.
TEST_F(WindowsSheet, ClosesThePortWhoseDeviceWasRemoved) {
  const HWND page = ShowPage(sheet_, IDD_CONFIGURATION);
  ASSERT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Close Port");
  const auto remove = [](const wchar_t* device) {
    SendPortChange(::GetWindow(sheet_, GW_OWNER), device, DBT_DEVICEREMOVECOMPLETE);
  };
  remove(L"COM1");
  Sleep(300);
  EXPECT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Close Port");
  remove(L"com12");
  const std::wstring lost = AwaitMessage();
  EXPECT_EQ(lost.rfind(L"Port COM12: was lost and has been closed.", 0), 0u);
  EXPECT_NE(lost.find(L"Waiting for COM12: to come back."), std::wstring::npos) << lost;
  // Its device never went: it is back within the 2 s between tries, and Close Port closes it.
  EXPECT_TRUE(Eventually([&] { return TextOf(page, IDC_PORT_NOTE).starts_with(L"COM12: is back."); }, 5s))
      << TextOf(page, IDC_PORT_NOTE);
  EXPECT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Close Port");
  Click(page, IDC_INPUT_OPEN);
  EXPECT_EQ(AwaitMessage(), L"Port closed for reading and writing.");
  EXPECT_EQ(TextOf(page, IDC_INPUT_OPEN), L"Open Port");
  EXPECT_EQ(TextOf(page, IDC_PORT_NOTE), L"");
}

// A port added lists them all again, unprobed, as a Scan had not; the choice stays.
TEST_F(WindowsSheet, APortAddedListsThePortsAgain) {
  const HWND page = ShowPage(sheet_, IDD_CONFIGURATION);
  const auto count = [&] { return ::SendDlgItemMessageW(page, IDC_INPUT_LIST, CB_GETCOUNT, 0, 0); };
  Click(page, IDC_SCAN);
  Sleep(200);
  Eventually([&] { return ::IsWindowEnabled(::GetDlgItem(sheet_, IDOK)) != FALSE; }, 10s);
  ASSERT_LT(count(), 10) << "COM1: to COM9: do not all open here";
  SendPortChange(::GetWindow(sheet_, GW_OWNER), L"COM12", DBT_DEVICEARRIVAL);
  EXPECT_EQ(count(), 10);
  EXPECT_EQ(TextOf(page, IDC_INPUT_LIST), L"COM12:");
}

// OK ends the sheet at once and then talks the receiver down for seconds; a start meanwhile
// waits for that and opens, and the first one's settings are saved.
TEST_F(WindowsSheet, OkSavesTheSettingsAndEndsAndAStartMeanwhileOpens) {
  const HWND page = ShowPage(sheet_, IDD_CONFIGURATION);
  Click(page, IDC_INPUT_OPEN);
  ASSERT_EQ(AwaitMessage(), L"Beacon connected for reading and writing.");
  ::PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_OK, 0);
  ASSERT_TRUE(Eventually([&] { return !::IsWindow(sheet_); }, 5s));
  const PROCESS_INFORMATION second = LaunchProgram();
  ASSERT_NE(second.hProcess, nullptr);
  EXPECT_EQ(AwaitExit(program_, 0), -1) << "the first one was still ending";
  const HWND secondSheet = FindSheet(second.dwProcessId, 30s);
  EXPECT_NE(secondSheet, nullptr);
  if (secondSheet != nullptr) ::PostMessageW(secondSheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  EXPECT_EQ(AwaitExit(second, 20000), 0);
  ::CloseHandle(second.hThread);
  ::CloseHandle(second.hProcess);
  EXPECT_EQ(AwaitExit(program_, 20000), 0);
  const std::array<std::pair<const wchar_t*, std::wstring>, 5> expected{{
      {L"TuneMode", L"0"},
      {L"BeaconToDevicePort", L"COM12:"},
      {L"DeviceToBeaconPort", L"COM12:"},
      {L"Beacon", L"Agigea"},
      {L"Frequency", L"29650"},
  }};
  for (const auto& [name, value] : expected) EXPECT_EQ(ReadSetting(name), value) << name;
}

}  // namespace
}  // namespace skylark::wintest
