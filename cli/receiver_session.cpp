#include "cli/receiver_session.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/status_text.h"
#include "receiver/scan_ports.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

class StderrSiteReporter final : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {
    std::cerr << resources::ToUtf8(resources::LoadText(resources::kSiteFileOpenFailed)) << '\n';
  }
};

StderrSiteReporter siteReporter;

}  // namespace

ReceiverSession::ReceiverSession(const SessionOptions& options, Notifications* notifications)
    : options_(options) {
  ApplicationOptions appOptions;
  appOptions.notifications = notifications;
  appOptions.siteFileReporter = &siteReporter;
  appOptions.searchSiteFile = options_.sites.empty();
  appOptions.identifyStations = options_.identify;
  app_ = std::make_unique<Application>(std::move(appOptions));
}

ReceiverSession::~ReceiverSession() {
  app_->StopThreads();
  ReceiverPort* port = app_->Link().InputPort();
  if (port != nullptr && port->IsOpen()) port->Close();
}

bool ReceiverSession::Open() {
  if (!options_.sites.empty()) {
    const std::u16string path = resources::FromUtf8(options_.sites);
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::path(path), error)) {
      LoadSiteFile(std::u16string_view(path), app_->Catalogue(), siteReporter);
    } else {
      ReadSiteFile(path, app_->Catalogue(), siteReporter);
    }
  }
  app_->Start();
  const std::u16string name = resources::FromUtf8(options_.port);
  if (!app_->Link().InputPort()->Open(name, AccessMode::ReadWrite)) {
    std::cerr << resources::ToUtf8(resources::FormatText(resources::kFailedToOpen, AccessWord(AccessMode::ReadWrite)))
              << " (" << options_.port << ")\n";
    if (const auto failure = app_->Link().InputPort()->OpenFailure()) {
      std::cerr << resources::ToUtf8(LineErrorText(*failure)) << '\n';
    }
    return false;
  }
  return true;
}

std::string ReceiverSession::LineTrouble() {
  using resources::ToUtf8;
  if (const std::optional<PortLoss> loss = app_->TakePortLoss()) {
    return ToUtf8(resources::FormatText(resources::kPortLost, loss->name)) + " " + ToUtf8(LineErrorText(loss->error));
  }
  const ReceiverMonitor::LineCounts counts = app_->Monitor().Counts();
  if (counts.echoes > 0 && counts.sentences == counts.echoes) return ToUtf8(resources::LoadText(resources::kLineEchoes));
  if (counts.bytes > 0 && counts.sentences == 0) {
    return ToUtf8(resources::FormatText(resources::kNoSentencesIn, resources::FromUtf8(std::to_string(counts.bytes))));
  }
  return {};
}

}  // namespace skylark::cli
