#pragma once

#include <QDialog>
#include <QTabWidget>

#include "app/application.h"
#include "ui/configuration_page.h"
#include "ui/status_page.h"
#include "ui/tune_page.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// The one window: the Configuration, Tune and Status pages with OK and Cancel. OK saves the
// settings and shuts down; Cancel, Esc and the close box shut down without saving.
class ConfigurationSheet : public QDialog {
  Q_OBJECT

 public:
  ConfigurationSheet(Application& app, MessageFunction showMessage, QWidget* parent = nullptr);

  ConfigurationPage* configurationPage() const { return configuration_; }
  TunePage* tunePage() const { return tune_; }
  StatusPage* statusPage() const { return status_; }
  QTabWidget* tabs() const { return tabs_; }

  void accept() override;
  void reject() override;

 private:
  Application& app_;
  QTabWidget* tabs_ = nullptr;
  ConfigurationPage* configuration_ = nullptr;
  TunePage* tune_ = nullptr;
  StatusPage* status_ = nullptr;
};

}  // namespace skylark::ui
