#pragma once

#include <memory>
#include <string>

#include "app/application.h"

// What `tune` and `status` share: an application object without stored settings or the
// single-instance guard, its site catalogue, its threads, and the receiver's port opened.
namespace skylark::cli {

// Exit status for a port that cannot be opened, an unknown site and the like.
inline constexpr int kUsageFailure = 2;

// The site file's message on stderr; remembers that it was said.
class StderrSiteReporter final : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override;
  bool failed = false;
};

struct SessionOptions {
  std::string port;   // "COM4:"
  std::string sites;  // a site file or a directory to search; empty: the program's own search
  bool identify = false;  // ask for the station on a gain of lock in automatic mode
};

class ReceiverSession {
 public:
  ReceiverSession(const SessionOptions& options, Notifications* notifications);
  // Stops the threads and closes the port; the receiver stays tuned as it is.
  ~ReceiverSession();
  ReceiverSession(const ReceiverSession&) = delete;
  ReceiverSession& operator=(const ReceiverSession&) = delete;

  // Starts the threads and opens the port; false, after a message on stderr, when it cannot.
  bool Open();
  Application& App() { return *app_; }
  // What is wrong with the line, in a sentence: the port lost (and why), our own sentences coming
  // back, bytes that make no sentence; empty when none of these.
  std::u16string LineTrouble();

 private:
  SessionOptions options_;
  StderrSiteReporter siteReporter_;
  std::unique_ptr<Application> app_;
};

}  // namespace skylark::cli
