// Reading a project directory: game.json, constants.json, included.json and the files they
// name. Every fault names its file and key; unknown keys are faults too, so typos never pass.
#include "tools/gamebuild/Project.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include <nlohmann/json.hpp>

#include "platform/audio/AudioDevice.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Main.h"
#include "runner/shell/Runner_Game.h"
#include "runner/graphics/Font_Class.h"
#include "runner/base/Support_Path.h"
#include "runner/base/Support_Stream.h"
#include "tools/gamebuild/Png_Read.h"
#include "tools/gamebuild/Project_Files.h"

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
  fs::path project;  // the project directory, which every file it names must lie in
};

std::string Join(const std::string& prefix, const std::string& name) {
  return prefix.empty() ? name : prefix + "." + name;
}
std::string Index(const std::string& prefix, size_t i) { return prefix + "[" + std::to_string(i) + "]"; }

[[noreturn]] void Fail(const Doc& doc, const std::string& key, const std::string& message) {
  throw ProjectError(doc.file, key, message);
}

Doc LoadDoc(const fs::path& dir, const std::string& file) {
  std::vector<uint8_t> bytes;
  std::string why;
  // The project's own files lie inside it too: a link in it to someone else's file is refused.
  const fs::path path = InsideProject(dir, dir, file, why);
  if (path.empty() || !ReadRegularFile(path, bytes, why)) throw ProjectError(file, "", why);
  Doc doc{file, {}, dir};
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
  } catch (const json::exception& e) {
    // Syntax errors and numbers too large for a double alike.
    throw ProjectError(file, "", "bad JSON: " + JsonMessage(e));
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
// A file the project names, relative to dir; it must lie inside the project folder.
fs::path NamedPath(const fs::path& dir, const Doc& doc, const std::string& key, const std::string& rel) {
  if (rel.empty()) Fail(doc, key, "empty file name");
  std::string why;
  fs::path path = InsideProject(doc.project, dir, rel, why);
  if (path.empty()) Fail(doc, key, why + ": " + rel);
  return path;
}

std::vector<uint8_t> ReadNamedFile(const fs::path& dir, const Doc& doc, const std::string& key, const std::string& rel) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!ReadRegularFile(NamedPath(dir, doc, key, rel), bytes, why)) Fail(doc, key, why + ": " + rel);
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
  RPngDecoded png = DecodePng(ReadNamedFile(dir, doc, key, rel), CStream::kMaxInflatedSize);
  if (!png.bitmap) Fail(doc, key, PngRefusal(png, rel));
  return std::shared_ptr<const TBitmap32>(std::move(png.bitmap));
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


// --- objects -------------------------------------------------------------------------------

// Key codes by the names of the vk_ constants without their prefix.
const std::map<std::string, int32_t>& KeyCodes() {
  static const std::map<std::string, int32_t> m = [] {
    std::map<std::string, int32_t> k = {
        {"nokey", 0},      {"anykey", 1},     {"enter", 13},      {"return", 13},    {"shift", 16},
        {"control", 17},   {"alt", 18},       {"escape", 27},     {"space", 32},     {"backspace", 8},
        {"tab", 9},        {"pause", 19},     {"printscreen", 44}, {"left", 37},     {"right", 39},
        {"up", 38},        {"down", 40},      {"home", 36},       {"end", 35},       {"delete", 46},
        {"insert", 45},    {"pageup", 33},    {"pagedown", 34},   {"divide", 111},   {"multiply", 106},
        {"subtract", 109}, {"add", 107},      {"decimal", 110},   {"lshift", 160},   {"lcontrol", 162},
        {"lalt", 164},     {"rshift", 161},   {"rcontrol", 163},  {"ralt", 165}};
    for (int i = 1; i <= 12; ++i) k["f" + std::to_string(i)] = 111 + i;
    for (int i = 0; i <= 9; ++i) k["numpad" + std::to_string(i)] = 96 + i;
    return k;
  }();
  return m;
}

// Mouse event numbers by the names of the ev_ constants without their prefix.
const std::map<std::string, int32_t>& MouseNumbers() {
  static const std::map<std::string, int32_t> m = [] {
    std::map<std::string, int32_t> k;
    const char* low[] = {"left_button",    "right_button",   "middle_button",     "no_button",     "left_press",
                         "right_press",    "middle_press",   "left_release",      "right_release", "middle_release",
                         "mouse_enter",    "mouse_leave",    "global_press",      "global_release"};
    for (int i = 0; i < 14; ++i) k[low[i]] = i;
    for (int j = 1; j <= 2; ++j) {
      const int base = j == 1 ? 16 : 31;
      const std::string p = "joystick" + std::to_string(j) + "_";
      k[p + "left"] = base;
      k[p + "right"] = base + 1;
      k[p + "up"] = base + 2;
      k[p + "down"] = base + 3;
      for (int b = 1; b <= 8; ++b) k[p + "button" + std::to_string(b)] = base + 4 + b;
    }
    const char* global[] = {"global_left_button",  "global_right_button",  "global_middle_button",
                            "global_left_press",   "global_right_press",   "global_middle_press",
                            "global_left_release", "global_right_release", "global_middle_release"};
    for (int i = 0; i < 9; ++i) k[global[i]] = 50 + i;
    k["mouse_wheel_up"] = 60;
    k["mouse_wheel_down"] = 61;
    return k;
  }();
  return m;
}

const std::map<std::string, int32_t>& OtherNumbers() {
  static const std::map<std::string, int32_t> m = [] {
    std::map<std::string, int32_t> k = {{"outside", 0},     {"boundary", 1},      {"game_start", 2},
                                        {"game_end", 3},    {"room_start", 4},    {"room_end", 5},
                                        {"no_more_lives", 6}, {"animation_end", 7}, {"end_of_path", 8},
                                        {"no_more_health", 9}, {"close_button", 30}};
    for (int i = 0; i <= 15; ++i) k["user" + std::to_string(i)] = 10 + i;
    for (int i = 0; i <= 7; ++i) {
      k["outside_view" + std::to_string(i)] = 40 + i;
      k["boundary_view" + std::to_string(i)] = 50 + i;
    }
    return k;
  }();
  return m;
}

bool ParseNumber(const std::string& text, int32_t& n) {
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  n = std::stoi(text);
  return true;
}

int32_t IndexOfName(const std::vector<std::optional<std::string>>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] && *names[i] == name) return static_cast<int32_t>(i);
  return -1;
}

