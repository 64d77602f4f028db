#include "platform/process/Memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

void* MapLargePage(bool largePages) {
  // Twice the size, then the unaligned ends go back: mmap only promises page alignment.
  const size_t span = 2 * kLargePageBytes;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kLargePageBytes - 1) & ~(uintptr_t{kLargePageBytes} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t end = start + span, used = aligned + kLargePageBytes;
  if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
  void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  if (largePages) madvise(p, kLargePageBytes, MADV_HUGEPAGE);
#else
  (void)largePages;
#endif
  return p;
}

void UnmapLargePage(void* p) {
  if (p) munmap(p, kLargePageBytes);
}

}  // namespace platform
