// The game project as gamebuild sees it: everything one game file holds, read from a project
// directory (game.json and the files it names) and checked before anything is written.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "runner/base/Option_Main.h"
#include "tools/gamebuild/Project_Images.h"

namespace gamebuild {

// A fault in the project: the file (relative to the project directory) and the key in it.
class ProjectError : public std::runtime_error {
 public:
  ProjectError(std::string file, std::string key, const std::string& message);
  const std::string& File() const { return file_; }
  const std::string& Key() const { return key_; }

 private:
  std::string file_;
  std::string key_;
};

struct RScriptSource {
  std::string name;
  std::string text;  // CR LF line ends
};

// One action record as stored; see docs/project-format.md for the notation it comes from.
struct RActionSource {
  int32_t libid = 0;
  int32_t id = 0;
  int32_t kind = 0;
  bool userelative = false;
  bool isquestion = false;
  bool useapplyto = true;
  int32_t exetype = 0;
  std::string function;
  std::string code;
  std::vector<int32_t> argtypes;  // one per argument
  std::vector<std::string> args;
  int32_t who = -1;
  bool relative = false;
  bool isnot = false;
};

struct REventSource {
  int32_t type = 0;
  int32_t number = 0;
  std::vector<RActionSource> actions;
};

struct RObjectSource {
  std::string name;
  int32_t sprite = -1;
  bool solid = false;
  bool visible = true;
  int32_t depth = 0;
  bool persistent = false;
  int32_t parent = -1;
  int32_t mask = -1;
  std::vector<REventSource> events;  // by type, then number; each (type, number) once
};

// A room's background layer, view, placed instance and tile as stored; names are resolved.
struct RRoomBackSource {
  bool visible = false;
  bool foreground = false;
  int32_t background = -1;
  int32_t x = 0, y = 0;
  bool htiled = true, vtiled = true;
  int32_t hspeed = 0, vspeed = 0;
  bool stretch = false;
};

struct RRoomViewSource {
  bool visible = false;
  int32_t xview = 0, yview = 0, wview = 640, hview = 480;
  int32_t xport = 0, yport = 0, wport = 640, hport = 480;
  int32_t hborder = 32, vborder = 32;
  int32_t hspeed = -1, vspeed = -1;
  int32_t follow = -1;  // object index, or instance id above 99999
};

struct RRoomInstanceSource {
  int32_t x = 0, y = 0;
  int32_t object = -1;
  int32_t id = 0;
  std::string code;
};

struct RRoomTileSource {
  int32_t x = 0, y = 0;
  int32_t background = -1;
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t depth = 0;
  int32_t id = 0;
};

struct RRoomSource {
  std::string name;
  std::string caption;
  int32_t width = 640, height = 480;
  int32_t speed = 30;
  bool persistent = false;
  int32_t color = 0xC0C0C0;
  bool showColor = true;
  std::string code;
  std::array<RRoomBackSource, 8> backgrounds{};
  bool enableViews = false;
  std::array<RRoomViewSource, 8> views{};
  std::vector<RRoomInstanceSource> instances;
  std::vector<RRoomTileSource> tiles;
};

inline constexpr int32_t kFirstInstanceId = 100001;
inline constexpr int32_t kFirstTileId = 10000001;

struct RIncludedSource {
  std::string name;
  std::string origname;
  bool exists = false;
  int32_t size = 0;
  bool store = true;
  std::vector<uint8_t> data;
  int32_t exportAction = 2;
  std::string exportDir;
  bool overwrite = false;
  bool freeData = true;
  bool removeEnd = true;
};

struct RSoundSource {
  std::string name;
  int32_t kind = 0;
  std::string extension;  // with its dot
  std::string origname;
  bool hasData = false;
  std::vector<uint8_t> data;
  int32_t effects = 0;
  double volume = 1.0;
  double pan = 0.0;
  bool preload = true;
};

struct RFontSource {
  std::string name;
  std::vector<uint8_t> record;  // the font record as the runner reads it
};

struct RGameInfoSource {
  int32_t color = 0xE1FFFF;
  bool embed = false;
  std::string caption = "Game Information";
  int32_t left = -1;
  int32_t top = -1;
  int32_t width = 600;
  int32_t height = 400;
  bool border = true;
  bool sizeable = true;
  bool stayOnTop = false;
  bool pause = true;
  std::string rtf;
};

struct RPathPointSource {
  double x = 0, y = 0, speed = 100;
};

struct RPathSource {
  std::string name;
  int32_t kind = 0;  // 0 straight, 1 smooth
  bool closed = true;
  int32_t precision = 4;
  std::vector<RPathPointSource> points;
};

struct RMomentSource {
  int32_t step = 0;
  std::vector<RActionSource> actions;
};

struct RTimeLineSource {
  std::string name;
  std::vector<RMomentSource> moments;  // in increasing step order
};

struct RTriggerSource {
  std::string name;
  std::string condition;
  int32_t moment = 0;  // 0 step, 1 begin step, 2 end step
  std::string constant;
};

// An extension package (extensions/FOLDER/package.json): its files with their functions and
// constants, and each file's data as the game carries it.
struct RExtensionFunctionSource {
  std::string name;
  std::string external;
  int32_t convention = 11;  // 12 cdecl, 11 stdcall
  int32_t id = 0;
  int32_t argcount = -1;
  std::array<int32_t, 17> argtypes{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  int32_t returns = 2;  // 1 string, 2 real
};
struct RExtensionFileSource {
  std::string file;
  int32_t kind = 4;  // 1 library, 2 game code, 3 no data, 4 other
  std::string init, final;
  std::vector<RExtensionFunctionSource> functions;
  std::vector<std::pair<std::string, std::string>> constants;
  std::vector<uint8_t> data;  // game code as Latin-1 with CR LF
};
struct RExtensionSource {
  std::string name;
  std::string folder;
  std::vector<RExtensionFileSource> files;
};

// One piece of game code as the project holds it, kept so the build can compile it and point
// at the place of a fault: in its own code file, or inside a JSON file's string.
struct RCodeSource {
  std::string file;     // relative to the project directory
  std::string key;      // the JSON key of inline code; empty for a code file
  std::string source;   // inline code as the JSON string holds it
  std::string text;     // the code as compiled (CR LF line ends)
  bool expression = false;
  std::string what;     // what the code is, in front of the compiler's message ("bad condition")
};

struct RProject {
  int32_t gameId = 0;
  std::optional<std::array<uint8_t, 16>> sessionId;
  bool debug = false;
  uint32_t seed = 0;
  std::string libraryName = "D3DX8.dll";
  std::vector<uint8_t> library;
  ROptions settings;
  std::vector<std::pair<std::string, std::string>> constants;
  std::vector<std::optional<RSoundSource>> sounds;    // by index; empty slots stay empty
  std::vector<std::optional<RSpriteSource>> sprites;  // by index
  std::vector<std::optional<RBackgroundSource>> backgrounds;
  std::vector<std::optional<RScriptSource>> scripts;  // by index; empty slots stay empty
  std::vector<std::optional<RPathSource>> paths;      // by index
  std::vector<std::optional<RTimeLineSource>> timelines;  // by index
  std::vector<std::optional<RTriggerSource>> triggers;    // by index
  std::vector<std::optional<RFontSource>> fonts;      // by index
  std::vector<std::optional<RObjectSource>> objects;  // by index
  std::vector<std::optional<RRoomSource>> rooms;      // by index
  int32_t lastInstanceId = kFirstInstanceId - 1;      // the largest placed instance id
  int32_t lastTileId = kFirstTileId - 1;              // the largest tile id
  std::vector<int32_t> roomOrder;
  std::vector<std::string> libraryInit;
  std::vector<RIncludedSource> included;
  RGameInfoSource info;
  std::vector<RExtensionSource> extensions;
  std::vector<RCodeSource> codes;  // every piece of code, in the order it was read
};

// Reads extensions/NAME/package.json for each name game.json lists, in order; function ids
// are given in order across the packages unless a function names its own. Throws ProjectError.
void ReadExtensions(const std::filesystem::path& dir, const std::vector<std::string>& names, RProject& project);

// Reads and checks the project in dir. Throws ProjectError.
RProject ReadProject(const std::filesystem::path& dir);

// The library file written when a project names none: the runner's graphics layer stands in
// for the Direct3D extension library, so only its presence matters.
std::vector<uint8_t> PlaceholderLibrary();

// Plain text as a minimal rich-text document.
std::string PlainTextToRtf(const std::string& utf8);

}  // namespace gamebuild
