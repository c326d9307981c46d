#pragma once

#include <windows.h>

#include "ui/rules/sheet_rules.h"
#include "ui/win32/hidden_window.h"
#include "ui/win32/page_views.h"

namespace skylark::win32ui {

// The property sheet "Trekline Beacon Configuration": the three pages with OK and Cancel and no
// Apply button, owned by the hidden window, which hands it the two notifications.
class SheetView final : public NotificationTarget {
 public:
  explicit SheetView(rules::SheetRules& sheet);

  // Runs the modal sheet, opening on the Configuration page; returns once it has closed.
  void Run(HINSTANCE instance, HWND hiddenWindow);

  void onSiteChanged() override;
  void onStatusChanged() override;
  void onPortRemoved(std::u16string_view device) override;
  void onPortArrived() override;

 private:
  void Refresh(rules::PageList pages);

  rules::SheetRules& sheet_;
  ConfigurationView configuration_;
  TuneView tune_;
  StatusView status_;
};

}  // namespace skylark::win32ui
