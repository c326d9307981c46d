#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_line.h"

// A receiver reached over the network: a terminal server, ser2net or socat passing the serial
// line's bytes over TCP, raw or with RFC 2217's line settings.
namespace skylark::platform {

// The gensio address of a network port name ("tcp,host,4001", "telnet(rfc2217),tcp,host,4001");
// none for any other name.
std::optional<std::string> NetworkAddressOf(std::u16string_view name);

// Connects to a network port name; null on failure, with `error` (when given) saying why.
std::unique_ptr<SerialLine> OpenNetworkLine(std::u16string_view name, LineError* error);

}  // namespace skylark::platform
