#pragma once

#include <string_view>

// The one word the Status page, the command line and the signal log give for what the receiver
// is doing, derived from what the program already knows of the line and its readings.
namespace skylark {

enum class ReceiverState { Tuning, Receiving, Searching, NoData, NoStatus, PortClosed, Reconnecting };

struct ReceiverFacts {
  bool reconnecting = false;    // the port was lost and is being tried again
  bool portOpen = false;
  bool tuning = false;          // a tune is in progress or settling
  bool heardSinceOpen = false;  // a reading has come since the port was opened
  bool stale = false;           // the last reading is too old to stand for now
  bool locked = false;          // the last reading was locked
};

// The first that holds, in this order: Reconnecting, Port Closed, Tuning, No Status, No Data,
// Receiving (locked), Searching.
ReceiverState StateOf(const ReceiverFacts& facts);
std::u16string_view StateText(ReceiverState state);

}  // namespace skylark