// What object records refer to by name.
struct ObjectScope {
  std::vector<std::optional<std::string>> objects;
  std::vector<std::optional<std::string>> sprites;
  std::set<std::string> scripts;
  std::vector<std::optional<std::string>> triggers;
  std::vector<RCodeSource>* codes = nullptr;
};

int32_t ObjectRef(const Doc& doc, const ObjectScope& scope, const json& v, const std::string& key) {
  if (!v.is_string()) Fail(doc, key, "expected an object name");
  const int32_t i = IndexOfName(scope.objects, v.get<std::string>());
  if (i < 0) Fail(doc, key, "unknown object \"" + v.get<std::string>() + "\"");
  return i;
}

// An event key: a name ("create", "alarm3", "step_end", "collision:OBJECT", "keyboard:left",
// "other:user2" ...) or "TYPE:NUMBER".
std::pair<int32_t, int32_t> EventKey(const Doc& doc, const ObjectScope& scope, const std::string& key,
                                     const std::string& path) {
  static const std::map<std::string, std::pair<int32_t, int32_t>> kPlain = {
      {"create", {0, 0}}, {"destroy", {1, 0}}, {"step", {3, 0}}, {"step_begin", {3, 1}},
      {"step_end", {3, 2}}, {"draw", {8, 0}}};
  if (auto it = kPlain.find(key); it != kPlain.end()) return it->second;
  int32_t n;
  if (key.rfind("alarm", 0) == 0 && ParseNumber(key.substr(5), n) && n <= 11) return {2, n};
  const size_t colon = key.find(':');
  if (colon == std::string::npos) Fail(doc, path, "unknown event");
  const std::string kind = key.substr(0, colon), what = key.substr(colon + 1);
  int32_t t;
  if (ParseNumber(kind, t)) {
    if (t > 11 || !ParseNumber(what, n)) Fail(doc, path, "expected TYPE:NUMBER with a type from 0 to 11");
    return {t, n};
  }
  if (kind == "collision") return {4, ObjectRef(doc, scope, json(what), path)};
  if (kind == "trigger") {
    if (ParseNumber(what, n)) return {11, n};
    const int32_t i = IndexOfName(scope.triggers, what);
    if (i < 0) Fail(doc, path, "unknown trigger \"" + what + "\" (expected a trigger name or number)");
    return {11, i};
  }
  static const std::map<std::string, int32_t> kKeyTypes = {{"keyboard", 5}, {"keypress", 9}, {"keyrelease", 10}};
  if (auto it = kKeyTypes.find(kind); it != kKeyTypes.end()) {
    if (auto k = KeyCodes().find(what); k != KeyCodes().end()) return {it->second, k->second};
    if (what.size() == 1 && ((what[0] >= 'a' && what[0] <= 'z') || (what[0] >= 'A' && what[0] <= 'Z')))
      return {it->second, what[0] & ~0x20};  // letters are their capital's code
    if (ParseNumber(what, n)) return {it->second, what.size() == 1 ? what[0] : n};  // one digit: its character
    Fail(doc, path, "unknown key \"" + what + "\"");
  }
  if (kind == "mouse") {
    if (auto m = MouseNumbers().find(what); m != MouseNumbers().end()) return {6, m->second};
    Fail(doc, path, "unknown mouse event \"" + what + "\"");
  }
  if (kind == "other") {
    if (auto o = OtherNumbers().find(what); o != OtherNumbers().end()) return {7, o->second};
    Fail(doc, path, "unknown other event \"" + what + "\"");
  }
  Fail(doc, path, "unknown event");
}

std::string InlineCode(const std::string& text) { return CodeText(std::vector<uint8_t>(text.begin(), text.end())); }

// Code written in a JSON string, noted for the build's compile check.
std::string NoteInlineCode(std::vector<RCodeSource>* codes, const Doc& doc, const std::string& key,
                           const std::string& source, bool expression = false, const std::string& what = "") {
  std::string text = InlineCode(source);
  if (codes) codes->push_back(RCodeSource{doc.file, key, source, text, expression, what});
  return text;
}

// A code file named by a JSON file, read and noted for the build's compile check.
std::string NoteCodeFile(std::vector<RCodeSource>* codes, const fs::path& dir, const Doc& doc, const std::string& key,
                         const std::string& rel) {
  std::string text = CodeText(ReadNamedFile(dir, doc, key, rel));
  if (codes) {
    const std::string file = (dir / rel).lexically_normal().lexically_relative(doc.project.lexically_normal()).generic_string();
    codes->push_back(RCodeSource{file.empty() ? rel : file, "", "", text, false, ""});
  }
  return text;
}

void CheckFunction(const Doc& doc, const ObjectScope& scope, const std::string& name, const std::string& key) {
  int32_t id;
  if (scope.scripts.count(name) || FindBuiltinFunction(name, id)) return;
  Fail(doc, key, "unknown function \"" + name + "\"");
}

