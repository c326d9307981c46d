#pragma once

#include <string_view>

#include "receiver/serial_port.h"
#include "receiver/text_list.h"

namespace skylark {

// Probes COM1: to COM9: and the ports present beyond them, and lists each name that opens for
// reading and writing in both lists, one that opens for reading only in the input list, and one
// that opens for writing only in the output list. The port the link holds open (`currentName`,
// exact match) is listed by its access without being probed.
void ScanPorts(std::u16string_view currentName, bool currentOpen, AccessMode currentAccess,
               TextList& inputNames, TextList& outputNames);

// "COM1:" to "COM9:", then the ports present beyond them ("COM12:").
void ListPortNames(TextList& names);

// The word that names an access in the port messages: "reading", "writing",
// "reading and writing", or "access" for any other value.
std::u16string_view AccessWord(AccessMode access);

}  // namespace skylark
