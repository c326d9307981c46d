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
    app_->Monitor().StopReader();
    app_->Monitor().JoinReader();
  }

  // The 2000 ms pause after a command becomes `commandPause`, each 200 ms reply pass
  // `passPause` (a reply wait, ten passes, ten of them); `paused_` sums what the protocol asked
  // for. With a site directory the whole
  // application starts; without, only the reader runs and each poll is the test's own call.
  void Create(std::chrono::milliseconds commandPause, std::chrono::milliseconds passPause = 50ms,
              std::optional<std::u16string> siteDirectory = {}) {
    ApplicationOptions options;
    options.notifications = this;
    options.searchSiteFile = siteDirectory.has_value();
    options.firstSiteDirectory = siteDirectory;
    options.sleeper = [this, commandPause, passPause](std::chrono::milliseconds asked) {
      paused_ += asked.count();
      std::this_thread::sleep_for(asked >= 1000ms ? commandPause
                                  : asked >= 200ms ? passPause
                                                   : asked);
    };
    options.replyWait = 10 * passPause;
    app_ = std::make_unique<Application>(std::move(options));
    if (siteDirectory) {
      app_->Start();
    } else {
      app_->Monitor().Attach(&app_->Link());
      app_->Monitor().StartReader();
    }
  }

  bool OpenPort(const char16_t* name) {
    return app_->Link().InputPort()->Open(name, 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                          &platform::kReceiverTimeouts);
  }

  ScopedXdgDirs dirs_;
  std::atomic<int> sitePosts_{0}, statusPosts_{0};
  std::atomic<long> paused_{0};
  std::unique_ptr<Application> app_;
};

}  // namespace skylark::testing
