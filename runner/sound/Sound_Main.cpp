// The sound list, its chunk and its preparation; see Sound_Main.h.
#include "runner/sound/Sound_Main.h"

#include "runner/code/Code_Error.h"
#include "runner/base/Support_Stream.h"
#include "runner/sound/Sound_DirectX.h"

TResourceList<CSound>& Sounds() { return TheGame().State<RSoundState>().sounds; }

bool LoadSounds(CStream& str) {
  Sounds().Clear();
  if (str.ReadInteger() != kSoundsChunkVersion) return false;
  const int32_t count = str.ReadInteger();
  if (count < 0) return false;
  // Every slot is a block of at least four bytes, so a false count runs into the end of the
  // data before it could exhaust memory. The list gets the sounds only when all have loaded.
  TResourceList<CSound> sounds("__newsound");
  for (int32_t i = 0; i < count; ++i) {
    CStream block = str.ReadStreamC();
    if (!block.ReadBoolean()) {
      sounds.Put(i, nullptr, std::string());
      continue;
    }
    std::string name = block.ReadString();
    auto sound = std::make_unique<CSound>();
    if (!sound->LoadFromStream(block)) return false;
    sounds.Put(i, std::move(sound), std::move(name));
  }
  Sounds() = std::move(sounds);
  return true;
}

bool PrepareSounds() {
  if (Sounds().Count() > 0) {
    SoundInit(true);
    SoundSetGlobalVolume(1.0);
  }
  for (int32_t i = 0; i < Sounds().Count(); ++i)
    if (CSound* s = Sounds().Get(i)) s->Prepare();
  return true;
}

void ShutdownSounds() {
  // The player's samples go with it; the sounds must not keep their indices.
  for (int32_t i = 0; i < Sounds().Count(); ++i)
    if (CSound* s = Sounds().Get(i)) s->s_soundid = -1;
  SoundShutdown();
}

void ActionPlaySound(int32_t index, bool loop) {
  CSound* s = Sounds().Get(index);
  if (!s) return ShowActionError("Trying to play non-existing sound.", false);
  SoundPlay(s->GetSoundId(), loop);
}

void ActionStopSound(int32_t index) {
  CSound* s = Sounds().Get(index);
  if (!s) return ShowActionError("Trying to stop non-existing sound.", false);
  SoundStop(s->GetSoundId());
}

bool ActionSoundPlaying(int32_t index) {
  CSound* s = Sounds().Get(index);
  return s && SoundIsPlaying(s->GetSoundId());
}
