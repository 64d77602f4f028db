// Sprites and backgrounds of a project: their JSON descriptions, the PNG files they name, the
// import options, and the masks computed exactly as the runner computes them.
#include "tools/gamebuild/Project_Images.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "runner/graphics/Background_Class.h"
#include "runner/graphics/Sprite_Class.h"
#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"
#include "tools/gamebuild/Png_Read.h"
#include "tools/gamebuild/Project.h"
#include "tools/gamebuild/Project_Files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace gamebuild {

namespace {

// One JSON file and the faults found in it.
struct ImageDoc {
  std::string file;  // relative to the project directory
  json root;

  [[noreturn]] void Fail(const std::string& key, const std::string& message) const {
    throw ProjectError(file, key, message);
  }
  void Keys(const json& obj, const std::string& prefix, std::initializer_list<const char*> allowed) const {
    if (!obj.is_object()) Fail(prefix.empty() ? "(top level)" : prefix, "expected an object");
    for (auto it = obj.begin(); it != obj.end(); ++it)
      if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return it.key() == a; }))
        Fail(prefix.empty() ? it.key() : prefix + "." + it.key(), "unknown key");
  }
  bool Bool(const json& obj, const char* name, const std::string& key) const {
    auto it = obj.find(name);
    if (it == obj.end() || it->is_null()) return false;
    if (!it->is_boolean()) Fail(key, "expected true or false");
    return it->get<bool>();
  }
  int32_t Int(const json& v, const std::string& key, int64_t lo, int64_t hi) const {
    if (!v.is_number_integer()) Fail(key, "expected a whole number");
    const int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t{INT64_MAX} ? INT64_MAX : v.get<int64_t>();
    if (n < lo || n > hi) Fail(key, "number out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    return static_cast<int32_t>(n);
  }
};

ImageDoc LoadJson(const fs::path& dir, const std::string& file) {
  std::vector<uint8_t> bytes;
  std::string why;
  const fs::path path = InsideProject(dir, dir, file, why);
  if (path.empty() || !ReadRegularFile(path, bytes, why)) throw ProjectError(file, "", why);
  ImageDoc doc{file, {}};
  try {
    doc.root = json::parse(bytes.begin(), bytes.end());
  } catch (const json::exception& e) {
    // Number overflow lands here as well as syntax.
    throw ProjectError(file, "", "bad JSON: " + JsonMessage(e));
  }
  return doc;
}

// A PNG file named by key, relative to the folder of the JSON file (a folder of the project).
// The runner inflates an image record into at most CStream::kMaxInflatedSize bytes: `total`
// counts the pixel bytes of the record so far, and an image past that is refused from its
// header, before gigabytes are decoded into a record no game can load.
TBitmap32 ReadPng(const ImageDoc& doc, const fs::path& folder, const json& v, const std::string& key, int64_t& total) {
  if (!v.is_string() || v.get<std::string>().empty()) doc.Fail(key, "expected a PNG file name");
  const std::string rel = v.get<std::string>();
  std::string why;
  const fs::path path = InsideProject(folder.parent_path(), folder, rel, why);
  if (path.empty()) doc.Fail(key, why + ": " + rel);
  std::vector<uint8_t> bytes;
  if (!ReadRegularFile(path, bytes, why)) doc.Fail(key, why + ": " + rel);
  RPngDecoded png = DecodePng(bytes, CStream::kMaxInflatedSize - total);
  if (!png.bitmap) doc.Fail(key, PngRefusal(png, rel));
  total += int64_t{png.bitmap->Width()} * png.bitmap->Height() * 4;
  return std::move(*png.bitmap);
}

// "import": remove_background, smooth_edges, bleed; applied in that order.
void ApplyImport(const ImageDoc& doc, const json& root, std::vector<TBitmap32*> images) {
  auto it = root.find("import");
  if (it == root.end() || it->is_null()) return;
  doc.Keys(*it, "import", {"remove_background", "smooth_edges", "bleed"});
  const bool remove = doc.Bool(*it, "remove_background", "import.remove_background");
  const bool smooth = doc.Bool(*it, "smooth_edges", "import.smooth_edges");
  const bool bleed = doc.Bool(*it, "bleed", "import.bleed");
  for (TBitmap32* bm : images) {
    if (remove) bm->RemoveBackground(0);
    if (smooth) bm->SmoothEdges();
    if (bleed) bm->BleedColors();
  }
}

