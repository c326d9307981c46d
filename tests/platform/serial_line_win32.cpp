#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <tuple>

#include "platform/serial_line.h"

namespace skylark::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Port numbers reach beyond nine here (elsewhere names stop at COM9:); what names no port is never
// opened, whatever the system would make of it.
TEST(Win32SerialLine, OnlyPortNamesAreOpened) {
  const std::pair<std::u16string_view, int> cases[] = {
      {u"COM12:", 12}, {u"com256", 256},   {u"COM9", 9},       {u"COM257:", 0},      {u"COM012:", 0},
      {u"COM1x:", 0},  {u"", 0},           {u"COM", 0},        {u"COM0:", 0},        {u"COM4::", 0},
      {u"LPT1:", 0},   {u"CON", 0},        {u"NUL", 0},        {u"4:", 0},           {u"COMA:", 0},
      {u"COM\u0664:", 0}, {u"\\\\.\\COM4", 0}, {u"C:\\Windows\\win.ini", 0}};
  for (const auto& [name, number] : cases) {
    EXPECT_EQ(PortNumber(name, 256), number) << std::wstring(name.begin(), name.end());
    if (number == 0) {
      EXPECT_EQ(OpenSerialLine(std::u16string(name), AccessMode::ReadWrite), nullptr);
    }
  }
  EXPECT_EQ(PortNumber(u"COM12:"), 0);
}

// The rest needs a port that the script maps to the simulated receiver.
class SimulatorLine : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t port[32] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"SKYLARK_TEST_COM", port, 32);
    if (length == 0 || length >= 32) GTEST_SKIP() << "SKYLARK_TEST_COM names no port mapped to the simulator";
    port_.assign(port, port + length);
  }

  std::unique_ptr<SerialLine> OpenConfigured() {
    auto line = OpenSerialLine(port_, AccessMode::ReadWrite);
    if (line && !(line->SetState({4800, 8, 0, 0, false}) && line->SetTimeouts({1, 1, 3000, 10, 1000}))) {
      line.reset();
    }
    return line;
  }

  std::u16string port_;
};

TEST_F(SimulatorLine, OpenIsExclusiveAndCloseRestoresTheLine) {
  LineState before;
  auto line = OpenSerialLine(port_, AccessMode::ReadWrite);
  ASSERT_TRUE(line && line->GetState(before) && line->Close());
  line = OpenConfigured();
  ASSERT_NE(line, nullptr);
  // Windows' serial driver refuses a second opener of a port; Wine does not enforce share mode
  // 0 on devices, so there the check would only measure Wine.
  if (!RunningUnderWine()) {
    EXPECT_EQ(OpenSerialLine(port_, AccessMode::Read), nullptr);
  }
  LineState state;
  ASSERT_TRUE(line->GetState(state));
  EXPECT_EQ(std::tuple(state.baudRate, state.byteSize, state.parity, state.stopBits),
            std::tuple(4800u, 8u, 0u, 0u));
  ASSERT_TRUE(line->SetState({before.baudRate == 9600 ? 2400u : 9600u, 8, 0, 0, false}));
  EXPECT_TRUE(line->Close());
  EXPECT_TRUE(line->Close());
  line = OpenSerialLine(port_, AccessMode::ReadWrite);
  ASSERT_TRUE(line && line->GetState(state));
  EXPECT_EQ(state.baudRate, before.baudRate);
}

TEST_F(SimulatorLine, AnInterruptEndsReadsWithoutClosingTheLine) {
  auto line = OpenConfigured();
  ASSERT_NE(line, nullptr);
  line->InterruptReads(true);
  std::uint8_t buffer[16];
  std::size_t got = 0;
  const auto start = Clock::now();
  EXPECT_EQ(line->Read(buffer, sizeof buffer, got), SerialLine::ReadResult::Done);
  EXPECT_LT(Clock::now() - start, milliseconds(1000)) << "not the 3 s read time-out";
  const std::uint8_t command[] = {'$', 'P', 'C', 'S', 'I', ',', '1', '\r', '\n'};
  std::size_t written = 0;
  EXPECT_TRUE(line->Write(command, sizeof command, written));
  line->InterruptReads(false);
  EXPECT_EQ(line->Read(buffer, sizeof buffer, got), SerialLine::ReadResult::Done);
}

TEST_F(SimulatorLine, CloseEndsABlockedRead) {
  auto line = OpenConfigured();
  ASSERT_NE(line, nullptr);
  std::thread reader([&] {
    std::uint8_t buffer[16];
    std::size_t got = 0;
    while (line->Read(buffer, sizeof buffer, got) == SerialLine::ReadResult::Done) {
    }
  });
  std::this_thread::sleep_for(milliseconds(100));
  const auto start = Clock::now();
  EXPECT_TRUE(line->Close());
  // Close returns once the read has let go of the handle; the reader then leaves its loop.
  reader.join();
  // At worst the read runs into its 3 s time-out (plus 16 x 1 ms).
  EXPECT_LT(Clock::now() - start, milliseconds(3500));
}

}  // namespace
}  // namespace skylark::platform
