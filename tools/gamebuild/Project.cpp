// Reading a project directory: game.json, constants.json, included.json and the files they
// name. Every fault names its file and key; unknown keys are faults too, so typos never pass.
#include "tools/gamebuild/Project.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "runner/shell/DataNew_Class.h"
#include "tools/gamebuild/Png_Read.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace gamebuild {

ProjectError::ProjectError(std::string file, std::string key, const std::string& message)
    : std::runtime_error(file + (key.empty() ? "" : ": " + key) + ": " + message),
      file_(std::move(file)),
      key_(std::move(key)) {}

namespace {

constexpr char kLibraryPlaceholder[] =
    "Korvex runner placeholder for the Direct3D extension library: the runner's graphics layer "
    "stands in for its functions.\n";

// One JSON file of the project and where its values sit, for messages.
struct Doc {
  std::string file;  // relative to the project directory
  json root;
};

std::string Join(const std::string& prefix, const std::string& name) {
  return prefix.empty() ? name : prefix + "." + name;
}
std::string Index(const std::string& prefix, size_t i) { return prefix + "[" + std::to_string(i) + "]"; }

[[noreturn]] void Fail(const Doc& doc, const std::string& key, const std::string& message) {
  throw ProjectError(doc.file, key, message);
}

std::vector<uint8_t> ReadBytes(const fs::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in) && fs::is_regular_file(path);
  if (!ok) return {};
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ok = !in.bad();
  return bytes;
}

Doc LoadDoc(const fs::path& dir, const std::string& file) {
  bool ok;
  std::vector<uint8_t> bytes = ReadBytes(dir / file, ok);
  if (!ok) throw ProjectError(file, "", "file not found");
  Doc doc{file, {}};
  // The parser keeps the last of two equal keys; a hand-written file means the first as often.
  std::vector<std::set<std::string>> keys;
  const json::parser_callback_t noDuplicateKeys = [&](int, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
    if (event == json::parse_event_t::key && !keys.empty() && !keys.back().insert(parsed.get<std::string>()).second)
      throw ProjectError(file, parsed.get<std::string>(), "duplicate key");
    return true;
  };
  try {
    doc.root = json::parse(bytes.begin(), bytes.end(), noDuplicateKeys);
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    const size_t cut = what.find("] ");  // drop the library's exception id
    throw ProjectError(file, "", "bad JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2)));
  }
  return doc;
}

void ExpectObject(const Doc& doc, const json& v, const std::string& key) {
  if (!v.is_object()) Fail(doc, key.empty() ? "(top level)" : key, "expected an object");
}
void ExpectArray(const Doc& doc, const json& v, const std::string& key) {
  if (!v.is_array()) Fail(doc, key.empty() ? "(top level)" : key, "expected a list");
}

void CheckKeys(const Doc& doc, const json& obj, const std::string& prefix, std::initializer_list<const char*> allowed) {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return it.key() == a; }))
      Fail(doc, Join(prefix, it.key()), "unknown key");
  }
}

// A member that is present and not null.
const json* Member(const json& obj, const char* name) {
  auto it = obj.find(name);
  if (it == obj.end() || it->is_null()) return nullptr;
  return &*it;
}

bool GetBool(const Doc& doc, const json& obj, const std::string& prefix, const char* name, bool def) {
  const json* v = Member(obj, name);
  if (!v) return def;
  if (!v->is_boolean()) Fail(doc, Join(prefix, name), "expected true or false");
  return v->get<bool>();
}

int64_t GetInteger(const Doc& doc, const json& v, const std::string& key, int64_t lo, int64_t hi) {
  if (!v.is_number_integer()) Fail(doc, key, "expected a whole number");
  const int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max())
                        ? std::numeric_limits<int64_t>::max()
                        : v.get<int64_t>();
  if (n < lo || n > hi) Fail(doc, key, "number out of range " + std::to_string(lo) + ".." + std::to_string(hi));
  return n;
}

int32_t GetInt(const Doc& doc, const json& obj, const std::string& prefix, const char* name, int32_t def,
               int64_t lo = std::numeric_limits<int32_t>::min(), int64_t hi = std::numeric_limits<int32_t>::max()) {
  const json* v = Member(obj, name);
  if (!v) return def;
  return static_cast<int32_t>(GetInteger(doc, *v, Join(prefix, name), lo, hi));
}

