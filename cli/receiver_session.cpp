#include "cli/receiver_session.h"

#include <iostream>
#include <vector>

#include "app/status_text.h"
#include "receiver/scan_ports.h"
#include "resources/strings.h"

namespace skylark::cli {

void StderrSiteReporter::SiteFileOpenFailed() {
  std::cerr << resources::ToUtf8(resources::LoadText(resources::kSiteFileOpenFailed)) << '\n';
  failed = true;
}

ReceiverSession::ReceiverSession(const SessionOptions& options, Notifications* notifications)
    : options_(options) {
  ApplicationOptions appOptions;
  appOptions.notifications = notifications;
  appOptions.siteFileReporter = &siteReporter_;
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
  // Without --sites the application searches as the window does.
  if (!options_.sites.empty()) {
    std::vector<std::u16string> searched;
    LoadSitesFrom(resources::FromUtf8(options_.sites), app_->Catalogue(), siteReporter_, searched);
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

std::u16string ReceiverSession::LineTrouble() {
  if (const std::optional<PortLoss> loss = app_->TakePortLoss()) {
    return resources::FormatText(resources::kPortLost, loss->name) + u" " + LineErrorText(loss->error);
  }
  const ReceiverMonitor::LineCounts counts = app_->Monitor().Counts();
  if (counts.echoes > 0 && counts.sentences == counts.echoes) return std::u16string(resources::LoadText(resources::kLineEchoes));
  if (counts.bytes > 0 && counts.sentences == 0) {
    return resources::FormatText(resources::kNoSentencesIn, resources::FromUtf8(std::to_string(counts.bytes)));
  }
  return {};
}

}  // namespace skylark::cli
