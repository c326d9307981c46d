#pragma once

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

 private:
  void ShowGroup(rules::PortGroup group);
};

// The Tune page: the tune mode, the five lists and the tune itself.
class TuneView final : public PageView {
 public:
  explicit TuneView(rules::SheetRules& sheet);
  ~TuneView() override;

 protected:
  void Show() override;
  bool OnCommand(int id, int code) override;
  void OnActionFinished(WPARAM tuned) override;

 private:
  void Tune();

  std::thread worker_;
};

// The Status page: seven read-only fields; the health values greyed, with their age, once the
// receiver has gone silent.
class StatusView final : public PageView {
 public:
  explicit StatusView(rules::SheetRules& sheet);

 protected:
  void Show() override;
  bool OnCommand(int, int) override { return false; }
  void OnShown(bool shown) override;
  void OnTimer() override;
};

}  // namespace skylark::win32ui