std::string GetString(const Doc& doc, const json& obj, const std::string& prefix, const char* name,
                      const std::string& def) {
  const json* v = Member(obj, name);
  if (!v) return def;
  if (!v->is_string()) Fail(doc, Join(prefix, name), "expected a string");
  return v->get<std::string>();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" is stored as 0xBBGGRR; a number is stored as it is.
int32_t GetColour(const Doc& doc, const json& obj, const std::string& prefix, const char* name, int32_t def) {
  const json* v = Member(obj, name);
  if (!v) return def;
  const std::string key = Join(prefix, name);
  if (v->is_number_integer()) return static_cast<int32_t>(GetInteger(doc, *v, key, INT32_MIN, INT32_MAX));
  if (!v->is_string()) Fail(doc, key, "expected a colour \"#RRGGBB\" or a number");
  const std::string s = v->get<std::string>();
  int rgb[6];
  bool ok = s.size() == 7 && s[0] == '#';
  for (int i = 0; ok && i < 6; ++i) ok = (rgb[i] = HexDigit(s[static_cast<size_t>(i) + 1])) >= 0;
  if (!ok) Fail(doc, key, "expected a colour \"#RRGGBB\" or a number");
  const int r = rgb[0] * 16 + rgb[1], g = rgb[2] * 16 + rgb[3], b = rgb[4] * 16 + rgb[5];
  return r | g << 8 | b << 16;
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// A file the project names, relative to the project directory.
std::vector<uint8_t> ReadNamedFile(const fs::path& dir, const Doc& doc, const std::string& key, const std::string& rel) {
  if (rel.empty()) Fail(doc, key, "empty file name");
  bool ok;
  std::vector<uint8_t> bytes = ReadBytes(dir / rel, ok);
  if (!ok) Fail(doc, key, "file not found: " + rel);
  return bytes;
}

// Code keeps its text; line ends become CR LF and a leading byte-order mark goes.
std::string CodeText(const std::vector<uint8_t>& bytes) {
  std::string in(bytes.begin(), bytes.end());
  if (in.rfind("\xEF\xBB\xBF", 0) == 0) in.erase(0, 3);
  std::string out;
  out.reserve(in.size() + in.size() / 16);
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\r') {
      if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (in[i] == '\n') {
      out += "\r\n";
    } else {
      out += in[i];
    }
  }
  return out;
}

std::shared_ptr<const TBitmap32> ReadPicture(const fs::path& dir, const Doc& doc, const json& obj,
                                             const std::string& prefix, const char* name) {
  const std::string rel = GetString(doc, obj, prefix, name, "");
  if (rel.empty()) return nullptr;
  const std::string key = Join(prefix, name);
  std::string error;
  auto bitmap = DecodePng(ReadNamedFile(dir, doc, key, rel), error);
  if (!bitmap) Fail(doc, key, "not a readable PNG file: " + rel + " (" + error + ")");
  return std::shared_ptr<const TBitmap32>(std::move(bitmap));
}

void ReadSettings(const Doc& doc, const json& root, ROptions& o) {
  const json* s = Member(root, "settings");
  if (s) {
    const std::string p = "settings";
    ExpectObject(doc, *s, p);
    CheckKeys(doc, *s, p,
              {"fullscreen", "interpolate", "noborder", "showcursor", "scale", "sizeable", "stayontop", "windowcolor",
               "changeres", "colordepth", "resolution", "frequency", "nobuttons", "vsync", "noscreensaver", "keyf4",
               "keyf1", "keyesc", "keyf5f6", "keyf9", "closeasesc", "priority", "freeze", "showerrors", "logerrors",
               "aborterrors", "uninitzero", "argerrors"});
    o.opt_fullscreen = GetBool(doc, *s, p, "fullscreen", o.opt_fullscreen);
    o.opt_interpolate = GetBool(doc, *s, p, "interpolate", o.opt_interpolate);
    o.opt_noborder = GetBool(doc, *s, p, "noborder", o.opt_noborder);
    o.opt_showcursor = GetBool(doc, *s, p, "showcursor", o.opt_showcursor);
    o.opt_scale = GetInt(doc, *s, p, "scale", o.opt_scale);
    o.opt_sizeable = GetBool(doc, *s, p, "sizeable", o.opt_sizeable);
    o.opt_stayontop = GetBool(doc, *s, p, "stayontop", o.opt_stayontop);
    o.opt_windowcolor = GetColour(doc, *s, p, "windowcolor", o.opt_windowcolor);
    o.opt_changeres = GetBool(doc, *s, p, "changeres", o.opt_changeres);
    o.opt_colordepth = GetInt(doc, *s, p, "colordepth", o.opt_colordepth);
    o.opt_resolution = GetInt(doc, *s, p, "resolution", o.opt_resolution);
    o.opt_frequency = GetInt(doc, *s, p, "frequency", o.opt_frequency);
    o.opt_nobuttons = GetBool(doc, *s, p, "nobuttons", o.opt_nobuttons);
    o.opt_vsync = GetBool(doc, *s, p, "vsync", o.opt_vsync);
    o.opt_noscreensaver = GetBool(doc, *s, p, "noscreensaver", o.opt_noscreensaver);
    o.opt_keyf4 = GetBool(doc, *s, p, "keyf4", o.opt_keyf4);
    o.opt_keyf1 = GetBool(doc, *s, p, "keyf1", o.opt_keyf1);
    o.opt_keyesc = GetBool(doc, *s, p, "keyesc", o.opt_keyesc);
    o.opt_keyf5f6 = GetBool(doc, *s, p, "keyf5f6", o.opt_keyf5f6);
    o.opt_keyf9 = GetBool(doc, *s, p, "keyf9", o.opt_keyf9);
    o.opt_closeasesc = GetBool(doc, *s, p, "closeasesc", o.opt_closeasesc);
    o.opt_priority = GetInt(doc, *s, p, "priority", o.opt_priority);
    o.opt_freeze = GetBool(doc, *s, p, "freeze", o.opt_freeze);
    o.opt_showerrors = GetBool(doc, *s, p, "showerrors", o.opt_showerrors);
    o.opt_logerrors = GetBool(doc, *s, p, "logerrors", o.opt_logerrors);
    o.opt_aborterrors = GetBool(doc, *s, p, "aborterrors", o.opt_aborterrors);
    o.opt_uninitzero = GetBool(doc, *s, p, "uninitzero", o.opt_uninitzero);
    o.opt_argerrors = GetBool(doc, *s, p, "argerrors", o.opt_argerrors);
  }
}

void ReadLoading(const fs::path& dir, const Doc& doc, const json& root, ROptions& o) {
  const json* l = Member(root, "loading");
  if (!l) return;
  const std::string p = "loading";
  ExpectObject(doc, *l, p);
  CheckKeys(doc, *l, p,
            {"show_progress", "progress_back", "progress_front", "image", "transparent", "alpha", "stretch_progress"});
  o.opt_showprogress = GetBool(doc, *l, p, "show_progress", o.opt_showprogress);
  for (const char* bar : {"progress_back", "progress_front"})
    if (!o.opt_showprogress && Member(*l, bar))
      Fail(doc, Join(p, bar), "progress images are stored only when show_progress is true");
  o.opt_progressback = ReadPicture(dir, doc, *l, p, "progress_back");
  o.opt_progressfront = ReadPicture(dir, doc, *l, p, "progress_front");
  o.opt_loadimage = ReadPicture(dir, doc, *l, p, "image");
  o.opt_loadtransparent = GetBool(doc, *l, p, "transparent", o.opt_loadtransparent);
  o.opt_loadalpha = GetInt(doc, *l, p, "alpha", o.opt_loadalpha, 0, 255);
  o.opt_scaleprogress = GetBool(doc, *l, p, "stretch_progress", o.opt_scaleprogress);
}

void ReadInfo(const fs::path& dir, const Doc& doc, const json& root, RGameInfoSource& info) {
  const json* i = Member(root, "info");
  if (!i) return;
  const std::string p = "info";
  ExpectObject(doc, *i, p);
  CheckKeys(doc, *i, p,
            {"text", "color", "embed", "caption", "left", "top", "width", "height", "border", "sizeable", "stayontop",
             "pause"});
  info.color = GetColour(doc, *i, p, "color", info.color);
  info.embed = GetBool(doc, *i, p, "embed", info.embed);
  info.caption = GetString(doc, *i, p, "caption", info.caption);
  info.left = GetInt(doc, *i, p, "left", info.left);
  info.top = GetInt(doc, *i, p, "top", info.top);
  info.width = GetInt(doc, *i, p, "width", info.width);
  info.height = GetInt(doc, *i, p, "height", info.height);
  info.border = GetBool(doc, *i, p, "border", info.border);
  info.sizeable = GetBool(doc, *i, p, "sizeable", info.sizeable);
  info.stayOnTop = GetBool(doc, *i, p, "stayontop", info.stayOnTop);
  info.pause = GetBool(doc, *i, p, "pause", info.pause);
  const std::string text = GetString(doc, *i, p, "text", "");
  if (!text.empty()) {
    const std::vector<uint8_t> bytes = ReadNamedFile(dir, doc, Join(p, "text"), text);
    std::string content(bytes.begin(), bytes.end());
    const bool rtf = fs::path(text).extension() == ".rtf";
    info.rtf = rtf ? content : PlainTextToRtf(content);
  }
}

// A list of resource names by index: null keeps an empty slot.
std::vector<std::optional<std::string>> ReadNameList(const Doc& doc, const json& list, const std::string& key) {
  ExpectArray(doc, list, key);
  std::vector<std::optional<std::string>> names;
  std::set<std::string> seen;
  for (size_t i = 0; i < list.size(); ++i) {
    const json& v = list[i];
    if (v.is_null()) {
      names.emplace_back();
      continue;
    }
    if (!v.is_string() || !IsIdentifier(v.get<std::string>()))
      Fail(doc, Index(key, i), "expected a name (letters, digits and _, not starting with a digit) or null");
    const std::string name = v.get<std::string>();
    if (!seen.insert(name).second) Fail(doc, Index(key, i), "duplicate name \"" + name + "\"");
    names.push_back(name);
  }
  return names;
}

void ReadResources(const fs::path& dir, const Doc& doc, const json& root, RProject& project) {
  const json* r = Member(root, "resources");
  if (!r) return;
  const std::string p = "resources";
  ExpectObject(doc, *r, p);
  CheckKeys(doc, *r, p,
            {"sounds", "sprites", "backgrounds", "paths", "scripts", "fonts", "timelines", "objects", "rooms"});
  // Records of these kinds come with later versions of the format.
  for (const char* kind : {"sounds", "sprites", "backgrounds", "paths", "fonts", "timelines", "objects"}) {
    const json* list = Member(*r, kind);
    if (!list) continue;
    ExpectArray(doc, *list, Join(p, kind));
    if (!list->empty()) Fail(doc, Join(p, kind), "resources of this kind are not supported yet");
  }
  if (const json* rooms = Member(*r, "rooms")) project.rooms = ReadNameList(doc, *rooms, Join(p, "rooms"));

  std::set<std::string> listed;
  if (const json* scripts = Member(*r, "scripts")) {
    const std::string key = Join(p, "scripts");
    const auto names = ReadNameList(doc, *scripts, key);
    for (size_t i = 0; i < names.size(); ++i) {
      if (!names[i]) {
        project.scripts.emplace_back();
        continue;
      }
      const std::string rel = "scripts/" + *names[i] + ".kvs";
      listed.insert(*names[i] + ".kvs");
      project.scripts.push_back(RScriptSource{*names[i], CodeText(ReadNamedFile(dir, doc, Index(key, i), rel))});
    }
  }
  // A code file that no list names is a forgotten entry, not something to drop quietly.
  std::error_code ec;
  if (fs::is_directory(dir / "scripts", ec)) {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir / "scripts", ec))
      if (e.path().extension() == ".kvs") files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files)
      if (!listed.count(f)) throw ProjectError("scripts/" + f, "", "not listed in game.json resources.scripts");
  }
}

