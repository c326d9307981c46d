#include "ui/configuration_sheet.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "resources/strings.h"

namespace skylark::ui {

ConfigurationSheet::ConfigurationSheet(Application& app, MessageFunction showMessage, QWidget* parent)
    : QDialog(parent), app_(app) {
  setWindowTitle(Text(resources::kCaption));
  setObjectName(QStringLiteral("configurationSheet"));
  configuration_ = new ConfigurationPage(app, showMessage, this);
  tune_ = new TunePage(app, showMessage, this);
  status_ = new StatusPage(app, this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(configuration_, Text(resources::kConfigureTitle));
  tabs_->addTab(tune_, Text(resources::kTuneTitle));
  tabs_->addTab(status_, Text(resources::kStatusTitle));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  // Each page that becomes the one shown says so, so that the status poll runs only while the
  // Status page is up.
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (auto* page = qobject_cast<SheetPage*>(tabs_->widget(index))) page->SetActive();
  });
  tabs_->setCurrentIndex(0);
  configuration_->SetActive();
}

void ConfigurationSheet::accept() {
  {
    WaitCursor wait;
    app_.SaveSettings();
    app_.Shutdown();
  }
  QDialog::accept();
}

void ConfigurationSheet::reject() {
  {
    WaitCursor wait;
    app_.Shutdown();
  }
  QDialog::reject();
}

}  // namespace skylark::ui