void ReadMaskSettings(const ImageDoc& doc, const json& root, bool& sep, int32_t& bbmode, RRect32& box, int32_t& kind,
                      int32_t& tolerance) {
  auto it = root.find("mask");
  if (it == root.end() || it->is_null()) return;
  const json& m = *it;
  doc.Keys(m, "mask", {"separate", "shape", "bbox", "tolerance"});
  sep = doc.Bool(m, "separate", "mask.separate");
  static const std::map<std::string, int32_t> kShapes = {
      {"precise", kMaskPrecise}, {"rectangle", kMaskRectangle}, {"ellipse", kMaskEllipse}, {"diamond", kMaskDiamond}};
  if (auto s = m.find("shape"); s != m.end() && !s->is_null()) {
    auto k = s->is_string() ? kShapes.find(s->get<std::string>()) : kShapes.end();
    if (k == kShapes.end()) doc.Fail("mask.shape", "expected precise, rectangle, ellipse or diamond");
    kind = k->second;
  }
  if (auto b = m.find("bbox"); b != m.end() && !b->is_null()) {
    if (b->is_string() && b->get<std::string>() == "auto") {
      bbmode = kBBoxAutomatic;
    } else if (b->is_string() && b->get<std::string>() == "full") {
      bbmode = kBBoxFull;
    } else if (b->is_array() && b->size() == 4) {
      bbmode = kBBoxManual;
      int32_t v[4];
      for (size_t i = 0; i < 4; ++i)
        v[i] = doc.Int((*b)[i], "mask.bbox[" + std::to_string(i) + "]", INT32_MIN, INT32_MAX);
      box = {v[0], v[1], v[2], v[3]};
    } else {
      doc.Fail("mask.bbox", "expected \"auto\", \"full\" or [left, top, right, bottom]");
    }
  }
  if (auto t = m.find("tolerance"); t != m.end() && !t->is_null()) tolerance = doc.Int(*t, "mask.tolerance", 0, 255);
}

RSpriteSource ReadSprite(const fs::path& dir, const std::string& name) {
  const ImageDoc doc = LoadJson(dir, "sprites/" + name + ".json");
  const json& root = doc.root;
  doc.Keys(root, "", {"origin", "frames", "strip", "count", "mask", "import"});
  const fs::path folder = dir / "sprites";
  RSpriteSource s;
  s.name = name;
  if (auto o = root.find("origin"); o != root.end() && !o->is_null()) {
    if (!o->is_array() || o->size() != 2) doc.Fail("origin", "expected [x, y]");
    s.xorig = doc.Int((*o)[0], "origin[0]", INT32_MIN, INT32_MAX);
    s.yorig = doc.Int((*o)[1], "origin[1]", INT32_MIN, INT32_MAX);
  }
  const bool hasFrames = root.contains("frames") && !root["frames"].is_null();
  const bool hasStrip = root.contains("strip") && !root["strip"].is_null();
  if (hasFrames == hasStrip) doc.Fail("frames", "give either frames or strip");
  if (hasFrames) {
    const json& list = root["frames"];
    if (!list.is_array()) doc.Fail("frames", "expected a list of PNG file names");
    int64_t total = 0;
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string key = "frames[" + std::to_string(i) + "]";
      s.frames.push_back(ReadPng(doc, folder, list[i], key, total));
      const TBitmap32& first = s.frames[0];
      const TBitmap32& frame = s.frames.back();
      if (frame.Width() != first.Width() || frame.Height() != first.Height())
        doc.Fail(key, "frames must all have the size of the first (" + std::to_string(first.Width()) + "x" +
                          std::to_string(first.Height()) + "); this one is " + std::to_string(frame.Width()) +
                          "x" + std::to_string(frame.Height()));
    }
  } else {
    int64_t total = 0;
    const TBitmap32 strip = ReadPng(doc, folder, root["strip"], "strip", total);
    const json* count = root.contains("count") && !root["count"].is_null() ? &root["count"] : nullptr;
    const int32_t n = count ? doc.Int(*count, "count", 1, strip.Width()) : 1;
    // As the runner splits strips: the columns left over on the right are dropped.
    const int32_t fw = strip.Width() / n;
    for (int32_t i = 0; i < n; ++i) {
      TBitmap32 f(fw, strip.Height());
      f.DrawPart(0, 0, strip, i * fw, 0, fw, strip.Height());
      s.frames.push_back(std::move(f));
    }
  }
  if (root.contains("count") && !root["count"].is_null() && !hasStrip) doc.Fail("count", "only with strip");
  std::vector<TBitmap32*> all;
  for (TBitmap32& f : s.frames) all.push_back(&f);
  ApplyImport(doc, root, all);

  bool sep = false;
  int32_t bbmode = kBBoxAutomatic, kind = kMaskPrecise, tolerance = 0;
  RRect32 box;
  ReadMaskSettings(doc, root, sep, bbmode, box, kind, tolerance);
  CSprite spr;
  spr.i_numb = static_cast<int32_t>(s.frames.size());
  spr.i_bitmap = s.frames;
  spr.ComputeMask(sep, bbmode, box, kind, tolerance);
  s.sepmasks = sep;
  s.masks = std::move(spr.i_mask);
  return s;
}