void ReadRoomOrder(const Doc& doc, const json& root, RProject& project) {
  const json* order = Member(root, "room_order");
  if (!order) Fail(doc, "room_order", "missing: the game needs at least one room in its room order");
  ExpectArray(doc, *order, "room_order");
  if (order->empty()) Fail(doc, "room_order", "the game needs at least one room in its room order");
  for (size_t i = 0; i < order->size(); ++i) {
    const json& v = (*order)[i];
    if (!v.is_string()) Fail(doc, Index("room_order", i), "expected a room name");
    const std::string name = v.get<std::string>();
    auto it = std::find(project.rooms.begin(), project.rooms.end(), std::optional<std::string>(name));
    if (it == project.rooms.end()) Fail(doc, Index("room_order", i), "unknown room \"" + name + "\"");
    project.roomOrder.push_back(static_cast<int32_t>(it - project.rooms.begin()));
  }
}

void ReadLibraryInit(const fs::path& dir, const Doc& doc, const json& root, RProject& project) {
  const json* list = Member(root, "library_init");
  if (!list) return;
  ExpectArray(doc, *list, "library_init");
  for (size_t i = 0; i < list->size(); ++i) {
    const json& v = (*list)[i];
    if (!v.is_string()) Fail(doc, Index("library_init", i), "expected a code file name");
    project.libraryInit.push_back(CodeText(ReadNamedFile(dir, doc, Index("library_init", i), v.get<std::string>())));
  }
}

