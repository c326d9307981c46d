#include "app/application.h"

namespace skylark {
namespace {

// A receiver that sends its status every second has been heard within this time of the page
// being turned to; one that has not is asked once.
constexpr std::chrono::seconds kSilenceBeforeQuery{2};

}  // namespace

ReceiverState Application::CurrentState() {
  const auto now = std::chrono::steady_clock::now();
  ReceiverFacts facts;
  facts.reconnecting = Reconnecting().has_value();
  const LinkView link = InputLink();
  facts.portOpen = link.open;
  facts.locked = Status().locked;
  std::lock_guard apply(applyLock_);
  // A receiver takes a tune and settles for a few seconds before it reports again.
  facts.tuning = tunedAt_ && now - *tunedAt_ < options_.tuneWait && !facts.locked;
  facts.heardSinceOpen = lastSentenceAt_ && link.openedAt && *lastSentenceAt_ >= *link.openedAt;
  facts.stale = !lastSentenceAt_ || now - *lastSentenceAt_ > StaleAfter(StatusInterval());
  return StateOf(facts);
}

bool Application::RequestReading() { return monitor_.QueryStatus(options_.replyWait).has_value(); }

void Application::RequestReadingWhenSilent() {
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard apply(applyLock_);
    if (!shownSince_ || activePage_.load() != kStatusPage) return;
    // With no status output there is nothing to wait for.
    const bool due = statusInterval_.load() == 0 || now - *shownSince_ >= kSilenceBeforeQuery;
    if (!due) return;
    const bool heard = lastSentenceAt_ && *lastSentenceAt_ >= *shownSince_;
    shownSince_.reset();
    if (heard) return;
  }
  const LinkView link = InputLink();
  if (link.open && link.readable) RequestReading();
}

}  // namespace skylark
