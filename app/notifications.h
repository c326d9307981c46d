#pragma once

namespace skylark {

// How the worker threads reach the user interface: both calls post and return at once; the
// user interface delivers them on its main thread, in the order posted, also while a modal loop
// runs there.
class Notifications {
 public:
  virtual ~Notifications() = default;
  // The current site or the lock state changed, or the port was lost.
  virtual void PostSiteChanged() = 0;
  // A status poll succeeded.
  virtual void PostStatusChanged() = 0;
};

}  // namespace skylark
