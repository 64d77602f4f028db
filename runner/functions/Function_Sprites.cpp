// Built-in functions that draw sprites and backgrounds, give their textures, and inspect and
// change the two resource lists at run time.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Sprites.h"
#include "runner/functions/Support_File.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Runner_Temp.h"
#include "platform/files/AtomicFile.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
double D(const RValue& v) { return v.val(); }

const CSprite* DrawnSprite(const RValue& v) {
  const int32_t ind = I(v);
  if (Sprites().Exists(ind)) return Sprites().Get(ind);
  ShowActionError("Trying to draw non-existing sprite.", false);
  return nullptr;
}

const CBackground* DrawnBackground(const RValue& v) {
  const int32_t ind = I(v);
  if (Backgrounds().Exists(ind)) return Backgrounds().Get(ind);
  ShowActionError("Trying to draw non-existing background.", false);
  return nullptr;
}

int32_t CurrentImage(const CInstance* self) {
  if (!self) return 0;
  const double f = std::floor(self->i_imageindex);
  return std::isfinite(f) && std::fabs(f) < 2147483647.0 ? static_cast<int32_t>(f) : 0;
}

// A subimg below 0 is the caller's own image.
int32_t SubImage(const CInstance* self, const RValue& v) {
  const int32_t s = I(v);
  return s < 0 ? CurrentImage(self) : s;
}

void RoomSize(double& w, double& h) {
  const CRoom* room = CurrentRoom();
  w = room ? room->r_width : 0;
  h = room ? room->r_height : 0;
}

void draw_self(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (!self) return;
  const int32_t ind = self->i_spriteindex;
  if (!Sprites().Exists(ind)) {
    ShowActionError("Trying to draw non-existing sprite.", false);
    return;
  }
  Sprites().Get(ind)->Draw(CurrentImage(self), self->i_x, self->i_y, self->i_imagescalex, self->i_imagescaley,
                           self->i_imageangle, static_cast<int32_t>(self->i_imageblend), self->i_imagealpha);
}
void draw_sprite(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) s->DrawSimple(SubImage(self, a[1]), D(a[2]), D(a[3]));
}
void draw_sprite_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->Draw(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), I(a[7]), D(a[8]));
}
void draw_sprite_stretched(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawStretched(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), 0xFFFFFF, 1);
}
void draw_sprite_stretched_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawStretched(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]));
}
void draw_sprite_part(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawPart(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), 1, 1, 0xFFFFFF, 1);
}
void draw_sprite_part_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawPart(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]),
                I(a[10]), D(a[11]));
}
void draw_sprite_general(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawGeneral(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]),
                   D(a[10]), I(a[11]), I(a[12]), I(a[13]), I(a[14]), D(a[15]));
}
void draw_sprite_tiled(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) {
    double w, h;
    RoomSize(w, h);
    s->DrawTiled(SubImage(self, a[1]), D(a[2]), D(a[3]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
  }
}
void draw_sprite_tiled_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) {
    double w, h;
    RoomSize(w, h);
    s->DrawTiled(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), true, true, 0, 0, w, h, I(a[6]), D(a[7]));
  }
}

}  // namespace

void draw_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) b->DrawSimple(D(a[1]), D(a[2]));
}

namespace {

void draw_background_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->Draw(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]));
}
void draw_background_stretched(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) b->DrawStretched(D(a[1]), D(a[2]), D(a[3]), D(a[4]), 0xFFFFFF, 1);
}
void draw_background_stretched_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawStretched(D(a[1]), D(a[2]), D(a[3]), D(a[4]), I(a[5]), D(a[6]));
}
void draw_background_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawPart(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), 1, 1, 0xFFFFFF, 1);
}
void draw_background_part_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawPart(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), I(a[9]), D(a[10]));
}
void draw_background_general(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawGeneral(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]), I(a[10]),
                   I(a[11]), I(a[12]), I(a[13]), D(a[14]));
}

}  // namespace

void draw_background_tiled(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) {
    double w, h;
    RoomSize(w, h);
    b->DrawTiled(D(a[1]), D(a[2]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
  }
}

namespace {

void draw_background_tiled_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) {
    double w, h;
    RoomSize(w, h);
    b->DrawTiled(D(a[1]), D(a[2]), D(a[3]), D(a[4]), true, true, 0, 0, w, h, I(a[5]), D(a[6]));
  }
}

