#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/application.h"
#include "tests/support/xdg_dirs_posix.h"

// An Application with private configuration directories, played against a pseudo-terminal or
// the simulated receiver.
namespace skylark::testing {

using namespace std::chrono_literals;

// The snapshot's values without the reading's arrival time, which no test can know in advance.
inline ReceiverStatus Values(ReceiverStatus status) {
  status.received.reset();
  return status;
}

class ApplicationFixture : public ::testing::Test, public Notifications {
 protected:
  void PostSiteChanged() override { ++sitePosts_; }
  void PostStatusChanged() override { ++statusPosts_; }
  // The reader a test started itself is stopped too: a simulator ending after the test would
  // otherwise report its lost port to a fixture already gone.
  void TearDown() override {
    if (!app_) return;
    app_->StopThreads();
  }

  // The longest waits for a tune's acknowledgement and a station report are cut to `replyWait`.
  // The application starts with the site file of `siteDirectory`, or with none.
  void Create(std::chrono::milliseconds replyWait, std::optional<std::u16string> siteDirectory = {}) {
    ApplicationOptions options;
    options.notifications = this;
    options.searchSiteFile = siteDirectory.has_value();
    options.firstSiteDirectory = siteDirectory;
    options.tuneWait = replyWait;
    options.replyWait = replyWait;
    options.reconnect = reconnect_;
    options.reconnectPeriod = reconnectPeriod_;
    app_ = std::make_unique<Application>(std::move(options));
    app_->Start();
  }

  bool OpenPort(const char16_t* name) { return app_->Link().InputPort()->Open(name, AccessMode::ReadWrite); }

  bool reconnect_ = false;
  std::chrono::milliseconds reconnectPeriod_{200};
  ScopedXdgDirs dirs_;
  std::atomic<int> sitePosts_{0}, statusPosts_{0};
  std::unique_ptr<Application> app_;
};

}  // namespace skylark::testing
