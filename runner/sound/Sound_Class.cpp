// Sound resources; see Sound_Class.h.
#include "runner/sound/Sound_Class.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "runner/base/Runner_Process.h"
#include "runner/base/Runner_Temp.h"
#include "platform/audio/AudioDevice.h"
#include "runner/sound/Sound_DirectX.h"

namespace {
bool SafeExtension(const std::string& ext) {
  if (ext.size() < 2 || ext.size() > 16 || ext[0] != '.') return false;
  for (size_t i = 1; i < ext.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(ext[i]))) return false;
  return true;
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}
}  // namespace

std::string WriteSoundTempFile(const CStream& data, const std::string& extension) {
  const std::string ext = SafeExtension(extension) ? extension : "";
  const std::string& dir = GetTempDirectory();
  std::uniform_int_distribution<int> pick(0, 99999);
  // A taken name draws again; the bound only stops a directory that refuses every file.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string path = dir + "/a" + std::to_string(pick(TempRandom())) + ext;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return "";
    }
    bool ok = WriteAll(fd, data.Data(), static_cast<size_t>(data.GetSize()));
    ok = ::close(fd) == 0 && ok;
    if (ok) return path;
    ::unlink(path.c_str());
    return "";
  }
  return "";
}

void CSound::Clear() {
  Discard();
  s_kind = -1;
  s_effects = 0;
  s_volume = 1.0;
  s_pan = 0.0;
  s_preload = true;
  s_sound.reset();
  s_fname.clear();
}

bool CSound::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kSoundRecordVersion) return false;
  s_kind = str.ReadInteger();
  s_extension = str.ReadString();
  s_origname = str.ReadString();
  if (str.ReadBoolean()) s_sound = std::make_unique<CStream>(str.ReadStream());
  s_effects = str.ReadInteger();
  s_volume = str.ReadReal();
  s_pan = str.ReadReal();
  s_preload = str.ReadBoolean();
  return true;
}

bool CSound::LoadFromFile(const std::string& fname, int32_t kind, bool preload) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fname, ec)) return false;
  auto data = std::make_unique<CStream>();
  if (!data->LoadFromFile(fname)) return false;
  Clear();
  s_extension = std::filesystem::path(fname).extension().string();
  s_origname = fname;
  s_sound = std::move(data);
  s_kind = kind;
  s_preload = preload;
  Prepare();
  return true;
}

void CSound::Prepare() {
  if (s_preload) Restore();
}

void CSound::Restore() {
  Discard();
  if (s_kind >= kSoundNormal && s_kind <= kSoundSpatial && s_sound) {
    s_soundid = SoundLoadFromMemory(s_sound->Data(), static_cast<size_t>(s_sound->GetSize()), s_kind);
    if (s_soundid < 0) {
      s_kind = kSoundMultimedia;
      TellIfUndecodable();
    }
  }
  if (s_kind == kSoundMultimedia) {
    if (s_sound) {
      s_fname = WriteSoundTempFile(*s_sound, s_extension);
      s_sound.reset();
    }
    if (s_fname.empty()) return;
    s_soundid = SoundLoadFromFile(s_fname, kSoundMultimedia);
  }
  if (s_soundid < 0) return;
  if (s_effects != 0) SoundSetEffects(s_soundid, s_effects);
  SoundSetVolume(s_soundid, s_volume, 0);
  SoundSetPan(s_soundid, s_pan);
}

void CSound::TellIfUndecodable() const {
  // The media player may still play what the device would not take (an OGG file given as a
  // plain sound); only data nothing decodes is silent for good.
  const uint8_t* data = s_sound->Data();
  const size_t size = static_cast<size_t>(s_sound->GetSize());
  platform::audio::RPcm pcm;
  if (!SoundHasPerformance() || platform::audio::IsMidi(data, size) || platform::audio::DecodeAudio(data, size, pcm))
    return;
  const std::string name = s_origname.empty() ? "(" + s_extension + ")" : s_origname;
  std::fprintf(stderr, "runner: the sound \"%s\" cannot be decoded; it stays silent\n", EscapedForMessage(name).c_str());
}

void CSound::Discard() {
  if (s_soundid >= 0 && SoundInitialized()) SoundFree(s_soundid);
  s_soundid = -1;
}

int32_t CSound::GetSoundId() {
  if (s_soundid < 0) Restore();
  return s_soundid;
}
