#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QTabWidget>

#include "app/application.h"
#include "ui/qt/configuration_page.h"
#include "ui/rules/sheet_rules.h"
#include "ui/qt/status_page.h"
#include "ui/qt/tune_page.h"
#include "ui/qt/ui_support.h"

namespace skylark::ui {

// The one window: the Configuration, Tune and Status pages with OK and Cancel. OK saves the
// settings and closes; Cancel, Esc and the close box close without saving; the program shuts
// down once the window is gone. Enter presses
// the focused button, whichever it is, and nothing else: it never reaches OK by default.
class ConfigurationSheet : public QDialog {
  Q_OBJECT

 public:
  ConfigurationSheet(Application& app, MessageFunction showMessage, QWidget* parent = nullptr);

  ConfigurationPage* configurationPage() const { return configuration_; }
  TunePage* tunePage() const { return tune_; }
  StatusPage* statusPage() const { return status_; }
  QTabWidget* tabs() const { return tabs_; }
  rules::SheetRules& rules() { return rules_; }

  // The worker threads' notifications, delivered here on the main thread.
  void onSiteChanged();
  void onStatusChanged();

  void accept() override;
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void showTuning(bool tuning);
  void refresh(rules::PageList pages);
  QWidget* control(rules::SheetControl control) const;

  rules::SheetRules rules_;
  MessageFunction showMessage_;
  QTabWidget* tabs_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  ConfigurationPage* configuration_ = nullptr;
  TunePage* tune_ = nullptr;
  StatusPage* status_ = nullptr;
};

}  // namespace skylark::ui
