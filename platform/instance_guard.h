#pragma once

#include <memory>
#include <string_view>

namespace skylark::platform {

// Held for the life of the process that owns it; a second process asking for the same name gets
// none.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
};

// Null when another process already holds the name, or when the guard cannot be made.
std::unique_ptr<InstanceGuard> AcquireInstanceGuard(std::u16string_view name);

}  // namespace skylark::platform
