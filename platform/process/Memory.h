// Memory mapped whole from the system, for stores that hold many records which every step walks.
#pragma once

#include <cstddef>

namespace platform {

// The size and alignment of a large page: one entry of the processor's address cache covers it.
inline constexpr size_t kLargePageBytes = size_t{2} << 20;

// Maps kLargePageBytes of zeroed memory aligned to kLargePageBytes; null when there is none.
// largePages asks the system to back it with one large page, which it may refuse silently.
void* MapLargePage(bool largePages);
void UnmapLargePage(void* p);

}  // namespace platform