RActionSource ReadAction(const fs::path& dir, const Doc& doc, const ObjectScope& scope, const json& v,
                         const std::string& key) {
  RActionSource a;
  if (v.is_string()) {  // plain code
    a.kind = 7;
    a.exetype = 2;
    a.argtypes = {1};
    a.args = {NoteInlineCode(scope.codes, doc, key, v.get<std::string>())};
    return a;
  }
  ExpectObject(doc, v, key);
  CheckKeys(doc, v, key,
            {"code", "code_file", "call", "if", "args", "kinds", "set", "value", "op", "repeat", "applies_to",
             "relative", "not", "question", "lib"});
  const bool hasCode = Member(v, "code") || Member(v, "code_file");
  const int shapes = int(hasCode) + int(Member(v, "call") != nullptr) + int(Member(v, "if") != nullptr) +
                     int(Member(v, "set") != nullptr) + int(Member(v, "op") != nullptr) +
                     int(Member(v, "repeat") != nullptr);
  if (shapes != 1) Fail(doc, key, "expected exactly one of code, code_file, call, if, set, op, repeat");
  auto allowOnly = [&](std::initializer_list<const char*> keys) { CheckKeys(doc, v, key, keys); };

  if (hasCode) {
    allowOnly({"code", "code_file", "applies_to", "question", "lib", "args", "kinds"});
    if (Member(v, "code") && Member(v, "code_file")) Fail(doc, key, "give code or code_file, not both");
    std::string code;
    if (Member(v, "code")) {
      code = NoteInlineCode(scope.codes, doc, Join(key, "code"), GetString(doc, v, key, "code", ""));
    } else {
      const std::string rel = GetString(doc, v, key, "code_file", "");
      code = NoteCodeFile(scope.codes, dir, doc, Join(key, "code_file"), rel);
    }
    a.exetype = 2;
    a.isquestion = GetBool(doc, v, key, "question", false);
    if (Member(v, "args")) {  // code with arguments: a library action written in code
      a.kind = 0;
      a.code = code;
    } else {
      a.kind = 7;
      a.argtypes = {1};
      a.args = {code};
    }
  } else if (Member(v, "call") || Member(v, "if")) {
    const char* which = Member(v, "call") ? "call" : "if";
    allowOnly({which, "args", "kinds", "applies_to", "relative", "not", "lib"});
    if (Member(v, "not") && !Member(v, "if")) Fail(doc, Join(key, "not"), "only a question (if) can be negated");
    a.function = GetString(doc, v, key, which, "");
    CheckFunction(doc, scope, a.function, Join(key, which));
    a.exetype = 1;
    a.isquestion = Member(v, "if") != nullptr;
    a.isnot = GetBool(doc, v, key, "not", false);
  } else if (Member(v, "set")) {
    allowOnly({"set", "value", "applies_to", "relative", "lib"});
    if (!Member(v, "value")) Fail(doc, Join(key, "value"), "missing");
    a.kind = 6;
    a.exetype = 2;
    a.argtypes = {1, 0};
    a.args = {GetString(doc, v, key, "set", ""), GetString(doc, v, key, "value", "")};
  } else if (Member(v, "repeat")) {
    allowOnly({"repeat", "lib"});
    a.kind = 5;
    a.useapplyto = false;
    a.argtypes = {0};
    const json& times = v["repeat"];
    a.args = {times.is_number_integer() ? std::to_string(GetInteger(doc, times, Join(key, "repeat"), INT32_MIN, INT32_MAX))
                                        : GetString(doc, v, key, "repeat", "")};
  } else {
    allowOnly({"op", "lib"});
    static const std::map<std::string, int32_t> kOps = {{"begin", 1}, {"end", 2}, {"else", 3}, {"exit", 4}};
    auto it = kOps.find(GetString(doc, v, key, "op", ""));
    if (it == kOps.end()) Fail(doc, Join(key, "op"), "expected begin, end, else or exit");
    a.kind = it->second;
    a.useapplyto = false;
  }

  if (const json* args = Member(v, "args")) {
    ExpectArray(doc, *args, Join(key, "args"));
    if (args->size() > 8) Fail(doc, Join(key, "args"), "at most 8 arguments");
    const json* kinds = Member(v, "kinds");
    if (kinds) {
      ExpectArray(doc, *kinds, Join(key, "kinds"));
      if (kinds->size() != args->size()) Fail(doc, Join(key, "kinds"), "one kind per argument");
    }
    static const std::map<std::string, int32_t> kKinds = {{"expr", 0}, {"string", 1}, {"either", 2}};
    for (size_t i = 0; i < args->size(); ++i) {
      const json& arg = (*args)[i];
      const std::string akey = Index(Join(key, "args"), i);
      if (arg.is_number()) {
        a.args.push_back(arg.dump());
      } else if (arg.is_string()) {
        a.args.push_back(arg.get<std::string>());
      } else {
        Fail(doc, akey, "expected an expression text or a number");
      }
      int32_t kind = 0;
      if (kinds) {
        const json& k = (*kinds)[i];
        auto it = k.is_string() ? kKinds.find(k.get<std::string>()) : kKinds.end();
        if (it == kKinds.end()) Fail(doc, Index(Join(key, "kinds"), i), "expected expr, string or either");
        kind = it->second;
      }
      a.argtypes.push_back(kind);
    }
  } else if (Member(v, "kinds")) {
    Fail(doc, Join(key, "kinds"), "kinds need args");
  }

  if (const json* who = Member(v, "applies_to")) {
    const std::string wkey = Join(key, "applies_to");
    if (*who == "self")
      a.who = -1;
    else if (*who == "other")
      a.who = -2;
    else
      a.who = ObjectRef(doc, scope, *who, wkey);
  }
  if (Member(v, "relative")) {
    a.userelative = true;
    a.relative = GetBool(doc, v, key, "relative", false);
  }
  if (const json* lib = Member(v, "lib")) {
    if (!lib->is_array() || lib->size() != 2) Fail(doc, Join(key, "lib"), "expected [library id, action id]");
    a.libid = static_cast<int32_t>(GetInteger(doc, (*lib)[0], Join(key, "lib[0]"), INT32_MIN, INT32_MAX));
    a.id = static_cast<int32_t>(GetInteger(doc, (*lib)[1], Join(key, "lib[1]"), INT32_MIN, INT32_MAX));
  }
  return a;
}

// A sprite by name, or by index as a number.
int32_t SpriteRef(const Doc& doc, const ObjectScope& scope, const json& obj, const char* name) {
  const json* v = Member(obj, name);
  if (!v || !v->is_string()) return GetInt(doc, obj, "", name, -1, -1, INT32_MAX);
  const int32_t i = IndexOfName(scope.sprites, v->get<std::string>());
  if (i < 0) Fail(doc, name, "unknown sprite \"" + v->get<std::string>() + "\"");
  return i;
}

RObjectSource ReadObject(const fs::path& dir, const std::string& name, const ObjectScope& scope) {
  const std::string file = "objects/" + name + ".json";
  const Doc doc = LoadDoc(dir, file);
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "", {"sprite", "solid", "visible", "depth", "persistent", "parent", "mask", "events"});
  RObjectSource o;
  o.name = name;
  o.sprite = SpriteRef(doc, scope, root, "sprite");
  o.solid = GetBool(doc, root, "", "solid", false);
  o.visible = GetBool(doc, root, "", "visible", true);
  o.depth = GetInt(doc, root, "", "depth", 0);
  o.persistent = GetBool(doc, root, "", "persistent", false);
  if (const json* parent = Member(root, "parent")) {
    o.parent = ObjectRef(doc, scope, *parent, "parent");
  }
  o.mask = SpriteRef(doc, scope, root, "mask");
  const fs::path codeDir = dir / "objects";
  if (const json* events = Member(root, "events")) {
    ExpectObject(doc, *events, "events");
    std::map<std::pair<int32_t, int32_t>, std::string> seen;
    for (auto it = events->begin(); it != events->end(); ++it) {
      const std::string key = Join("events", it.key());
      REventSource e;
      std::tie(e.type, e.number) = EventKey(doc, scope, it.key(), key);
      if (auto [at, fresh] = seen.emplace(std::pair(e.type, e.number), it.key()); !fresh)
        Fail(doc, key, "the same event as \"" + at->second + "\"");
      const json& list = it.value();
      if (list.is_array()) {
        for (size_t i = 0; i < list.size(); ++i) e.actions.push_back(ReadAction(codeDir, doc, scope, list[i], Index(key, i)));
      } else {
        e.actions.push_back(ReadAction(codeDir, doc, scope, list, key));
      }
      o.events.push_back(std::move(e));
    }
    std::sort(o.events.begin(), o.events.end(),
              [](const REventSource& a, const REventSource& b) { return std::pair(a.type, a.number) < std::pair(b.type, b.number); });
  }
  return o;
}