void sprite_get_texture(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = I(a[0]);
  if (!Sprites().Exists(ind)) {
    ShowActionError("Trying to get texture from non-existing sprite.", false);
    r = RValue(-1.0);
    return;
  }
  r = RValue(static_cast<double>(Sprites().Get(ind)->GetTexture(SubImage(self, a[1]))));
}
void background_get_texture(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = I(a[0]);
  if (!Backgrounds().Exists(ind)) {
    ShowActionError("Trying to get texture from non-existing background.", false);
    r = RValue(-1.0);
    return;
  }
  r = RValue(static_cast<double>(Backgrounds().Get(ind)->GetTexture()));
}

// Resources.

bool B(const RValue& v) { return IsTrue(v.val()); }
void Real(RValue& r, double v) { r = RValue(v); }
// The file a game names for reading: its letter case and separators need not match the disk.
std::string FileArg(const RValue& v) {
  const std::string name(v.str());
  if (name.empty()) return name;
  return ResolveExisting(name).value_or(MapWindowsPath(name));
}

// The image as a file: PNG for ".png" in any case, else a Windows bitmap. Written whole or
// not at all, so a failed save never leaves a broken picture where a good one was.
void SaveImage(const TBitmap32& bm, const std::string& fname) {
  const std::optional<std::string> path = ResolveForWrite(fname);
  if (!path) return;
  std::string ext = fname.size() >= 4 ? fname.substr(fname.size() - 4) : "";
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::vector<uint8_t> bytes = ext == ".png" ? bm.SaveToPNG() : bm.SaveToBMP();
  if (bytes.empty()) return;
  platform::ReplaceFileContents(*path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Appends an entry, loads it, and takes it back when the load fails.
template <class T, class Load>
int32_t AddLoaded(TResourceList<T>& list, Load load) {
  const int32_t ind = list.Add();
  if (load(*list.Get(ind))) return ind;
  list.DropLast();
  return -1;
}

template <class T>
void ExistsOf(TResourceList<T>& list, Args a, RValue& r) {
  Real(r, list.Exists(I(a[0])) ? 1 : 0);
}

template <class T>
T* Existing(TResourceList<T>& list, const RValue& v, const char* error) {
  const int32_t ind = I(v);
  if (list.Exists(ind)) return list.Get(ind);
  if (error) ShowActionError(error, false);
  return nullptr;
}

template <class T>
void Delete(TResourceList<T>& list, Args a, const char* error) {
  if (!list.Delete(I(a[0]))) ShowActionError(error, false);
}

template <class T>
void Duplicate(TResourceList<T>& list, Args a, RValue& r, const char* error) {
  const T* src = Existing(list, a[0], error);
  if (!src) {
    Real(r, -1);
    return;
  }
  const int32_t ind = list.Add();
  list.Get(ind)->Assign(*src);
  Real(r, ind);
}

// Copies source into index, making the entry when the slot is empty; an empty source clears.
template <class T>
void AssignTo(TResourceList<T>& list, Args a, const char* error) {
  const int32_t ind = I(a[0]), src = I(a[1]);
  T* dest = list.Ensure(ind);
  if (src < 0 || src >= list.Count() || !dest) {
    ShowActionError(error, false);
    return;
  }
  if (const T* from = list.Get(src))
    dest->Assign(*from);
  else
    dest->Clear();
}

// Loads into index (making the entry when the slot is empty); false and the error outside.
template <class T, class Load>
void ReplaceLoaded(TResourceList<T>& list, const RValue& index, RValue& r, const char* error, Load load) {
  T* item = list.Ensure(I(index));
  if (!item) {
    ShowActionError(error, false);
    Real(r, 0);
    return;
  }
  Real(r, load(*item) ? 1 : 0);
}

constexpr const char* kReplaceSprite = "Trying to replace non-existing sprite.";
constexpr const char* kReplaceBackground = "Trying to replace non-existing background.";

void sprite_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r = RValue(Sprites().Name(I(a[0]))); }
void sprite_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { ExistsOf(Sprites(), a, r); }

// The numeric getters: -1 for a missing sprite.
template <int32_t (*Get)(const CSprite&)>
void SpriteValue(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CSprite* s = Existing(Sprites(), a[0], nullptr);
  Real(r, s ? Get(*s) : -1);
}
int32_t Number(const CSprite& s) { return s.i_numb; }
int32_t Width(const CSprite& s) { return s.GetWidth(); }
int32_t Height(const CSprite& s) { return s.GetHeight(); }
int32_t XOffset(const CSprite& s) { return s.i_xorig; }
int32_t YOffset(const CSprite& s) { return s.i_yorig; }
int32_t BoxLeft(const CSprite& s) { return s.i_bbox.left; }
int32_t BoxRight(const CSprite& s) { return s.i_bbox.right; }
int32_t BoxTop(const CSprite& s) { return s.i_bbox.top; }
int32_t BoxBottom(const CSprite& s) { return s.i_bbox.bottom; }

void sprite_set_offset(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSprite* s = Existing(Sprites(), a[0], nullptr)) {
    s->i_xorig = I(a[1]);
    s->i_yorig = I(a[2]);
  }
}
void sprite_set_alpha_from_sprite(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CSprite* s = Existing(Sprites(), a[0], nullptr);
  const CSprite* from = Existing(Sprites(), a[1], nullptr);
  if (s && from) s->SetAlphaFromSprite(*from);
}
void sprite_create_from_screen(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  TBitmap32 shot;
  if (!Display_Capture(I(a[0]), I(a[1]), I(a[2]), I(a[3]), shot)) {
    Real(r, -1);
    return;
  }
  const int32_t ind = Sprites().Add();
  Sprites().Get(ind)->CreateFromBitmap(shot, B(a[4]) ? 1 : 0, B(a[5]), I(a[6]), I(a[7]));
  Real(r, ind);
}
void sprite_add_from_screen(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CSprite* s = Existing(Sprites(), a[0], "Trying to add to non-existing sprite.");
  TBitmap32 shot;
  if (s && Display_Capture(I(a[1]), I(a[2]), I(a[3]), I(a[4]), shot)) s->AddFromBitmap(shot, B(a[5]), B(a[6]));
}
void sprite_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[0]);
  Real(r, AddLoaded(Sprites(), [&](CSprite& s) {
         return s.LoadFromFile(fname, I(a[1]), B(a[2]), B(a[3]), I(a[4]), I(a[5]));
       }));
}

}  // namespace