void ReadLibrary(const fs::path& dir, const Doc& doc, const json& root, RProject& project) {
  const json* lib = Member(root, "library");
  if (!lib) return;
  ExpectObject(doc, *lib, "library");
  CheckKeys(doc, *lib, "library", {"name", "file"});
  project.libraryName = GetString(doc, *lib, "library", "name", project.libraryName);
  if (!IsConfinedName(project.libraryName) || project.libraryName.find_first_of("\\/") != std::string::npos)
    Fail(doc, "library.name", "must be a plain file name");
  const std::string file = GetString(doc, *lib, "library", "file", "");
  if (!file.empty()) project.library = ReadNamedFile(dir, doc, "library.file", file);
}

std::array<uint8_t, 16> ParseGuid(const Doc& doc, const std::string& text) {
  std::array<uint8_t, 16> id{};
  size_t n = 0;
  for (char c : text) {
    if (c == '-') continue;
    const int d = HexDigit(c);
    if (d < 0 || n >= 32) Fail(doc, "session_guid", "expected 32 hexadecimal digits (dashes allowed)");
    id[n / 2] = static_cast<uint8_t>(id[n / 2] << 4 | d);
    ++n;
  }
  if (n != 32) Fail(doc, "session_guid", "expected 32 hexadecimal digits (dashes allowed)");
  return id;
}

