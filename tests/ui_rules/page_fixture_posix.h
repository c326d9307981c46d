#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/application.h"
#include "tests/support/pty.h"
#include "ui/rules/sheet_rules.h"

// The sheet's rules over an Application whose COM4: is a pseudo-terminal the test plays the
// receiver on, and whose COM2: is a spare one; every other name leads nowhere.
namespace skylark::testing {

// The waits for an answer cut to a few milliseconds: no receiver answers here.
inline ApplicationOptions QuickOptions() {
  ApplicationOptions options;
  options.searchSiteFile = false;
  options.tuneWait = options.replyWait = std::chrono::milliseconds(2);
  return options;
}

class PageFixture : public ::testing::Test {
 protected:
  explicit PageFixture(ApplicationOptions options = QuickOptions()) : app_(std::move(options)) {
    for (int n = 1; n <= 9; ++n) LinkPort(n, "/nonexistent/skylark-tty");
    LinkPort(4, receiver_.SlavePath());
    LinkPort(2, spare_.SlavePath());
    app_.Monitor().Attach(&app_.Link());
  }

  ReceiverPort& Port() { return *app_.Link().InputPort(); }
  bool OpenLink() { return Port().Open(u"COM4:", AccessMode::ReadWrite); }

  TempConfigHome dirs_;
  PtyPair receiver_;
  PtyPair spare_;
  Application app_;
  rules::SheetRules sheet_{app_};
};

// The text of an outcome, "" for none.
inline std::u16string TextOf(const rules::Outcome& outcome) {
  return outcome ? outcome->text : std::u16string();
}

}  // namespace skylark::testing