void ReadObjects(const fs::path& dir, const Doc& doc, const json& list, const std::string& key, RProject& project) {
  ObjectScope scope;
  scope.objects = ReadNameList(doc, list, key);
  for (const auto& s : project.sprites) scope.sprites.push_back(s ? std::optional(s->name) : std::nullopt);
  for (const auto& s : project.scripts)
    if (s) scope.scripts.insert(s->name);
  for (const auto& t : project.triggers) scope.triggers.push_back(t ? std::optional(t->name) : std::nullopt);
  scope.codes = &project.codes;
  InitFunctions(RunnerFunctionFamilies());
  for (const auto& name : scope.objects) project.objects.push_back(name ? std::optional(ReadObject(dir, *name, scope)) : std::nullopt);
  // A parent chain that returns to where it started would send the runner round in circles.
  for (size_t i = 0; i < project.objects.size(); ++i) {
    if (!project.objects[i]) continue;
    int32_t p = project.objects[i]->parent;
    for (size_t steps = 0; p >= 0 && steps <= project.objects.size(); ++steps) {
      if (p == static_cast<int32_t>(i))
        throw ProjectError("objects/" + project.objects[i]->name + ".json", "parent", "the parent chain comes back to this object");
      const auto& next = project.objects[static_cast<size_t>(p)];
      p = next ? next->parent : -1;
    }
  }
  std::set<std::string> listed;
  for (const auto& name : scope.objects)
    if (name) listed.insert(*name + ".json");
  std::error_code ec;
  if (fs::is_directory(dir / "objects", ec)) {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir / "objects", ec))
      if (e.path().extension() == ".json") files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files)
      if (!listed.count(f)) throw ProjectError("objects/" + f, "", "not listed in game.json resources.objects");
  }
}

// --- rooms ---------------------------------------------------------------------------------

// What room records refer to, and the ids placed so far across all rooms.
struct RoomScope {
  const RProject& project;
  std::vector<std::optional<std::string>> backgrounds;
  std::map<int32_t, std::string> instanceIds;  // id -> where it was given
  std::map<int32_t, std::string> tileIds;
  std::vector<RCodeSource>* codes = nullptr;
};

// A background by name, or by index as a number.
int32_t BackgroundRef(const Doc& doc, const RoomScope& scope, const json& v, const std::string& key) {
  if (v.is_number()) return static_cast<int32_t>(GetInteger(doc, v, key, -1, INT32_MAX));
  if (!v.is_string()) Fail(doc, key, "expected a background name or index");
  const int32_t i = IndexOfName(scope.backgrounds, v.get<std::string>());
  if (i < 0) Fail(doc, key, "unknown background \"" + v.get<std::string>() + "\"");
  return i;
}

int32_t RoomObjectRef(const Doc& doc, const RoomScope& scope, const json& v, const std::string& key) {
  if (!v.is_string()) Fail(doc, key, "expected an object name");
  const auto& objects = scope.project.objects;
  for (size_t i = 0; i < objects.size(); ++i)
    if (objects[i] && objects[i]->name == v.get<std::string>()) return static_cast<int32_t>(i);
  Fail(doc, key, "unknown object \"" + v.get<std::string>() + "\"");
}

// Inline "code" or a "code_file" relative to the rooms folder; empty when neither is given.
std::string RoomCode(const fs::path& dir, const Doc& doc, const json& obj, const std::string& prefix,
                     std::vector<RCodeSource>* codes) {
  if (Member(obj, "code") && Member(obj, "code_file")) Fail(doc, Join(prefix, "code_file"), "give code or code_file, not both");
  if (Member(obj, "code")) return NoteInlineCode(codes, doc, Join(prefix, "code"), GetString(doc, obj, prefix, "code", ""));
  if (!Member(obj, "code_file")) return "";
  const std::string rel = GetString(doc, obj, prefix, "code_file", "");
  return NoteCodeFile(codes, dir / "rooms", doc, Join(prefix, "code_file"), rel);
}

// An id given in the file, unique across all rooms; 0 when absent (assigned later).
int32_t GivenId(const Doc& doc, const json& obj, const std::string& prefix, int64_t lo,
                std::map<int32_t, std::string>& seen) {
  const json* v = Member(obj, "id");
  if (!v) return 0;
  const std::string key = Join(prefix, "id");
  const auto id = static_cast<int32_t>(GetInteger(doc, *v, key, lo, INT32_MAX));
  const std::string here = doc.file + ": " + key;
  if (auto [at, fresh] = seen.emplace(id, here); !fresh) Fail(doc, key, "id " + std::to_string(id) + " also given at " + at->second);
  return id;
}

const json* RoomList(const Doc& doc, const json& root, const char* name, size_t max) {
  const json* list = Member(root, name);
  if (!list) return nullptr;
  ExpectArray(doc, *list, name);
  if (list->size() > max) Fail(doc, name, "at most " + std::to_string(max) + " entries");
  return list;
}

