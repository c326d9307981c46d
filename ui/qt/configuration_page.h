#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

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

  void refresh() override;

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

  void buildGroup(PortControl& group, const char* name);
  void showGroup(PortControl& group);

  rules::ConfigurationRules& rules_;
  MessageFunction showMessage_;
  QCheckBox* samePort_ = nullptr;
  QPushButton* scanButton_ = nullptr;
  PortControl input_{rules::PortGroup::Input, nullptr, nullptr, nullptr, nullptr, nullptr, u'p', u'l', u'T'};
  PortControl output_{rules::PortGroup::Output, nullptr, nullptr, nullptr, nullptr, nullptr, u'r', u'r', u'e'};
};

}  // namespace skylark::ui
