#include "ui/win32/page_view.h"

#include <utility>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"

namespace skylark::win32ui {

PageView::PageView(rules::SheetRules& sheet, ActivePage page, int templateId, int titleId,
                   std::span<const ControlText> labels)
    : sheet_(sheet),
      page_(page),
      templateId_(templateId),
      title_(Wide(resources::LoadText(titleId))),
      labels_(labels) {}

PageView::~PageView() {
  if (worker_.joinable()) worker_.join();
}

PROPSHEETPAGEW PageView::Record(HINSTANCE instance) {
  PROPSHEETPAGEW record{};
  record.dwSize = sizeof(record);
  record.dwFlags = PSP_USETITLE;
  record.hInstance = instance;
  record.pszTemplate = MAKEINTRESOURCEW(templateId_);
  record.pszTitle = title_.c_str();
  record.pfnDlgProc = DialogProc;
  record.lParam = reinterpret_cast<LPARAM>(this);
  return record;
}

void PageView::Refresh() {
  if (dialog_ != nullptr) Show();
}

void PageView::ShowSheetLocks() {
  const HWND sheet = ::GetParent(dialog_);
  if (sheet == nullptr) return;
  for (const rules::SheetControl control : rules::kSheetControls) {
    HWND window = nullptr;
    switch (control) {
      case rules::SheetControl::OkButton: window = ::GetDlgItem(sheet, IDOK); break;
      case rules::SheetControl::CancelButton:
        window = ::GetDlgItem(sheet, IDCANCEL);
        // The close box is Cancel too.
        ::EnableMenuItem(::GetSystemMenu(sheet, FALSE), SC_CLOSE,
                         MF_BYCOMMAND | (sheet_.Locked(control) ? MF_GRAYED : MF_ENABLED));
        break;
      case rules::SheetControl::PageTabs: window = PropSheet_GetTabControl(sheet); break;
      case rules::SheetControl::ConfigurationPage:
        window = PropSheet_IndexToHwnd(sheet, rules::TabOf(kConfigurationPage));
        break;
    }
    if (window != nullptr) ::EnableWindow(window, sheet_.Locked(control) ? FALSE : TRUE);
  }
}

void PageView::RunOffThread(int id, std::function<bool()> work, std::function<rules::Outcome(bool)> finish) {
  if (worker_.joinable()) worker_.join();
  actingControl_ = id;
  finish_ = std::move(finish);
  ShowSheetLocks();
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const HWND dialog = dialog_;
  // The result comes back through the page's message queue, after the notifications the work
  // posted.
  worker_ = std::thread([work = std::move(work), dialog] {
    const bool result = work();
    ::PostMessageW(dialog, kActionFinished, result ? 1 : 0, 0);
  });
}

void PageView::FinishOffThread(bool result) {
  if (worker_.joinable()) worker_.join();
  const rules::Outcome outcome = std::exchange(finish_, nullptr)(result);
  Show();
  ShowSheetLocks();
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ShowOutcome(::GetParent(dialog_), outcome);
  ReturnFocus(dialog_, actingControl_);
}

INT_PTR CALLBACK PageView::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* view = reinterpret_cast<PageView*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(view));
    view->dialog_ = dialog;
    for (const auto& [control, text] : view->labels_) SetControlText(dialog, control, resources::LoadText(text));
    ScalePicture(dialog);
    // The rules fill the controls when the page first becomes active, which follows at once.
    return FALSE;
  }
  auto* view = reinterpret_cast<PageView*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (view == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return view->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_TIMER:
      view->OnTimer();
      return TRUE;
    case kActionFinished:
      if (view->finish_) view->FinishOffThread(wParam != 0);
      return TRUE;
    case WM_SETCURSOR:
      // While the receiver is being tuned the pointer says so wherever it is on the page.
      if (!view->sheet_.Busy()) return FALSE;
      ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
      ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_NOTIFY:
      return view->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DPICHANGED_AFTERPARENT:
      ScalePicture(dialog);
      return TRUE;
    case WM_DESTROY:
      ReleasePicture(dialog);
      view->dialog_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR PageView::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case PSN_SETACTIVE:
      // OK is the default again, whatever a page before made it (see KeepFocus).
      ::SendMessageW(::GetParent(dialog_), DM_SETDEFID, IDOK, 0);
      sheet_.Activate(page_);
      Show();
      OnShown(true);
      break;
    case PSN_KILLACTIVE:
      OnShown(false);
      break;
    case PSN_APPLY:
      // OK is disabled while busy; this also holds for a press that was already on its way.
      if (sheet_.Busy()) {
        ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        return TRUE;
      }
      OnOk();
      break;
    case PSN_QUERYCANCEL:
      // Esc and the close box reach Cancel even while it is disabled: the sheet stays.
      ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, sheet_.Busy() ? TRUE : FALSE);
      return TRUE;
    case PSN_RESET:
      OnCancel();
      break;
    default:
      return FALSE;
  }
  // The page accepts the activation, its end, OK or Cancel.
  ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 0);
  return TRUE;
}

}  // namespace skylark::win32ui