RRoomSource ReadRoom(const fs::path& dir, const std::string& name, RoomScope& scope) {
  const Doc doc = LoadDoc(dir, "rooms/" + name + ".json");
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "",
            {"caption", "width", "height", "speed", "persistent", "color", "show_color", "code", "code_file",
             "backgrounds", "enable_views", "views", "instances", "tiles"});
  RRoomSource r;
  r.name = name;
  r.caption = GetString(doc, root, "", "caption", r.caption);
  r.width = GetInt(doc, root, "", "width", r.width, 1);
  r.height = GetInt(doc, root, "", "height", r.height, 1);
  r.speed = GetInt(doc, root, "", "speed", r.speed, 1);
  r.persistent = GetBool(doc, root, "", "persistent", r.persistent);
  r.color = GetColour(doc, root, "", "color", r.color);
  r.showColor = GetBool(doc, root, "", "show_color", r.showColor);
  r.code = RoomCode(dir, doc, root, "", scope.codes);
  r.enableViews = GetBool(doc, root, "", "enable_views", r.enableViews);

  if (const json* list = RoomList(doc, root, "backgrounds", 8)) {
    for (size_t i = 0; i < list->size(); ++i) {
      const json& v = (*list)[i];
      const std::string p = Index("backgrounds", i);
      ExpectObject(doc, v, p);
      CheckKeys(doc, v, p,
                {"visible", "foreground", "background", "x", "y", "htiled", "vtiled", "hspeed", "vspeed", "stretch"});
      RRoomBackSource& b = r.backgrounds[i];
      if (const json* bg = Member(v, "background")) b.background = BackgroundRef(doc, scope, *bg, Join(p, "background"));
      b.visible = GetBool(doc, v, p, "visible", b.background >= 0);  // naming a background shows it
      b.foreground = GetBool(doc, v, p, "foreground", b.foreground);
      b.x = GetInt(doc, v, p, "x", b.x);
      b.y = GetInt(doc, v, p, "y", b.y);
      b.htiled = GetBool(doc, v, p, "htiled", b.htiled);
      b.vtiled = GetBool(doc, v, p, "vtiled", b.vtiled);
      b.hspeed = GetInt(doc, v, p, "hspeed", b.hspeed);
      b.vspeed = GetInt(doc, v, p, "vspeed", b.vspeed);
      b.stretch = GetBool(doc, v, p, "stretch", b.stretch);
    }
  }

  if (const json* list = RoomList(doc, root, "views", 8)) {
    for (size_t i = 0; i < list->size(); ++i) {
      const json& v = (*list)[i];
      const std::string p = Index("views", i);
      ExpectObject(doc, v, p);
      CheckKeys(doc, v, p,
                {"visible", "xview", "yview", "wview", "hview", "xport", "yport", "wport", "hport", "hborder", "vborder",
                 "hspeed", "vspeed", "follow"});
      RRoomViewSource& w = r.views[i];
      w.visible = GetBool(doc, v, p, "visible", true);  // a listed view is meant to be seen
      w.xview = GetInt(doc, v, p, "xview", w.xview);
      w.yview = GetInt(doc, v, p, "yview", w.yview);
      w.wview = GetInt(doc, v, p, "wview", w.wview, 1);
      w.hview = GetInt(doc, v, p, "hview", w.hview, 1);
      w.xport = GetInt(doc, v, p, "xport", w.xport);
      w.yport = GetInt(doc, v, p, "yport", w.yport);
      w.wport = GetInt(doc, v, p, "wport", w.wport, 1);
      w.hport = GetInt(doc, v, p, "hport", w.hport, 1);
      w.hborder = GetInt(doc, v, p, "hborder", w.hborder, 0);
      w.vborder = GetInt(doc, v, p, "vborder", w.vborder, 0);
      w.hspeed = GetInt(doc, v, p, "hspeed", w.hspeed, -1);
      w.vspeed = GetInt(doc, v, p, "vspeed", w.vspeed, -1);
      if (const json* f = Member(v, "follow")) {
        const std::string key = Join(p, "follow");
        if (f->is_number())
          w.follow = static_cast<int32_t>(GetInteger(doc, *f, key, 100000, INT32_MAX));
        else
          w.follow = RoomObjectRef(doc, scope, *f, key);
      }
    }
  }

  if (const json* list = RoomList(doc, root, "instances", 1000000)) {
    for (size_t i = 0; i < list->size(); ++i) {
      const json& v = (*list)[i];
      const std::string p = Index("instances", i);
      ExpectObject(doc, v, p);
      CheckKeys(doc, v, p, {"x", "y", "object", "id", "code", "code_file"});
      RRoomInstanceSource& inst = r.instances.emplace_back();
      const json* obj = Member(v, "object");
      if (!obj) Fail(doc, Join(p, "object"), "missing");
      inst.object = RoomObjectRef(doc, scope, *obj, Join(p, "object"));
      inst.x = GetInt(doc, v, p, "x", 0);
      inst.y = GetInt(doc, v, p, "y", 0);
      inst.id = GivenId(doc, v, p, 100000, scope.instanceIds);
      inst.code = RoomCode(dir, doc, v, p, scope.codes);
    }
  }

  if (const json* list = RoomList(doc, root, "tiles", 1000000)) {
    for (size_t i = 0; i < list->size(); ++i) {
      const json& v = (*list)[i];
      const std::string p = Index("tiles", i);
      ExpectObject(doc, v, p);
      CheckKeys(doc, v, p, {"x", "y", "background", "left", "top", "width", "height", "depth", "id"});
      RRoomTileSource& t = r.tiles.emplace_back();
      for (const char* needed : {"background", "width", "height"})
        if (!Member(v, needed)) Fail(doc, Join(p, needed), "missing");
      t.background = BackgroundRef(doc, scope, v["background"], Join(p, "background"));
      t.x = GetInt(doc, v, p, "x", 0);
      t.y = GetInt(doc, v, p, "y", 0);
      t.left = GetInt(doc, v, p, "left", 0, 0);
      t.top = GetInt(doc, v, p, "top", 0, 0);
      t.width = GetInt(doc, v, p, "width", 0, 1);
      t.height = GetInt(doc, v, p, "height", 0, 1);
      t.depth = GetInt(doc, v, p, "depth", 0);
      t.id = GivenId(doc, v, p, 1, scope.tileIds);
    }
  }
  return r;
}

// Ids not given in the files: the next free number from `first` on, in room and file order.
template <typename T>
int32_t AssignIds(std::vector<std::optional<RRoomSource>>& rooms, std::vector<T> RRoomSource::*list,
                  const std::map<int32_t, std::string>& given, int32_t first, const char* what) {
  int64_t next = first, last = first - 1;
  for (auto& room : rooms) {
    if (!room) continue;
    for (T& e : (*room).*list) {
      if (e.id == 0) {
        while (given.count(static_cast<int32_t>(next))) ++next;
        if (next > INT32_MAX) throw ProjectError("rooms/" + room->name + ".json", "", std::string("no ") + what + " ids left");
        e.id = static_cast<int32_t>(next++);
      }
      last = std::max<int64_t>(last, e.id);
    }
  }
  return static_cast<int32_t>(last);
}

