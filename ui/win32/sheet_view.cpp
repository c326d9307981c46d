#include "ui/win32/sheet_view.h"

#include <array>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {

namespace {

// Owned by the hidden window, the sheet would have no taskbar button of its own without
// WS_EX_APPWINDOW; it is set before the sheet is first shown.
int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    ::SetWindowLongPtrW(sheet, GWL_EXSTYLE, ::GetWindowLongPtrW(sheet, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  }
  return 0;
}

}  // namespace

SheetView::SheetView(rules::SheetRules& sheet) : sheet_(sheet), configuration_(sheet), tune_(sheet), status_(sheet) {}

void SheetView::Run(HINSTANCE instance, HWND hiddenWindow) {
  std::array<PROPSHEETPAGEW, 3> pages{configuration_.Record(instance), tune_.Record(instance),
                                      status_.Record(instance)};
  const std::wstring caption = Wide(resources::LoadText(resources::kCaption));
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEHICON | PSH_USECALLBACK;
  header.hwndParent = hiddenWindow;
  header.hInstance = instance;
  header.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_SKYLARK));
  header.pfnCallback = SheetCallback;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  header.ppsp = pages.data();
  SetNotificationTarget(hiddenWindow, this);
  ::PropertySheetW(&header);
  SetNotificationTarget(hiddenWindow, nullptr);
}

void SheetView::onSiteChanged() {
  Refresh(sheet_.OnSiteChanged());
  // The sheet opens on the Configuration page, so that page always knows the sheet.
  ShowOutcome(configuration_.SheetWindow(), sheet_.TakePortLoss());
}

// The open port's loss comes back as a site-changed notification, as after a failed read.
void SheetView::onPortRemoved(std::u16string_view device) { sheet_.DeviceRemoved(device); }

void SheetView::onStatusChanged() { Refresh(sheet_.OnStatusChanged()); }

void SheetView::Refresh(rules::PageList pages) {
  for (const rules::SheetPageIndex index : pages) {
    switch (index) {
      case rules::kConfigurationTab: configuration_.Refresh(); break;
      case rules::kTuneTab: tune_.Refresh(); break;
      case rules::kStatusTab: status_.Refresh(); break;
    }
  }
}

}  // namespace skylark::win32ui
