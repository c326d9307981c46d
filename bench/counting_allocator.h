#pragma once

#include <cstddef>

// Heap use of this program, counted by its own operator new and delete.
namespace skylark::bench {

std::size_t HeapInUse();
std::size_t HeapPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();

}  // namespace skylark::bench