void ReadConstants(const fs::path& dir, RProject& project) {
  if (!fs::exists(dir / "constants.json")) return;
  const Doc doc = LoadDoc(dir, "constants.json");
  ExpectArray(doc, doc.root, "");
  std::set<std::string> seen;
  for (size_t i = 0; i < doc.root.size(); ++i) {
    const json& pair = doc.root[i];
    const std::string key = Index("", i);
    if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() || !pair[1].is_string())
      Fail(doc, key, "expected [\"NAME\", \"value\"]");
    const std::string name = pair[0].get<std::string>();
    if (!IsIdentifier(name)) Fail(doc, key + "[0]", "expected a name (letters, digits and _, not starting with a digit)");
    if (!seen.insert(name).second) Fail(doc, key + "[0]", "duplicate name \"" + name + "\"");
    project.constants.emplace_back(name, pair[1].get<std::string>());
  }
}

void ReadIncluded(const fs::path& dir, RProject& project) {
  if (!fs::exists(dir / "included.json")) return;
  const Doc doc = LoadDoc(dir, "included.json");
  ExpectArray(doc, doc.root, "");
  std::set<std::string> seen;
  for (size_t i = 0; i < doc.root.size(); ++i) {
    const json& e = doc.root[i];
    const std::string p = Index("", i);
    ExpectObject(doc, e, p);
    CheckKeys(doc, e, p,
              {"name", "source", "store", "export", "export_dir", "overwrite", "free_after_export", "remove_at_end",
               "origname", "size"});
    RIncludedSource f;
    f.name = GetString(doc, e, p, "name", "");
    if (f.name.empty()) Fail(doc, Join(p, "name"), "missing");
    if (!IsConfinedName(f.name)) Fail(doc, Join(p, "name"), "must be a relative name without \"..\"");
    if (!seen.insert(f.name).second) Fail(doc, Join(p, "name"), "duplicate name \"" + f.name + "\"");
    const std::string source = GetString(doc, e, p, "source", "");
    f.store = GetBool(doc, e, p, "store", true);
    if (!source.empty()) {
      f.exists = true;
      f.data = ReadNamedFile(dir, doc, Join(p, "source"), source);
      if (f.data.size() > size_t{INT32_MAX} / 2) Fail(doc, Join(p, "source"), "file too large: " + source);
    }
    f.origname = GetString(doc, e, p, "origname", source);
    f.size = GetInt(doc, e, p, "size", static_cast<int32_t>(f.data.size()));
    if (!f.store) f.data.clear();
    static const std::map<std::string, int32_t> kExport = {{"none", 0}, {"temp", 1}, {"game", 2}, {"dir", 3}};
    const std::string exportKind = GetString(doc, e, p, "export", "game");
    auto it = kExport.find(exportKind);
    if (it == kExport.end()) Fail(doc, Join(p, "export"), "expected none, temp, game or dir");
    f.exportAction = it->second;
    f.exportDir = GetString(doc, e, p, "export_dir", "");
    if (f.exportAction == 3 && f.exportDir.empty()) Fail(doc, Join(p, "export_dir"), "needed when export is dir");
    f.overwrite = GetBool(doc, e, p, "overwrite", false);
    f.freeData = GetBool(doc, e, p, "free_after_export", true);
    f.removeEnd = GetBool(doc, e, p, "remove_at_end", true);
    project.included.push_back(std::move(f));
  }
}

}  // namespace

