#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace skylark::platform::posix {

// The termios speed for a rate in bits per second; none for a rate termios does not name.
std::optional<speed_t> SpeedForRate(std::uint32_t rate);

}  // namespace skylark::platform::posix
