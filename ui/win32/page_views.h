#pragma once

#include <functional>
#include <thread>

#include "ui/win32/page_view.h"

namespace skylark::win32ui {

// The Configuration page: the receiver's port, and OK and Cancel of the whole sheet.
class ConfigurationView final : public PageView {
 public:
  explicit ConfigurationView(rules::SheetRules& sheet);

 protected:
  void Show() override;
  bool OnCommand(int id, int code) override;
  void OnOk() override;
  void OnCancel() override;
  void OnShown(bool shown) override;

 private:
  void ShowGroup(rules::PortGroup group);
  // Find Receiver on the worker thread; its message ends it.
  void Find();
};

// The Tune page: the tune mode, the five lists and the tune itself.
class TuneView final : public PageView {
 public:
  explicit TuneView(rules::SheetRules& sheet);

 protected:
  void Show() override;
  bool OnCommand(int id, int code) override;

 private:
  void Tune();
};

// The Status page: seven read-only fields; the health values greyed, with their age, once the
// receiver has gone silent; the state line; Update and Record.
class StatusView final : public PageView {
 public:
  explicit StatusView(rules::SheetRules& sheet);

 protected:
  void Show() override;
  bool OnCommand(int id, int code) override;
  void OnShown(bool shown) override;
  void OnTimer() override;

 private:
  void Update();
  void ToggleRecording();

  // The whole texts of the values cut short; made with the page, destroyed with it.
  HWND tips_ = nullptr;
};

}  // namespace skylark::win32ui