void ReadRooms(const fs::path& dir, const std::vector<std::optional<std::string>>& names,
               const std::vector<std::optional<std::string>>& backgrounds, RProject& project) {
  RoomScope scope{project, backgrounds, {}, {}, &project.codes};
  std::vector<std::optional<RRoomSource>> rooms;
  for (const auto& name : names) rooms.push_back(name ? std::optional(ReadRoom(dir, *name, scope)) : std::nullopt);
  project.lastInstanceId = AssignIds(rooms, &RRoomSource::instances, scope.instanceIds, kFirstInstanceId, "instance");
  project.lastTileId = AssignIds(rooms, &RRoomSource::tiles, scope.tileIds, kFirstTileId, "tile");
  project.rooms = std::move(rooms);

  std::set<std::string> listed;
  for (const auto& name : names)
    if (name) listed.insert(*name + ".json");
  std::error_code ec;
  if (fs::is_directory(dir / "rooms", ec)) {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir / "rooms", ec))
      if (e.path().extension() == ".json") files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files)
      if (!listed.count(f)) throw ProjectError("rooms/" + f, "", "not listed in game.json resources.rooms");
  }
}

// --- fonts ---------------------------------------------------------------------------------

// A font is rasterised here by the runner's own rasteriser, unless the project carries its
// atlas and glyph table, which are then stored as they are.
RFontSource ReadFont(const fs::path& dir, const std::string& name) {
  const Doc doc = LoadDoc(dir, "fonts/" + name + ".json");
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "",
            {"font", "ttf", "size", "bold", "italic", "charset", "antialias", "first", "last", "atlas", "glyphs"});
  CFont f;
  f.s_name = GetString(doc, root, "", "font", "Arial");
  if (f.s_name.empty()) Fail(doc, "font", "empty font name");
  f.s_size = GetInt(doc, root, "", "size", 12, 1, 1000);
  f.s_bold = GetBool(doc, root, "", "bold", false);
  f.s_italic = GetBool(doc, root, "", "italic", false);
  f.s_charset = GetInt(doc, root, "", "charset", 1, 0, 255);
  f.s_AntiAlias = GetInt(doc, root, "", "antialias", 3, 0, 126);
  f.s_first = GetInt(doc, root, "", "first", 32, 0, 255);
  f.s_last = GetInt(doc, root, "", "last", 127, 0, 255);
  if (f.s_first > f.s_last) Fail(doc, "last", "the range ends before it starts");
  const std::string ttf = GetString(doc, root, "", "ttf", "");
  const std::string atlas = GetString(doc, root, "", "atlas", "");
  const json* glyphs = Member(root, "glyphs");
  if (atlas.empty() != (glyphs == nullptr))
    Fail(doc, atlas.empty() ? "atlas" : "glyphs", "atlas and glyphs go together");
  if (glyphs) {
    ExpectObject(doc, *glyphs, "glyphs");
    for (const auto& [code, entry] : glyphs->items()) {
      const std::string key = Join("glyphs", code);
      int32_t c = -1;
      if (!code.empty() && code.size() <= 3 && std::all_of(code.begin(), code.end(), [](char ch) {
            return ch >= '0' && ch <= '9';
          }))
        c = std::stoi(code);
      if (c < 0 || c > 255) Fail(doc, key, "expected a character code 0..255");
      if (!entry.is_array() || entry.size() != 6) Fail(doc, key, "expected [x, y, w, h, shift, offset]");
      int32_t v[6];
      for (size_t i = 0; i < 6; ++i)
        v[i] = static_cast<int32_t>(GetInteger(doc, entry[i], Index(key, i), -65536, 65536));
      f.s_x[c] = v[0], f.s_y[c] = v[1], f.s_w[c] = v[2], f.s_h[c] = v[3], f.s_shift[c] = v[4], f.s_offset[c] = v[5];
    }
    const RPngDecoded png = DecodePng(ReadNamedFile(dir / "fonts", doc, "atlas", atlas), CStream::kMaxInflatedSize);
    if (!png.bitmap) Fail(doc, "atlas", PngRefusal(png, atlas));
    const auto& image = png.bitmap;
    f.s_bw = image->Width();
    f.s_bh = image->Height();
    for (uint32_t px : image->Pixels()) f.s_bytes.push_back(static_cast<uint8_t>(px >> 16));
  } else {
    std::string file;
    if (!ttf.empty()) {
      file = NamedPath(dir / "fonts", doc, "ttf", ttf).string();
      std::vector<uint8_t> bytes;
      std::string why;
      if (!ReadRegularFile(file, bytes, why)) Fail(doc, "ttf", why + ": " + ttf);
    }
    if (!f.Rasterise(file))
      Fail(doc, ttf.empty() ? "font" : "ttf", "no such font can be opened: " + (ttf.empty() ? f.s_name : ttf));
  }
  CStream record;
  f.SaveToStream(record);
  return RFontSource{name, record.Bytes()};
}

// --- sounds ---------------------------------------------------------------------------------

double GetReal(const Doc& doc, const json& obj, const std::string& prefix, const char* name, double def,
               double lo, double hi, const char* range) {
  const json* v = Member(obj, name);
  if (!v) return def;
  const std::string key = Join(prefix, name);
  if (!v->is_number()) Fail(doc, key, "expected a number");
  const double d = v->get<double>();
  if (!(d >= lo && d <= hi)) Fail(doc, key, std::string("number out of range ") + range);
  return d;
}