void sprite_replace(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[1]);
  ReplaceLoaded(Sprites(), a[0], r, kReplaceSprite, [&](CSprite& s) {
    return s.LoadFromFile(fname, I(a[2]), B(a[3]), B(a[4]), I(a[5]), I(a[6]));
  });
}

namespace {

void sprite_add_sprite(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[0]);
  Real(r, AddLoaded(Sprites(), [&](CSprite& s) { return s.LoadFromSpriteFile(fname); }));
}

}  // namespace

void sprite_replace_sprite(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[1]);
  ReplaceLoaded(Sprites(), a[0], r, kReplaceSprite, [&](CSprite& s) { return s.LoadFromSpriteFile(fname); });
}

namespace {

void sprite_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Delete(Sprites(), a, "Trying to delete non-existing sprite.");
}
void sprite_duplicate(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Duplicate(Sprites(), a, r, "Trying to duplicate non-existing sprite.");
}
void sprite_assign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  AssignTo(Sprites(), a, "Error assigning a sprite.");
}
void sprite_merge(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CSprite* to = Existing(Sprites(), a[0], "Trying to merge to non-existing sprite.");
  const CSprite* from = to ? Existing(Sprites(), a[1], "Trying to merge from non-existing sprite.") : nullptr;
  if (to && from) to->AddFromSprite(*from);
}
const CSprite* SavedSprite(const RValue& ind, const std::string& fname) {
  const CSprite* s = Existing(Sprites(), ind, "Trying to save non-existing sprite bitmap.");
  if (s && fname.empty()) {
    ShowActionError("Trying to save sprite bitmap to empty image file name.", false);
    return nullptr;
  }
  return s && s->i_numb > 0 ? s : nullptr;
}
void sprite_save(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const std::string fname(a[2].str());
  if (const CSprite* s = SavedSprite(a[0], fname))
    SaveImage(s->i_bitmap[static_cast<size_t>(s->Frame(I(a[1])))], fname);
}
void sprite_save_strip(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const std::string fname(a[1].str());
  const CSprite* s = SavedSprite(a[0], fname);
  if (!s) return;
  const int64_t w = int64_t{s->GetWidth()} * s->i_numb;
  if (w > INT32_MAX) return;
  TBitmap32 strip(static_cast<int32_t>(w), s->GetHeight());
  for (int32_t i = 0; i < s->i_numb; ++i) strip.Draw(i * s->GetWidth(), 0, s->i_bitmap[static_cast<size_t>(i)]);
  SaveImage(strip, fname);
}
void sprite_collision_mask(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSprite* s = Existing(Sprites(), a[0], "Trying to set collision mode for non-existing sprite."))
    s->ComputeMask(B(a[1]), I(a[2]), RRect32{I(a[3]), I(a[4]), I(a[5]), I(a[6])}, I(a[7]), I(a[8]));
}

