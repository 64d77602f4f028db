// Reading the settings block of the game header into the one settings record.
#include "runner/base/Option_Main.h"

#include <utility>

#include "runner/base/Support_Stream.h"

namespace {

std::shared_ptr<const TBitmap32> ReadPicture(CStream& s) { return std::shared_ptr<const TBitmap32>(s.ReadBitmap()); }
}  // namespace

bool Option_Read(CStream& stream) {
  if (stream.ReadInteger() != kOptionsVersion) return false;
  CStream s = stream.ReadStreamC();
  // Filled aside so a short block leaves the record in force untouched.
  ROptions o;
  o.opt_fullscreen = s.ReadBoolean();
  o.opt_interpolate = s.ReadBoolean();
  o.opt_noborder = s.ReadBoolean();
  o.opt_showcursor = s.ReadBoolean();
  o.opt_scale = s.ReadInteger();
  o.opt_sizeable = s.ReadBoolean();
  o.opt_stayontop = s.ReadBoolean();
  o.opt_windowcolor = s.ReadInteger();
  o.opt_changeres = s.ReadBoolean();
  o.opt_colordepth = s.ReadInteger();
  o.opt_resolution = s.ReadInteger();
  o.opt_frequency = s.ReadInteger();
  o.opt_nobuttons = s.ReadBoolean();
  o.opt_vsync = s.ReadBoolean();
  o.opt_noscreensaver = s.ReadBoolean();
  o.opt_keyf4 = s.ReadBoolean();
  o.opt_keyf1 = s.ReadBoolean();
  o.opt_keyesc = s.ReadBoolean();
  o.opt_keyf5f6 = s.ReadBoolean();
  o.opt_keyf9 = s.ReadBoolean();
  o.opt_closeasesc = s.ReadBoolean();
  o.opt_priority = s.ReadInteger();
  o.opt_freeze = s.ReadBoolean();
  o.opt_showprogress = s.ReadBoolean();
  if (o.opt_showprogress) {
    o.opt_progressback = ReadPicture(s);
    o.opt_progressfront = ReadPicture(s);
  }
  o.opt_loadimage = ReadPicture(s);
  o.opt_loadtransparent = s.ReadBoolean();
  o.opt_loadalpha = s.ReadInteger();
  o.opt_scaleprogress = s.ReadBoolean();
  o.opt_showerrors = s.ReadBoolean();
  o.opt_logerrors = s.ReadBoolean();
  o.opt_aborterrors = s.ReadBoolean();
  const int32_t flags = s.ReadInteger();
  o.opt_uninitzero = (flags & 1) != 0;
  o.opt_argerrors = (flags & 2) != 0;
  SettingsState().options = std::move(o);
  return true;
}

const ROptions& Options() { return SettingsState().options; }
void Option_Set(ROptions options) { SettingsState().options = std::move(options); }

void Option_ReleasePictures() {
  SettingsState().options.opt_progressback.reset();
  SettingsState().options.opt_progressfront.reset();
  SettingsState().options.opt_loadimage.reset();
}
