#include "bench/counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace skylark::bench {
namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

// Each block carries its size in front of it, so delete knows what to give back.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t now = inUse.fetch_add(size) + size;
  for (std::size_t seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
  }
  return block + kHeader;
}

void Release(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  inUse.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

std::size_t HeapInUse() { return inUse.load(); }
std::size_t HeapPeak() { return peak.load(); }
void ResetHeapPeak() { peak.store(inUse.load()); }

}  // namespace skylark::bench

void* operator new(std::size_t size) { return skylark::bench::Allocate(size); }
void* operator new[](std::size_t size) { return skylark::bench::Allocate(size); }
void operator delete(void* pointer) noexcept { skylark::bench::Release(pointer); }
void operator delete[](void* pointer) noexcept { skylark::bench::Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { skylark::bench::Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { skylark::bench::Release(pointer); }