void background_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r = RValue(Backgrounds().Name(I(a[0])));
}
void background_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { ExistsOf(Backgrounds(), a, r); }
void background_get_width(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CBackground* b = Existing(Backgrounds(), a[0], nullptr);
  Real(r, b ? b->GetWidth() : -1);
}
void background_get_height(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CBackground* b = Existing(Backgrounds(), a[0], nullptr);
  Real(r, b ? b->GetHeight() : -1);
}
void background_set_alpha_from_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CBackground* b = Existing(Backgrounds(), a[0], nullptr);
  const CBackground* from = Existing(Backgrounds(), a[1], nullptr);
  if (b && from) b->SetAlphaFromBackground(*from);
}
void background_create_from_screen(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  TBitmap32 shot;
  if (!Display_Capture(I(a[0]), I(a[1]), I(a[2]), I(a[3]), shot)) {
    Real(r, -1);
    return;
  }
  const int32_t ind = Backgrounds().Add();
  Backgrounds().Get(ind)->CreateFromBitmap(shot, B(a[4]), B(a[5]));
  Real(r, ind);
}
void background_create_color(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = Backgrounds().Add();
  Backgrounds().Get(ind)->CreateColor(I(a[0]), I(a[1]), I(a[2]));
  Real(r, ind);
}
void background_create_gradient(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = Backgrounds().Add();
  Backgrounds().Get(ind)->CreateGradient(I(a[0]), I(a[1]), I(a[2]), I(a[3]), I(a[4]));
  Real(r, ind);
}
void background_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[0]);
  Real(r, AddLoaded(Backgrounds(), [&](CBackground& b) { return b.LoadFromFile(fname, B(a[1]), B(a[2])); }));
}

}  // namespace

void background_replace(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[1]);
  ReplaceLoaded(Backgrounds(), a[0], r, kReplaceBackground,
                [&](CBackground& b) { return b.LoadFromFile(fname, B(a[2]), B(a[3])); });
}

namespace {

void background_add_background(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[0]);
  Real(r, AddLoaded(Backgrounds(), [&](CBackground& b) { return b.LoadFromBackgroundFile(fname); }));
}

}  // namespace

void background_replace_background(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[1]);
  ReplaceLoaded(Backgrounds(), a[0], r, kReplaceBackground,
                [&](CBackground& b) { return b.LoadFromBackgroundFile(fname); });
}

namespace {

void background_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Delete(Backgrounds(), a, "Trying to delete non-existing background.");
}
void background_duplicate(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Duplicate(Backgrounds(), a, r, "Trying to duplicate non-existing background.");
}
void background_assign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  AssignTo(Backgrounds(), a, "Error assigning a background.");
}
void background_save(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const CBackground* b = Existing(Backgrounds(), a[0], "Trying to save non-existing background bitmap.");
  if (!b) return;
  const std::string fname(a[1].str());
  if (fname.empty()) {
    ShowActionError("Trying to save background bitmap to empty image file name.", false);
    return;
  }
  if (!b->i_bitmap.Empty()) SaveImage(b->i_bitmap, fname);
}

