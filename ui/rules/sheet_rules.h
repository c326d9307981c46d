#pragma once

#include <algorithm>
#include <iterator>
#include <span>

#include "app/application.h"
#include "ui/rules/configuration_rules.h"
#include "ui/rules/status_rules.h"
#include "ui/rules/tune_rules.h"

namespace skylark::rules {

// The pages in the order the sheet shows them: a view's tab at position i holds kSheetPages[i].
inline constexpr ActivePage kSheetPages[] = {kConfigurationPage, kTunePage, kStatusPage};
// The position of `page`'s tab.
constexpr int TabOf(ActivePage page) {
  return static_cast<int>(std::find(std::begin(kSheetPages), std::end(kSheetPages), page) - std::begin(kSheetPages));
}

// The sheet's own controls, around the pages, that a running tune may lock.
enum class SheetControl { OkButton, CancelButton, PageTabs, ConfigurationPage };
inline constexpr SheetControl kSheetControls[] = {SheetControl::OkButton, SheetControl::CancelButton,
                                                  SheetControl::PageTabs, SheetControl::ConfigurationPage};

// The pages a view shows again after a notification, in that order.
using PageList = std::span<const ActivePage>;

// The property sheet: its three pages, which of them is up, the two notifications and OK and
// Cancel. A view creates one, shows the first page with Activate(kConfigurationPage) and calls
// Activate again whenever the user turns to another page.
class SheetRules {
 public:
  explicit SheetRules(Application& app);

  ConfigurationRules& Configuration() { return configuration_; }
  TuneRules& Tune() { return tune_; }
  StatusRules& Status() { return status_; }

  // `page` becomes the one shown: initialised the first time, then activated.
  void Activate(ActivePage page);

  // The worker threads' notifications, delivered on the main thread; each answers which pages
  // the view must show again.
  PageList OnSiteChanged();
  PageList OnStatusChanged();

  // While a tune, a Test, a Scan or an Update runs the sheet cannot be left: OK, Cancel and the
  // close box do nothing.
  bool Busy() const { return tune_.Tuning() || configuration_.Working() || status_.Updating(); }
  // Whether `control` is disabled now: while busy, the sheet cannot be left, nor another page
  // turned to, nor the port changed under the tune.
  bool Locked(SheetControl control) const;
  // A port lost since the last call, named with the reason and, while it is tried again, the
  // wait for it, once: the view shows it after the pages (OnSiteChanged then answers all three).
  Outcome TakePortLoss();
  // The system reported a serial port's device gone or added ("COM12"): the Configuration page
  // lists the ports present again, and answers that it is the page to show again. The open
  // port's loss comes back as above.
  PageList DeviceRemoved(std::u16string_view device);
  PageList DeviceArrived();
  // OK: saves the settings and ends the signal log's recording; false (nothing done) while busy.
  // The view then closes the window and the program shuts the application down once it is gone:
  // the shutdown talks to the receiver for seconds, and the user should not watch a frozen window
  // meanwhile. The window closes even when the settings could not be stored; SaveMessage() then
  // says so.
  bool Accept();
  const Outcome& SaveMessage() const { return saveMessage_; }
  // Cancel, Esc or the close box: leaves without saving, ending the recording; false (nothing
  // done) while busy.
  bool Reject();

 private:
  Application& app_;
  ConfigurationRules configuration_;
  TuneRules tune_;
  StatusRules status_;
  Outcome saveMessage_;
};

}  // namespace skylark::rules
