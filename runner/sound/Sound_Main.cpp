// The sound list, its chunk and its preparation; see Sound_Main.h.
#include "runner/sound/Sound_Main.h"

#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/base/Support_Stream.h"
#include "runner/sound/Sound_DirectX.h"

namespace {
struct RSoundSlot {
  std::string name;
  std::unique_ptr<CSound> sound;  // null: an empty slot
};

std::vector<RSoundSlot>& Slots() {
  static std::vector<RSoundSlot> slots;
  return slots;
}
}  // namespace

int32_t SoundCount() {
  return static_cast<int32_t>(Slots().size());
}

CSound* Sound_Get(int32_t index) {
  if (index < 0 || index >= SoundCount()) return nullptr;
  return Slots()[static_cast<size_t>(index)].sound.get();
}

bool Sound_Exists(int32_t index) {
  return Sound_Get(index) != nullptr;
}

std::string Sound_Name(int32_t index) {
  return Sound_Exists(index) ? Slots()[static_cast<size_t>(index)].name : "<undefined>";
}

int32_t Sound_Find(std::string_view name) {
  for (int32_t i = 0; i < SoundCount(); ++i)
    if (Sound_Exists(i) && Slots()[static_cast<size_t>(i)].name == name) return i;
  return -1;
}

int32_t Sound_Add(std::unique_ptr<CSound> sound) {
  const int32_t index = SoundCount();
  Slots().push_back({"__newsound" + std::to_string(index), std::move(sound)});
  return index;
}

bool Sound_Replace(int32_t index, std::unique_ptr<CSound> sound) {
  if (!Sound_Exists(index) || !sound) return false;
  Slots()[static_cast<size_t>(index)].sound = std::move(sound);
  return true;
}

void Sound_Delete(int32_t index) {
  if (Sound_Exists(index)) Slots()[static_cast<size_t>(index)].sound.reset();
}

void ClearSounds() {
  Slots().clear();
}

bool LoadSounds(CStream& str) {
  ClearSounds();
  if (str.ReadInteger() != kSoundsChunkVersion) return false;
  const int32_t count = str.ReadInteger();
  if (count < 0) return false;
  // Every slot is a block of at least four bytes, so a false count runs into the end of the
  // data before it could exhaust memory.
  std::vector<RSoundSlot> slots;
  for (int32_t i = 0; i < count; ++i) {
    CStream block = str.ReadStreamC();
    RSoundSlot slot;
    if (block.ReadBoolean()) {
      slot.name = block.ReadString();
      slot.sound = std::make_unique<CSound>();
      if (!slot.sound->LoadFromStream(block)) return false;
    }
    slots.push_back(std::move(slot));
  }
  Slots() = std::move(slots);
  return true;
}

bool PrepareSounds() {
  if (SoundCount() > 0) {
    SoundInit(true);
    SoundSetGlobalVolume(1.0);
  }
  for (RSoundSlot& slot : Slots())
    if (slot.sound) slot.sound->Prepare();
  return true;
}

void ShutdownSounds() {
  // The player's samples go with it; the sounds must not keep their indices.
  for (RSoundSlot& slot : Slots())
    if (slot.sound) slot.sound->s_soundid = -1;
  SoundShutdown();
}

void ActionPlaySound(int32_t index, bool loop) {
  CSound* s = Sound_Get(index);
  if (!s) return ShowActionError("Trying to play non-existing sound.", false);
  SoundPlay(s->GetSoundId(), loop);
}

void ActionStopSound(int32_t index) {
  CSound* s = Sound_Get(index);
  if (!s) return ShowActionError("Trying to stop non-existing sound.", false);
  SoundStop(s->GetSoundId());
}

bool ActionSoundPlaying(int32_t index) {
  CSound* s = Sound_Get(index);
  return s && SoundIsPlaying(s->GetSoundId());
}