constexpr RFunctionDef kSpriteFunctions[] = {
    {"draw_self", 0, draw_self},
    {"draw_sprite", 4, draw_sprite},
    {"draw_sprite_ext", 9, draw_sprite_ext},
    {"draw_sprite_stretched", 6, draw_sprite_stretched},
    {"draw_sprite_stretched_ext", 8, draw_sprite_stretched_ext},
    {"draw_sprite_part", 8, draw_sprite_part},
    {"draw_sprite_part_ext", 12, draw_sprite_part_ext},
    {"draw_sprite_general", 16, draw_sprite_general},
    {"draw_sprite_tiled", 4, draw_sprite_tiled},
    {"draw_sprite_tiled_ext", 8, draw_sprite_tiled_ext},
    {"draw_background", 3, draw_background},
    {"draw_background_ext", 8, draw_background_ext},
    {"draw_background_stretched", 5, draw_background_stretched},
    {"draw_background_stretched_ext", 7, draw_background_stretched_ext},
    {"draw_background_part", 7, draw_background_part},
    {"draw_background_part_ext", 11, draw_background_part_ext},
    {"draw_background_general", 15, draw_background_general},
    {"draw_background_tiled", 3, draw_background_tiled},
    {"draw_background_tiled_ext", 7, draw_background_tiled_ext},
    {"sprite_get_texture", 2, sprite_get_texture},
    {"background_get_texture", 1, background_get_texture},
    {"sprite_name", 1, sprite_name},
    {"sprite_get_name", 1, sprite_name},
    {"sprite_exists", 1, sprite_exists},
    {"sprite_get_number", 1, SpriteValue<Number>},
    {"sprite_get_width", 1, SpriteValue<Width>},
    {"sprite_get_height", 1, SpriteValue<Height>},
    {"sprite_get_xoffset", 1, SpriteValue<XOffset>},
    {"sprite_get_yoffset", 1, SpriteValue<YOffset>},
    {"sprite_get_bbox_left", 1, SpriteValue<BoxLeft>},
    {"sprite_get_bbox_right", 1, SpriteValue<BoxRight>},
    {"sprite_get_bbox_top", 1, SpriteValue<BoxTop>},
    {"sprite_get_bbox_bottom", 1, SpriteValue<BoxBottom>},
    {"sprite_set_offset", 3, sprite_set_offset},
    {"sprite_set_alpha_from_sprite", 2, sprite_set_alpha_from_sprite},
    {"sprite_create_from_screen", 8, sprite_create_from_screen},
    {"sprite_add_from_screen", 7, sprite_add_from_screen},
    {"sprite_add", 6, sprite_add},
    {"sprite_replace", 7, sprite_replace},
    {"sprite_add_sprite", 1, sprite_add_sprite},
    {"sprite_replace_sprite", 2, sprite_replace_sprite},
    {"sprite_delete", 1, sprite_delete},
    {"sprite_duplicate", 1, sprite_duplicate},
    {"sprite_assign", 2, sprite_assign},
    {"sprite_merge", 2, sprite_merge},
    {"sprite_save", 3, sprite_save},
    {"sprite_save_strip", 2, sprite_save_strip},
    {"sprite_collision_mask", 9, sprite_collision_mask},
    {"background_name", 1, background_name},
    {"background_get_name", 1, background_name},
    {"background_exists", 1, background_exists},
    {"background_get_width", 1, background_get_width},
    {"background_get_height", 1, background_get_height},
    {"background_set_alpha_from_background", 2, background_set_alpha_from_background},
    {"background_create_from_screen", 6, background_create_from_screen},
    {"background_create_color", 3, background_create_color},
    {"background_create_gradient", 5, background_create_gradient},
    {"background_add", 3, background_add},
    {"background_replace", 4, background_replace},
    {"background_add_background", 1, background_add_background},
    {"background_replace_background", 2, background_replace_background},
    {"background_delete", 1, background_delete},
    {"background_duplicate", 1, background_duplicate},
    {"background_assign", 2, background_assign},
    {"background_save", 2, background_save},
};
}  // namespace

FunctionFamily SpriteFunctions() { return kSpriteFunctions; }
