#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

#include "app/application.h"
#include "receiver/text_list.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// Chooses, scans, tests, opens and closes the receiver's port: one port for both directions, or
// an input and an output group (which drive the link's one port object).
class ConfigurationPage : public SheetPage {
  Q_OBJECT

 public:
  ConfigurationPage(Application& app, MessageFunction showMessage, QWidget* parent = nullptr);

 protected:
  void initDialog() override;
  void onSetActive() override;

 private:
  // One group's controls and the port it acts on.
  struct PortControl {
    ReceiverPort* port = nullptr;
    QGroupBox* box = nullptr;
    QComboBox* list = nullptr;
    QPushButton* open = nullptr;
    QPushButton* test = nullptr;
    QChar openMnemonic;
    QChar closeMnemonic;
  };

  void buildGroup(PortControl& group, const char* name, QChar openMnemonic, QChar closeMnemonic,
                  QChar testMnemonic);
  AccessMode accessOf(const PortControl& group) const;
  void setOpenText(PortControl& group, bool portOpen);
  void fillPortList(QComboBox& list, const TextList& names);
  void showPortMessage(int stringId, AccessMode access);
  bool openPort(PortControl& group, AccessMode access);

  void testGroup(PortControl& group);
  void openOrCloseGroup(PortControl& group);
  void closeGroup(PortControl& group);
  void reopenInputGroup(AccessMode access);
  void onSamePortChanged();
  void scan();

  Application& app_;
  MessageFunction showMessage_;
  TextList inputNames_;
  TextList outputNames_;
  QCheckBox* samePort_ = nullptr;
  QPushButton* scanButton_ = nullptr;
  PortControl input_;
  PortControl output_;
};

}  // namespace skylark::ui
