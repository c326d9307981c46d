#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <span>
#include <string>
#include <thread>

#include "ui/rules/sheet_rules.h"

namespace skylark::win32ui {

// A control whose text is a string-table entry, given when the page is made.
struct ControlText {
  int control;
  int text;
};

// One page of the sheet as a native dialog: a thin view of its page rules. It forwards the
// user's actions to the rules and, after each, copies what the rules say into the controls;
// it decides nothing itself.
class PageView {
 public:
  PageView(rules::SheetRules& sheet, ActivePage page, int templateId, int titleId,
           std::span<const ControlText> labels);
  virtual ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // The record the sheet builds this page from.
  PROPSHEETPAGEW Record(HINSTANCE instance);
  // Shows the rules' present state; nothing until the user has first opened the page.
  void Refresh();
  // The sheet that holds the page; null until the page has first been opened.
  HWND SheetWindow() const { return dialog_ != nullptr ? ::GetParent(dialog_) : nullptr; }

 protected:
  virtual void Show() = 0;
  // A control's notification; false when the page does not handle it.
  virtual bool OnCommand(int id, int code) = 0;
  // OK and Cancel reach every page the user has opened; the Configuration page acts on them.
  virtual void OnOk() {}
  virtual void OnCancel() {}
  // The page became the one shown, or stopped being it.
  virtual void OnShown(bool) {}
  virtual void OnTimer() {}
  // Runs `work` (a tune, an Update, a Scan, a Test, a Find) on the page's worker thread while the sheet stays locked
  // and keeps repainting; `finish` then ends it on the main thread with the message to show,
  // and the focus goes back to control `id`.
  void RunOffThread(int id, std::function<bool()> work, std::function<rules::Outcome(bool)> finish);

  // What a page's worker thread posts to the page's dialog when its action has ended.
  static constexpr UINT kActionFinished = WM_APP + 1;

  HWND Dialog() const { return dialog_; }
  // Enables or disables the sheet's own controls (OK, Cancel, the tabs, the Configuration page)
  // as the rules lock them while busy.
  void ShowSheetLocks();
  rules::SheetRules& Sheet() { return sheet_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnNotify(const NMHDR& header);
  void FinishOffThread(bool result);

  rules::SheetRules& sheet_;
  const ActivePage page_;
  const int templateId_;
  const std::wstring title_;
  const std::span<const ControlText> labels_;
  HWND dialog_ = nullptr;
  std::thread worker_;
  std::function<rules::Outcome(bool)> finish_;
  int actingControl_ = 0;
};

}  // namespace skylark::win32ui
