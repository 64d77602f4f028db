// The game settings record: read once from the settings block of the game header, read-only
// afterwards (the loading pictures excepted, which the loading window takes over).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Game.h"

class CStream;

struct ROptions {
  bool opt_fullscreen = false;
  bool opt_interpolate = false;
  bool opt_noborder = false;
  bool opt_showcursor = true;
  int32_t opt_scale = 100;
  bool opt_sizeable = false;
  bool opt_stayontop = false;
  int32_t opt_windowcolor = 0;
  bool opt_changeres = false;
  int32_t opt_colordepth = 0;
  int32_t opt_resolution = 0;
  int32_t opt_frequency = 0;
  bool opt_nobuttons = false;
  bool opt_vsync = false;
  bool opt_noscreensaver = false;
  bool opt_keyf4 = true;
  bool opt_keyf1 = true;
  bool opt_keyesc = true;
  bool opt_keyf5f6 = true;
  bool opt_keyf9 = true;
  bool opt_closeasesc = true;
  int32_t opt_priority = 0;
  bool opt_freeze = false;
  bool opt_showprogress = false;
  std::shared_ptr<const TBitmap32> opt_progressback;
  std::shared_ptr<const TBitmap32> opt_progressfront;
  std::shared_ptr<const TBitmap32> opt_loadimage;
  bool opt_loadtransparent = false;
  int32_t opt_loadalpha = 255;
  bool opt_scaleprogress = false;
  bool opt_showerrors = true;
  bool opt_logerrors = false;
  bool opt_aborterrors = false;
  bool opt_uninitzero = false;
  bool opt_argerrors = false;
};

inline constexpr int32_t kOptionsVersion = 800;

// What the game header says of the game: its settings, its id and session id, and whether it
// runs in secure mode.
struct RSettingsState {
  static constexpr EGameSlot kSlot = EGameSlot::Settings;
  ROptions options;
  int32_t gameId = 0;
  std::array<uint8_t, 16> sessionId{};
  bool secure = false;
};
inline RSettingsState& SettingsState() { return TheGame().State<RSettingsState>(); }

// The game's id and session id from the header.
inline int32_t GameId() { return SettingsState().gameId; }
inline const std::array<uint8_t, 16>& GameSessionId() { return SettingsState().sessionId; }

// Secure mode: included files and the file functions stay inside the game's folder.
inline void SetSecureMode(bool on) { SettingsState().secure = on; }
inline bool SecureMode() { return SettingsState().secure; }

// Reads the settings block into the game's record. False when its version is wrong
// (the record is left as it was); a short or damaged block throws StreamError.
bool Option_Read(CStream& stream);

// The settings in force. Defaults until a game is loaded.
const ROptions& Options();

// Replaces the record; for tests that need other settings than a game file's.
void Option_Set(ROptions options);

// Drops the three loading pictures once the loading window has taken them.
void Option_ReleasePictures();
