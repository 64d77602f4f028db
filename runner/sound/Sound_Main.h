// The sound list (sound resources by index with their names), the sounds chunk and the
// preparation of the sounds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runner/sound/Sound_Class.h"

class CStream;

inline constexpr int32_t kSoundsChunkVersion = 800;

int32_t SoundCount();
bool Sound_Exists(int32_t index);
CSound* Sound_Get(int32_t index);           // null for an empty or out-of-range index
std::string Sound_Name(int32_t index);      // "<undefined>" when it does not exist
int32_t Sound_Find(std::string_view name);  // first index of that name, or -1
// Appends sound as "__newsound" + its index; the index.
int32_t Sound_Add(std::unique_ptr<CSound> sound);
// Puts sound in place of an existing one, keeping the name; false when index names none.
bool Sound_Replace(int32_t index, std::unique_ptr<CSound> sound);
void Sound_Delete(int32_t index);
void ClearSounds();

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
