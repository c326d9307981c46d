#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <functional>
#include <thread>

#include "ui/rules/configuration_rules.h"
#include "ui/qt/ui_support.h"

namespace skylark::ui {

// Chooses, scans, tests, opens and closes the receiver's port: one port for both directions, or
// an input and an output group (which drive the link's one port object).
class ConfigurationPage : public SheetPage {
  Q_OBJECT

 public:
  ConfigurationPage(rules::ConfigurationRules& rules, MessageFunction showMessage,
                    QWidget* parent = nullptr);

  ~ConfigurationPage() override;

  void refresh() override;
  // Find Receiver, as the button does; off the main thread.
  void findReceiver();

 signals:
  // A Test, a Scan or a Find started or ended: the sheet locks what the rules say.
  void workingChanged(bool working);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // One group's controls.
  struct PortControl {
    rules::PortGroup group;
    QGroupBox* box = nullptr;
    QComboBox* list = nullptr;
    QPushButton* open = nullptr;
    QPushButton* test = nullptr;
    QLabel* device = nullptr;
    QChar openMnemonic;
    QChar closeMnemonic;
    QChar testMnemonic;
  };

  // Runs `work` on a worker thread (an open of a Bluetooth port can block for seconds), then
  // `done` on the main thread; the sheet is unlocked and the focus back on `button` before the
  // message `done` ends with is shown.
  void runOffThread(QPushButton* button, std::function<void()> work, std::function<rules::Outcome()> done);
  void buildGroup(PortControl& group, const char* name);
  void showGroup(PortControl& group);

  rules::ConfigurationRules& rules_;
  MessageFunction showMessage_;
  std::thread worker_;
  QCheckBox* samePort_ = nullptr;
  QPushButton* scanButton_ = nullptr;
  QPushButton* findButton_ = nullptr;
  QLabel* portNote_ = nullptr;
  PortControl input_{rules::PortGroup::Input, nullptr, nullptr, nullptr, nullptr, nullptr, u'p', u'l', u'T'};
  PortControl output_{rules::PortGroup::Output, nullptr, nullptr, nullptr, nullptr, nullptr, u'r', u'r', u'e'};
};

}  // namespace skylark::ui
