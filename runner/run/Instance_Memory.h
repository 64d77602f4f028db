// Where instances live. Every step walks every instance of the room several times, and a room
// of tens of thousands of instances spans more small pages than the processor's address cache
// holds, so each walk paid for a page-table walk every few instances. Instances are cut from
// blocks of one large page each, in the order they are made; a block goes back to the system
// when its last instance goes. A room of a few thousand instances fits in the first block,
// which stays in small pages, so a small game never waits for a large one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runner/base/Game.h"

struct RInstanceBlock;

struct RInstanceMemoryState {
  static constexpr EGameSlot kSlot = EGameSlot::InstanceMemory;
  RInstanceMemoryState() = default;
  RInstanceMemoryState(const RInstanceMemoryState&) = delete;
  RInstanceMemoryState& operator=(const RInstanceMemoryState&) = delete;
  // Empty blocks go back; a block that still holds instances (one kept by a test beyond its
  // game, say) stays until its last instance goes.
  ~RInstanceMemoryState();

  RInstanceBlock* current = nullptr;   // where new instances go while it has room
  std::vector<RInstanceBlock*> blocks;  // every block this state made and still holds
  int64_t made = 0;                     // blocks made so far; only the first is small pages
};

// Memory for one instance of `size` bytes (64-byte aligned), from the current game's blocks;
// throws std::bad_alloc when there is none. Free takes memory of any game's blocks.
void* AllocateInstanceMemory(size_t size);
void FreeInstanceMemory(void* p) noexcept;
