// A sound resource: the bytes of a sound file with its kind, effects, volume, pan and preload
// flag, and its link to the player's sample.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runner/base/Support_Stream.h"

inline constexpr int32_t kSoundRecordVersion = 800;

class CSound {
 public:
  CSound() = default;
  ~CSound() { Clear(); }
  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  // Kind -1, effects 0, volume 1, pan 0, preload on; data, sample and file name gone.
  void Clear();
  // One sound record; false for a wrong version. Damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // The whole file as the sound's data; false when the file does not exist or cannot be read.
  bool LoadFromFile(const std::string& fname, int32_t kind, bool preload);
  void Prepare();  // restores now when preloaded
  void Restore();  // into the player
  void Discard();  // frees the sample; Restore brings it back
  // One line on standard error when the sound's data is nothing any player decodes.
  void TellIfUndecodable() const;
  // The sample index, restoring first when there is none; -1 when the sound cannot play.
  int32_t GetSoundId();

  int32_t s_kind = -1;
  std::string s_extension;
  std::string s_origname;
  std::unique_ptr<CStream> s_sound;
  bool s_preload = true;
  int32_t s_effects = 0;
  double s_volume = 1.0;
  double s_pan = 0.0;
  int32_t s_soundid = -1;
  std::string s_fname;
};

// Writes data to a new file "a" + random number + extension in the temporary directory; the
// name, or "" when no file could be made. An extension that is not a dot and letters or digits
// is left off, so game data never names a path.
std::string WriteSoundTempFile(const CStream& data, const std::string& extension);