RSoundSource ReadSound(const fs::path& dir, const std::string& name) {
  const Doc doc = LoadDoc(dir, "sounds/" + name + ".json");
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "", {"file", "kind", "effects", "volume", "pan", "preload"});
  RSoundSource s;
  s.name = name;
  static const std::map<std::string, int32_t> kKinds = {
      {"normal", 0}, {"background", 1}, {"3d", 2}, {"multimedia", 3}};
  const std::string kind = GetString(doc, root, "", "kind", "normal");
  auto k = kKinds.find(kind);
  if (k == kKinds.end()) Fail(doc, "kind", "expected normal, background, 3d or multimedia");
  s.kind = k->second;
  const std::string file = GetString(doc, root, "", "file", "");
  if (!file.empty()) {
    s.hasData = true;
    s.data = ReadNamedFile(dir, doc, "file", file);
    if (s.data.size() > size_t{INT32_MAX} / 2) Fail(doc, "file", "file too large: " + file);
    // A sound the runner cannot decode would only be silent in the player's hands: say so now.
    platform::audio::RPcm pcm;
    const uint8_t* bytes = s.data.data();
    if (!platform::audio::IsMidi(bytes, s.data.size()) && !platform::audio::DecodeAudio(bytes, s.data.size(), pcm))
      Fail(doc, "file", "not a sound the runner can decode (WAV, OGG, FLAC, MP3 or MIDI): " + file);
    s.extension = fs::path(file).extension().string();
    s.origname = fs::path(file).filename().string();
  }
  static const std::map<std::string, int32_t> kEffects = {
      {"chorus", 1},     {"echo", 2},        {"flanger", 4},     {"gargle", 8},
      {"reverb", 16},    {"compressor", 32}, {"equalizer", 64},  {"distortion", 128},
      {"environment", 256}};
  if (const json* fx = Member(root, "effects")) {
    ExpectArray(doc, *fx, "effects");
    for (size_t i = 0; i < fx->size(); ++i) {
      const json& e = (*fx)[i];
      auto it = e.is_string() ? kEffects.find(e.get<std::string>()) : kEffects.end();
      if (it == kEffects.end())
        Fail(doc, Index("effects", i),
             "expected chorus, echo, flanger, gargle, reverb, compressor, equalizer, distortion or "
             "environment");
      s.effects |= it->second;
    }
  }
  s.volume = GetReal(doc, root, "", "volume", 1.0, 0.0, 1.0, "0..1");
  s.pan = GetReal(doc, root, "", "pan", 0.0, -1.0, 1.0, "-1..1");
  s.preload = GetBool(doc, root, "", "preload", true);
  return s;
}

// --- paths, time lines and triggers ----------------------------------------------------------

RPathSource ReadPath(const fs::path& dir, const std::string& name) {
  const std::string file = "paths/" + name + ".json";
  const Doc doc = LoadDoc(dir, file);
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "", {"kind", "closed", "precision", "points"});
  RPathSource p;
  p.name = name;
  const std::string kind = GetString(doc, root, "", "kind", "straight");
  if (kind != "straight" && kind != "smooth") Fail(doc, "kind", "expected straight or smooth");
  p.kind = kind == "smooth" ? 1 : 0;
  p.closed = GetBool(doc, root, "", "closed", true);
  p.precision = GetInt(doc, root, "", "precision", 4, 0, 8);
  if (const json* points = Member(root, "points")) {
    ExpectArray(doc, *points, "points");
    for (size_t i = 0; i < points->size(); ++i) {
      const json& pt = (*points)[i];
      const bool ok = pt.is_array() && (pt.size() == 2 || pt.size() == 3) &&
                      std::all_of(pt.begin(), pt.end(), [](const json& v) { return v.is_number(); });
      if (!ok) Fail(doc, Index("points", i), "expected a point [x, y] or [x, y, speed] of numbers");
      RPathPointSource w{pt[0].get<double>(), pt[1].get<double>(), pt.size() == 3 ? pt[2].get<double>() : 100.0};
      if (!std::isfinite(w.x) || !std::isfinite(w.y) || !std::isfinite(w.speed))
        Fail(doc, Index("points", i), "expected finite numbers");
      p.points.push_back(w);
    }
  }
  return p;
}

ObjectScope ScopeOf(const RProject& project) {
  ObjectScope scope;
  for (const auto& o : project.objects) scope.objects.push_back(o ? std::optional(o->name) : std::nullopt);
  for (const auto& s : project.sprites) scope.sprites.push_back(s ? std::optional(s->name) : std::nullopt);
  for (const auto& s : project.scripts)
    if (s) scope.scripts.insert(s->name);
  for (const auto& t : project.triggers) scope.triggers.push_back(t ? std::optional(t->name) : std::nullopt);
  scope.codes = const_cast<std::vector<RCodeSource>*>(&project.codes);
  return scope;
}

RTimeLineSource ReadTimeLine(const fs::path& dir, const std::string& name, const ObjectScope& scope) {
  const std::string file = "timelines/" + name + ".json";
  const Doc doc = LoadDoc(dir, file);
  const json& root = doc.root;
  ExpectObject(doc, root, "");
  CheckKeys(doc, root, "", {"moments"});
  RTimeLineSource t;
  t.name = name;
  const json* moments = Member(root, "moments");
  if (!moments) return t;
  ExpectObject(doc, *moments, "moments");
  std::map<int32_t, std::string> seen;
  const fs::path codeDir = dir / "timelines";
  for (auto it = moments->begin(); it != moments->end(); ++it) {
    const std::string key = Join("moments", it.key());
    // A step is a whole number written plainly: "07" or "+3" would read as another moment.
    const std::string& text = it.key();
    const bool plain = !text.empty() && (text == "0" || (text[0] != '0' && text[0] != '+')) &&
                       text.find_first_not_of("-0123456789") == std::string::npos;
    int64_t step = 0;
    bool ok = plain && text != "-" && text.find('-', 1) == std::string::npos && text.size() <= 11;
    if (ok) {
      step = std::stoll(text);
      ok = step >= std::numeric_limits<int32_t>::min() && step <= std::numeric_limits<int32_t>::max() &&
           std::to_string(step) == text;
    }
    if (!ok) Fail(doc, key, "unknown moment \"" + text + "\": expected a step number");
    if (auto [at, fresh] = seen.emplace(static_cast<int32_t>(step), text); !fresh)
      Fail(doc, key, "the same moment as \"" + at->second + "\"");
    RMomentSource m;
    m.step = static_cast<int32_t>(step);
    const json& list = it.value();
    if (list.is_array()) {
      for (size_t i = 0; i < list.size(); ++i) m.actions.push_back(ReadAction(codeDir, doc, scope, list[i], Index(key, i)));
    } else {
      m.actions.push_back(ReadAction(codeDir, doc, scope, list, key));
    }
    t.moments.push_back(std::move(m));
  }
  std::sort(t.moments.begin(), t.moments.end(), [](const RMomentSource& a, const RMomentSource& b) { return a.step < b.step; });
  return t;
}

