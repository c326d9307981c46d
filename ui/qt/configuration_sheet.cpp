#include "ui/qt/configuration_sheet.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include <iterator>

#include "platform/posix/paths.h"
#include "resources/strings.h"

namespace skylark::ui {

ConfigurationSheet::ConfigurationSheet(Application& app, MessageFunction showMessage, QWidget* parent)
    : QDialog(parent), rules_(app), showMessage_(showMessage) {
  setWindowTitle(Text(resources::kCaption));
  setObjectName(QStringLiteral("configurationSheet"));
  configuration_ = new ConfigurationPage(rules_.Configuration(), showMessage, this);
  tune_ = new TunePage(rules_.Tune(), showMessage, this);
  status_ = new StatusPage(rules_.Status(), showMessage, this);
  tabs_ = new QTabWidget(this);
  // In the order of rules::kSheetPages.
  tabs_->addTab(configuration_, Text(resources::kConfigureTitle));
  tabs_->addTab(tune_, Text(resources::kTuneTitle));
  tabs_->addTab(status_, Text(resources::kStatusTitle));

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  for (QAbstractButton* button : buttons_->buttons()) {
    if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(false);
  }
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tune_, &TunePage::tuningChanged, this, [this](bool tuning) { showTuning(tuning); });
  connect(configuration_, &ConfigurationPage::workingChanged, this, [this](bool working) { showTuning(working); });
  connect(status_, &StatusPage::updatingChanged, this, [this](bool updating) { showTuning(updating); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);

  // Each page that becomes the one shown says so, so that the status poll runs only while the
  // Status page is up.
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(std::size(rules::kSheetPages))) return;
    rules_.Activate(rules::kSheetPages[index]);
    if (auto* page = qobject_cast<SheetPage*>(tabs_->widget(index))) page->refresh();
  });
  // udev makes a device's node in /dev, then its by-id name: either lists the ports present again,
  // as an arrival does on Windows, without a Scan.
  auto* devices = new QFileSystemWatcher(this);
  const QString dev = QString::fromStdString(platform::posix::DeviceDirectory());
  const auto watch = [devices, dev] {
    for (const QString& path : {dev, dev + QStringLiteral("/serial/by-id")}) {
      if (QFileInfo(path).isDir() && !devices->directories().contains(path)) devices->addPath(path);
    }
  };
  watch();
  connect(devices, &QFileSystemWatcher::directoryChanged, this, [this, watch] {
    watch();
    refresh(rules_.DeviceArrived());
  });

  tabs_->setCurrentIndex(rules::TabOf(kConfigurationPage));
  rules_.Activate(kConfigurationPage);
  configuration_->refresh();
}

void ConfigurationSheet::onSiteChanged() {
  refresh(rules_.OnSiteChanged());
  ShowOutcome(showMessage_, rules_.TakePortLoss());
}

void ConfigurationSheet::onStatusChanged() { refresh(rules_.OnStatusChanged()); }

void ConfigurationSheet::refresh(rules::PageList pages) {
  for (const ActivePage shown : pages) {
    if (auto* page = qobject_cast<SheetPage*>(tabs_->widget(rules::TabOf(shown)))) page->refresh();
  }
}

QWidget* ConfigurationSheet::control(rules::SheetControl control) const {
  switch (control) {
    case rules::SheetControl::OkButton: return buttons_->button(QDialogButtonBox::Ok);
    case rules::SheetControl::CancelButton: return buttons_->button(QDialogButtonBox::Cancel);
    case rules::SheetControl::PageTabs: return tabs_->tabBar();
    case rules::SheetControl::ConfigurationPage: return configuration_;
  }
  return nullptr;
}

void ConfigurationSheet::showTuning(bool tuning) {
  for (const rules::SheetControl which : rules::kSheetControls) {
    control(which)->setEnabled(!rules_.Locked(which));
  }
  if (tuning) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void ConfigurationSheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // No default button: Enter on a page must not end the program, and OK must not look as if it
  // would. The button box makes OK the default when it is shown; undo that.
  for (QAbstractButton* button : buttons_->buttons()) {
    if (auto* push = qobject_cast<QPushButton*>(button)) push->setDefault(false);
  }
}

void ConfigurationSheet::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    // A focused button takes Enter as it takes Space; anywhere else Enter does nothing.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
      button->click();
    }
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ConfigurationSheet::accept() {
  {
    WaitCursor wait;
    if (!rules_.Accept()) return;
  }
  ShowOutcome(showMessage_, rules_.SaveMessage());
  QDialog::accept();
}

void ConfigurationSheet::reject() {
  {
    WaitCursor wait;
    if (!rules_.Reject()) return;
  }
  QDialog::reject();
}

}  // namespace skylark::ui
