// The sound list (sound resources by index with their names), the sounds chunk and the
// preparation of the sounds.
#pragma once

#include <cstdint>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/sound/Sound_Class.h"

class CStream;

inline constexpr int32_t kSoundsChunkVersion = 800;

// The sounds of the game. Above the player's slot: sounds free their samples in the player
// when they go.
struct RSoundState {
  static constexpr EGameSlot kSlot = EGameSlot::Sound;
  TResourceList<CSound> sounds{"__newsound"};
};

TResourceList<CSound>& Sounds();  // new entries are named "__newsound" + index

// Loader of the sounds chunk: version 800, count, one compressed block per slot. False on a
// wrong chunk or record version (the list is then empty); damaged data throws StreamError.
bool LoadSounds(CStream& str);
// Preparation: starts the player when the game has a sound slot and restores every preloaded
// sound. Always succeeds.
bool PrepareSounds();
// Stops and releases the player; the sounds keep their data and can be restored later.
void ShutdownSounds();

// What the sound actions do: play (looping or not), stop, and ask whether the sound plays. A
// missing sound gets "Trying to play non-existing sound." or "Trying to stop non-existing
// sound."; asking about one is false.
void ActionPlaySound(int32_t index, bool loop);
void ActionStopSound(int32_t index);
bool ActionSoundPlaying(int32_t index);