std::vector<uint8_t> PlaceholderLibrary() {
  return std::vector<uint8_t>(kLibraryPlaceholder, kLibraryPlaceholder + sizeof kLibraryPlaceholder - 1);
}

std::string PlainTextToRtf(const std::string& utf8) {
  std::string out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  auto unicode = [&out](uint32_t cp) {
    auto unit = [&out](uint32_t u) { out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?"; };
    if (cp < 0x10000) {
      unit(cp);
    } else {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    }
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    if (c == '\r') {
      ++i;
      if (i < utf8.size() && utf8[i] == '\n') ++i;
      out += "\\par\n";
    } else if (c == '\n') {
      ++i;
      out += "\\par\n";
    } else if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // Decode one UTF-8 sequence; a broken one stands for U+FFFD.
      const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      uint32_t cp = len == 4 ? c & 0x07u : len == 3 ? c & 0x0Fu : c & 0x1Fu;
      bool ok = len > 1 && i + static_cast<size_t>(len) <= utf8.size();
      for (int k = 1; ok && k < len; ++k) {
        const auto cc = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
        ok = (cc & 0xC0) == 0x80;
        cp = cp << 6 | (cc & 0x3Fu);
      }
      if (!ok || cp > 0x10FFFF) {
        unicode(0xFFFD);
        ++i;
      } else {
        unicode(cp);
        i += static_cast<size_t>(len);
      }
    }
  }
  out += "}";
  return out;
}

RProject ReadProject(const fs::path& dir) {
  const Doc doc = LoadDoc(dir, "game.json");
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "",
            {"format", "game_id", "session_guid", "debug", "seed", "library", "settings", "loading", "info",
             "resources", "room_order", "library_init"});
  RProject project;
  if (GetInt(doc, root, "", "format", 1) != 1) Fail(doc, "format", "only format 1 is known");
  if (!Member(root, "game_id")) Fail(doc, "game_id", "missing");
  project.gameId = GetInt(doc, root, "", "game_id", 0, 0, INT32_MAX);
  const std::string guid = GetString(doc, root, "", "session_guid", "");
  if (!guid.empty()) project.sessionId = ParseGuid(doc, guid);
  project.debug = GetBool(doc, root, "", "debug", false);
  if (const json* seed = Member(root, "seed")) project.seed = static_cast<uint32_t>(GetInteger(doc, *seed, "seed", 0, UINT32_MAX));
  project.library = PlaceholderLibrary();
  ReadLibrary(dir, doc, root, project);
  ReadSettings(doc, root, project.settings);
  ReadLoading(dir, doc, root, project.settings);
  ReadInfo(dir, doc, root, project.info);
  ReadResources(dir, doc, root, project);
  ReadRoomOrder(doc, root, project);
  ReadLibraryInit(dir, doc, root, project);
  ReadConstants(dir, project);
  ReadIncluded(dir, project);
  return project;
}

}  // namespace gamebuild
