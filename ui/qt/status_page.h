#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <functional>
#include <iterator>
#include <thread>

#include "ui/rules/status_rules.h"
#include "ui/qt/signal_chart.h"
#include "ui/qt/ui_support.h"

namespace skylark::ui {

// Where the signal log goes: the path the user chose, empty when the choice was cancelled. The
// page takes it as a parameter so that tests can answer instead of a file dialog.
using PathFunction = std::function<QString(QWidget* parent)>;

// The save-file dialog for the signal log. It does not ask before choosing an existing file:
// the log appends to it and never cuts it short.
QString ChooseLogFile(QWidget* parent);

// Shows what the receiver is tuned to and how well it receives, its state, and the last ten
// minutes of it as a chart; computes nothing itself. While shown, it looks once a second whether
// the last reading has grown stale. Update asks the receiver for a reading on a thread of its
// own; Record starts and stops the signal log.
class StatusPage : public SheetPage {
  Q_OBJECT

 public:
  StatusPage(rules::StatusRules& rules, MessageFunction showMessage, QWidget* parent = nullptr);
  ~StatusPage() override;

  void refresh() override;
  void setPathFunction(PathFunction choosePath) { choosePath_ = std::move(choosePath); }

 signals:
  // An Update started (true) or ended (false); the sheet stays open meanwhile.
  void updatingChanged(bool updating);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void onClock();
  void onUpdateClicked();
  void onRecordClicked();

  rules::StatusRules& rules_;
  MessageFunction showMessage_;
  PathFunction choosePath_ = ChooseLogFile;
  std::thread updateThread_;
  // One label a field, in the rules' field order.
  std::array<QLabel*, std::size(rules::kStatusFields)> fields_{};
  QLabel* stateField_ = nullptr;
  QLabel* noteField_ = nullptr;
  QLabel* ageField_ = nullptr;
  QLabel* logField_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* recordButton_ = nullptr;
  SignalChart* chart_ = nullptr;
  QTimer clock_;
};

}  // namespace skylark::ui
