#include "ui/win32/sheet_view.h"

#include <algorithm>
#include <array>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {

namespace {

// The head of the DLGTEMPLATEEX form, which Windows' headers leave undeclared.
struct ExtendedTemplateHead {
  WORD version;
  WORD signature;
  DWORD helpId;
  DWORD exStyle;
  DWORD style;
};

// The style of the sheet's own template, which PSCB_PRECREATE hands over in either form.
DWORD& TemplateStyle(LPARAM sheetTemplate) {
  auto* extended = reinterpret_cast<ExtendedTemplateHead*>(sheetTemplate);
  if (extended->signature == 0xFFFF) return extended->style;
  return reinterpret_cast<DLGTEMPLATE*>(sheetTemplate)->style;
}

// Centred on the screen it opens on, as a dialog box is.
void Centre(HWND sheet) {
  RECT area{};
  ::GetWindowRect(sheet, &area);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(sheet, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  ::SetWindowPos(sheet, nullptr, work.left + std::max<int>(0, (work.right - work.left - width) / 2),
                 work.top + std::max<int>(0, (work.bottom - work.top - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE && lParam != 0) {
    // The sheet stays open while the user watches the Status page: it can be minimised. It has
    // no help to give, so no "?" button.
    DWORD& style = TemplateStyle(lParam);
    style = (style | WS_MINIMIZEBOX) & ~static_cast<DWORD>(DS_CONTEXTHELP);
  } else if (message == PSCB_INITIALIZED) {
    // Owned by the hidden window, the sheet would have no taskbar button of its own without
    // WS_EX_APPWINDOW, and would open at that window's corner; both are mended before the sheet
    // is first shown.
    ::SetWindowLongPtrW(sheet, GWL_EXSTYLE, ::GetWindowLongPtrW(sheet, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    Centre(sheet);
  }
  return 0;
}

}  // namespace

SheetView::SheetView(rules::SheetRules& sheet) : sheet_(sheet), configuration_(sheet), tune_(sheet), status_(sheet) {}

void SheetView::Run(HINSTANCE instance, HWND hiddenWindow) {
  // In the order of rules::kSheetPages.
  std::array<PROPSHEETPAGEW, 3> pages{configuration_.Record(instance), tune_.Record(instance),
                                      status_.Record(instance)};
  const std::wstring caption = Wide(resources::LoadText(resources::kCaption));
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP | PSH_USEHICON | PSH_USECALLBACK;
  header.hwndParent = hiddenWindow;
  header.hInstance = instance;
  header.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_SKYLARK));
  header.pfnCallback = SheetCallback;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = rules::TabOf(kConfigurationPage);
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
void SheetView::onPortRemoved(std::u16string_view device) { Refresh(sheet_.DeviceRemoved(device)); }

void SheetView::onPortArrived() { Refresh(sheet_.DeviceArrived()); }

void SheetView::onStatusChanged() { Refresh(sheet_.OnStatusChanged()); }

void SheetView::Refresh(rules::PageList pages) {
  // A control that is disabled loses the focus: which one had it is taken first.
  const HWND focused = ::GetFocus();
  for (const ActivePage page : pages) {
    switch (page) {
      case kConfigurationPage: configuration_.Refresh(); break;
      case kTunePage: tune_.Refresh(); break;
      case kStatusPage: status_.Refresh(); break;
    }
  }
  const HWND sheet = configuration_.SheetWindow();
  if (sheet != nullptr && focused != nullptr && !::IsWindowEnabled(focused)) {
    KeepFocus(PropSheet_GetCurrentPageHwnd(sheet), focused);
  }
}

}  // namespace skylark::win32ui
