#pragma once

#include <QApplication>
#include <QComboBox>
#include <QStringList>
#include <QTest>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "app/application.h"
#include "platform/settings_store.h"
#include "ui/ui_support.h"

// Helpers for the graphical program's tests: an in-memory settings store, a message recorder in
// place of the message box, list and button readers, and a main() that runs offscreen in private
// configuration and runtime directories.
namespace skylark::testing {

class MemorySettings : public platform::SettingsStore {
 public:
  bool ReadNumber(std::u16string_view key, std::u16string_view name, std::uint32_t& value) override;
  bool ReadText(std::u16string_view key, std::u16string_view name, std::u16string& text) override;
  bool WriteNumber(std::u16string_view key, std::u16string_view name, std::uint32_t value) override;
  bool WriteText(std::u16string_view key, std::u16string_view name, std::u16string_view text) override;

  int writes = 0;

 private:
  std::map<std::u16string, std::uint32_t> numbers_;
  std::map<std::u16string, std::u16string> texts_;
};

// Records every message the pages show, in order.
struct MessageLog {
  QStringList texts;
  ui::MessageFunction Recorder() {
    return [this](const QString& text) { texts << text; };
  }
  QString TakeLast() { return texts.isEmpty() ? QString() : texts.takeLast(); }
};

// Every entry's text of a list, in list order.
QStringList Entries(const QComboBox& list);

// A widget's text without its keyboard mnemonic.
QString Plain(const QString& text);

BeaconSite MakeSite(std::u16string region, std::u16string country, std::u16string beacon,
                    std::uint8_t rate, double frequencyKhz, std::uint16_t stationId);

// Options for an application that finds no site file and saves into `settings`.
ApplicationOptions QuietOptions(platform::SettingsStore* settings = nullptr);

// Private XDG_CONFIG_HOME and XDG_RUNTIME_DIR for the whole test program, offscreen by default.
void PrepareTestProcess();

}  // namespace skylark::testing

#define SKYLARK_UI_TEST_MAIN(TestClass)              \
  int main(int argc, char** argv) {                  \
    skylark::testing::PrepareTestProcess();          \
    QApplication app(argc, argv);                    \
    TestClass test;                                  \
    return QTest::qExec(&test, argc, argv);          \
  }