void ReadTriggers(const fs::path& dir, RProject& project) {
  if (!fs::exists(dir / "triggers.json")) return;
  const Doc doc = LoadDoc(dir, "triggers.json");
  ExpectArray(doc, doc.root, "");
  InitFunctions(RunnerFunctionFamilies());
  std::set<std::string> names, constants;
  for (size_t i = 0; i < doc.root.size(); ++i) {
    const json& e = doc.root[i];
    if (e.is_null()) {
      project.triggers.emplace_back();
      continue;
    }
    const std::string p = Index("", i);
    ExpectObject(doc, e, p);
    CheckKeys(doc, e, p, {"name", "condition", "moment", "constant"});
    RTriggerSource t;
    t.name = GetString(doc, e, p, "name", "");
    if (!IsIdentifier(t.name)) Fail(doc, Join(p, "name"), "expected a name (letters, digits and _, not starting with a digit)");
    if (!names.insert(t.name).second) Fail(doc, Join(p, "name"), "duplicate name \"" + t.name + "\"");
    const std::string condition = GetString(doc, e, p, "condition", "");
    if (InlineCode(condition).find_first_not_of(" \t\r\n") == std::string::npos) Fail(doc, Join(p, "condition"), "missing");
    t.condition = NoteInlineCode(&project.codes, doc, Join(p, "condition"), condition, true, "bad condition");
    static const std::map<std::string, int32_t> kMoments = {{"step", 0}, {"begin_step", 1}, {"end_step", 2}};
    const std::string moment = GetString(doc, e, p, "moment", "step");
    auto it = kMoments.find(moment);
    if (it == kMoments.end()) Fail(doc, Join(p, "moment"), "expected step, begin_step or end_step");
    t.moment = it->second;
    t.constant = GetString(doc, e, p, "constant", "");
    if (!t.constant.empty()) {
      if (!IsIdentifier(t.constant)) Fail(doc, Join(p, "constant"), "expected a name (letters, digits and _, not starting with a digit)");
      if (!constants.insert(t.constant).second) Fail(doc, Join(p, "constant"), "duplicate constant \"" + t.constant + "\"");
    }
    project.triggers.push_back(std::move(t));
  }
}

// A .json file in the folder that the list does not name is a forgotten entry.
void CheckListed(const fs::path& dir, const char* folder, const std::vector<std::optional<std::string>>& names,
                 const std::string& key) {
  std::set<std::string> listed;
  for (const auto& name : names)
    if (name) listed.insert(*name + ".json");
  std::error_code ec;
  if (!fs::is_directory(dir / folder, ec)) return;
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir / folder, ec))
    if (e.path().extension() == ".json") files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  for (const std::string& f : files)
    if (!listed.count(f)) throw ProjectError(std::string(folder) + "/" + f, "", "not listed in game.json " + key);
}

void ReadResources(const fs::path& dir, const Doc& doc, const json& root, RProject& project) {
  const json* r = Member(root, "resources");
  if (!r) {
    ReadTriggers(dir, project);
    return;
  }
  const std::string p = "resources";
  ExpectObject(doc, *r, p);
  CheckKeys(doc, *r, p,
            {"sounds", "sprites", "backgrounds", "paths", "scripts", "fonts", "timelines", "objects", "rooms"});
  if (const json* paths = Member(*r, "paths")) {
    const auto names = ReadNameList(doc, *paths, Join(p, "paths"));
    for (const auto& name : names) project.paths.push_back(name ? std::optional(ReadPath(dir, *name)) : std::nullopt);
    CheckListed(dir, "paths", names, "resources.paths");
  }
  std::vector<std::optional<std::string>> roomNames, backgroundNames;
  if (const json* rooms = Member(*r, "rooms")) roomNames = ReadNameList(doc, *rooms, Join(p, "rooms"));
  if (const json* backgrounds = Member(*r, "backgrounds"))
    backgroundNames = ReadNameList(doc, *backgrounds, Join(p, "backgrounds"));
  if (const json* sounds = Member(*r, "sounds"))
    for (const auto& name : ReadNameList(doc, *sounds, Join(p, "sounds")))
      project.sounds.push_back(name ? std::optional(ReadSound(dir, *name)) : std::nullopt);
  if (const json* fonts = Member(*r, "fonts"))
    for (const auto& name : ReadNameList(doc, *fonts, Join(p, "fonts")))
      project.fonts.push_back(name ? std::optional(ReadFont(dir, *name)) : std::nullopt);
  std::vector<std::optional<std::string>> spriteNames;
  if (const json* sprites = Member(*r, "sprites")) spriteNames = ReadNameList(doc, *sprites, Join(p, "sprites"));
  project.sprites = ReadSprites(dir, spriteNames);
  project.backgrounds = ReadBackgrounds(dir, backgroundNames);

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
      project.scripts.push_back(RScriptSource{*names[i], NoteCodeFile(&project.codes, dir, doc, Index(key, i), rel)});
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
  ReadTriggers(dir, project);
  if (const json* objects = Member(*r, "objects")) ReadObjects(dir, doc, *objects, Join(p, "objects"), project);
  // Moments run actions as objects do, so they may name objects, sprites, scripts and triggers.
  if (const json* timelines = Member(*r, "timelines")) {
    const auto names = ReadNameList(doc, *timelines, Join(p, "timelines"));
    InitFunctions(RunnerFunctionFamilies());
    const ObjectScope scope = ScopeOf(project);
    for (const auto& name : names)
      project.timelines.push_back(name ? std::optional(ReadTimeLine(dir, *name, scope)) : std::nullopt);
    CheckListed(dir, "timelines", names, "resources.timelines");
  }
  ReadRooms(dir, roomNames, backgroundNames, project);
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
    auto it = std::find_if(project.rooms.begin(), project.rooms.end(), [&](const auto& r) { return r && r->name == name; });
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
    project.libraryInit.push_back(NoteCodeFile(&project.codes, dir, doc, Index("library_init", i), v.get<std::string>()));
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
    NoteInlineCode(&project.codes, doc, key + "[1]", pair[1].get<std::string>(), true, "bad value of constant " + name);
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
             "resources", "room_order", "library_init", "extensions"});
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
  if (const json* list = Member(root, "extensions")) {
    ExpectArray(doc, *list, "extensions");
    std::vector<std::string> names;
    for (size_t i = 0; i < list->size(); ++i) {
      const json& v = (*list)[i];
      if (!v.is_string() || !IsConfinedName(v.get<std::string>()) || v.get<std::string>().find_first_of("/\\") != std::string::npos)
        Fail(doc, Index("extensions", i), "expected the name of a folder under extensions/");
      names.push_back(v.get<std::string>());
    }
    ReadExtensions(dir, names, project);
  }
  return project;
}

}  // namespace gamebuild
