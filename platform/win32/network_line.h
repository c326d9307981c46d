#pragma once

#include <memory>
#include <string_view>

#include "platform/serial_line.h"

// A receiver reached over the network through a server that passes the serial line's bytes as
// they are (tcp://HOST:PORT); rfc2217:// is refused here, with words that say so.
namespace skylark::platform {

std::unique_ptr<SerialLine> OpenNetworkLine(std::u16string_view name, LineError* error);

}  // namespace skylark::platform
