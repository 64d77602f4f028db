#include "runner/run/Instance_Memory.h"

#include <algorithm>
#include <new>

#include "platform/process/Memory.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define INSTANCE_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define INSTANCE_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define INSTANCE_POISON(p, n) ((void)(p), (void)(n))
#define INSTANCE_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

// The head of a block, in its first slot; the slots follow.
struct RInstanceBlock {
  RInstanceMemoryState* owner;  // null once the state that made it is gone
  size_t slot;                  // bytes per slot, a multiple of 64
  size_t next;                  // offset of the first slot never handed out
  void* freed;                  // slots handed back, each holding the next one's address
  int64_t live;                 // slots in use
};

namespace {
constexpr size_t kAlign = 64;
constexpr size_t kHead = (sizeof(RInstanceBlock) + kAlign - 1) / kAlign * kAlign;

RInstanceBlock* BlockOf(void* p) {
  return reinterpret_cast<RInstanceBlock*>(reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{platform::kLargePageBytes} - 1));
}

bool HasRoom(const RInstanceBlock& b) { return b.freed || b.next + b.slot <= platform::kLargePageBytes; }

void Release(RInstanceBlock* b) {
  if (RInstanceMemoryState* owner = b->owner) {
    if (owner->current == b) owner->current = nullptr;
    owner->blocks.erase(std::find(owner->blocks.begin(), owner->blocks.end(), b));
  }
  INSTANCE_UNPOISON(b, platform::kLargePageBytes);
  platform::UnmapLargePage(b);
}
}  // namespace

RInstanceMemoryState::~RInstanceMemoryState() {
  for (RInstanceBlock* b : blocks) {
    b->owner = nullptr;
    if (b->live == 0) {
      INSTANCE_UNPOISON(b, platform::kLargePageBytes);
      platform::UnmapLargePage(b);
    }
  }
}

void* AllocateInstanceMemory(size_t size) {
  RInstanceMemoryState& st = TheGame().State<RInstanceMemoryState>();
  const size_t slot = (size + kAlign - 1) / kAlign * kAlign;
  if (slot + kHead > platform::kLargePageBytes) throw std::bad_alloc();
  RInstanceBlock* b = st.current;
  if (!b || b->slot != slot || !HasRoom(*b)) {
    // The emptiest block with room keeps the fewest holes apart; usually there is none.
    b = nullptr;
    for (RInstanceBlock* c : st.blocks)
      if (c->slot == slot && HasRoom(*c) && (!b || c->live < b->live)) b = c;
    if (!b) {
      void* page = platform::MapLargePage(st.made > 0);
      if (!page) throw std::bad_alloc();
      b = static_cast<RInstanceBlock*>(page);
      *b = {&st, slot, kHead, nullptr, 0};
      INSTANCE_POISON(static_cast<char*>(page) + kHead, platform::kLargePageBytes - kHead);
      st.blocks.push_back(b);
      ++st.made;
    }
    st.current = b;
  }
  void* p;
  if (b->freed) {
    p = b->freed;
    INSTANCE_UNPOISON(p, slot);
    b->freed = *static_cast<void**>(p);
  } else {
    p = reinterpret_cast<char*>(b) + b->next;
    b->next += slot;
    INSTANCE_UNPOISON(p, slot);
  }
  ++b->live;
  return p;
}

void FreeInstanceMemory(void* p) noexcept {
  if (!p) return;
  RInstanceBlock* b = BlockOf(p);
  *static_cast<void**>(p) = b->freed;
  b->freed = p;
  INSTANCE_POISON(p, b->slot);  // the next allocation unpoisons the slot before reading the link
  if (--b->live == 0 && (!b->owner || b->owner->current != b)) Release(b);
}