RBackgroundSource ReadBackground(const fs::path& dir, const std::string& name) {
  RBackgroundSource b;
  b.name = name;
  const std::string png = name + ".png";
  const ImageDoc pngDoc{"backgrounds/" + png, {}};
  int64_t total = 0;
  b.image = ReadPng(pngDoc, dir / "backgrounds", json(png), "", total);
  std::error_code ec;
  if (fs::exists(dir / "backgrounds" / (name + ".json"), ec)) {
    const ImageDoc doc = LoadJson(dir, "backgrounds/" + name + ".json");
    doc.Keys(doc.root, "", {"import"});
    ApplyImport(doc, doc.root, {&b.image});
  }
  return b;
}

// Files in folder with one of the extensions that no name lists.
void CheckListed(const fs::path& dir, const char* folder, const std::vector<std::optional<std::string>>& names,
                 std::initializer_list<const char*> extensions) {
  std::set<std::string> listed;
  for (const auto& n : names)
    if (n) listed.insert(*n);
  std::error_code ec;
  if (!fs::is_directory(dir / folder, ec)) return;
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir / folder, ec)) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && std::find(extensions.begin(), extensions.end(), ext) != extensions.end() &&
        !listed.count(e.path().stem().string()))
      files.push_back(e.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  if (!files.empty())
    throw ProjectError(std::string(folder) + "/" + files[0], "",
                       std::string("not listed in game.json resources.") + folder);
}

template <class T>
void WriteNamedChunk(CStream& c, const std::vector<std::optional<T>>& list, void (*record)(CStream&, const T&)) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(list.size()));
  for (const auto& item : list) {
    CStream e;
    e.WriteBoolean(item.has_value());
    if (item) {
      e.WriteString(item->name);
      record(e, *item);
    }
    c.WriteStreamC(e);
  }
}

void SpriteRecord(CStream& e, const RSpriteSource& s) {
  e.WriteInteger(kSpriteRecordVersion);
  e.WriteInteger(s.xorig);
  e.WriteInteger(s.yorig);
  e.WriteInteger(static_cast<int32_t>(s.frames.size()));
  for (const TBitmap32& f : s.frames) f.SaveToStream(e);
  e.WriteBoolean(s.sepmasks);
  for (const TMask& m : s.masks) m.SaveToStream(e);
}

void BackgroundRecord(CStream& e, const RBackgroundSource& b) {
  e.WriteInteger(kBackgroundRecordVersion);
  b.image.SaveToStream(e);
}

}  // namespace

std::vector<std::optional<RSpriteSource>> ReadSprites(const fs::path& dir,
                                                      const std::vector<std::optional<std::string>>& names) {
  std::vector<std::optional<RSpriteSource>> out;
  for (const auto& n : names) out.push_back(n ? std::optional(ReadSprite(dir, *n)) : std::nullopt);
  CheckListed(dir, "sprites", names, {".json"});
  return out;
}

std::vector<std::optional<RBackgroundSource>> ReadBackgrounds(const fs::path& dir,
                                                              const std::vector<std::optional<std::string>>& names) {
  std::vector<std::optional<RBackgroundSource>> out;
  for (const auto& n : names) out.push_back(n ? std::optional(ReadBackground(dir, *n)) : std::nullopt);
  CheckListed(dir, "backgrounds", names, {".png", ".json"});
  return out;
}

void WriteSpriteChunk(CStream& c, const std::vector<std::optional<RSpriteSource>>& sprites) {
  WriteNamedChunk(c, sprites, SpriteRecord);
}

void WriteBackgroundChunk(CStream& c, const std::vector<std::optional<RBackgroundSource>>& backgrounds) {
  WriteNamedChunk(c, backgrounds, BackgroundRecord);
}

}  // namespace gamebuild
