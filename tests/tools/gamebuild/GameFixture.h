// Test helpers: small projects written into a scratch folder, built by gamebuild, and loaded
// back by the runner with its messages and progress captions captured.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "runner/functions/DataNew_Class.h"
#include "runner/shell/Load_Chunks.h"
#include "runner/shell/Load_Form.h"
#include "runner/base/Runner_Process.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"
#include "runner/base/Support_Stream.h"
#include "tools/gamebuild/GameBuild.h"
#include "tools/gamebuild/GameWriter.h"

namespace fixture {

namespace fs = std::filesystem;

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "gamefile_test_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

inline void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The smallest game: one room in the room order. Extra top-level members go in as JSON text.
inline std::string GameJson(const std::string& extra = "") {
  return "{\n  \"game_id\": 4242,\n  \"resources\": {\"rooms\": [\"rm_main\"]},\n  \"room_order\": [\"rm_main\"]" +
         (extra.empty() ? std::string() : ",\n  " + extra) + "\n}\n";
}

// A project folder with files given by relative name. Each room that game.json lists gets an
// empty room file (every setting at its default) unless the files give one.
class Project {
 public:
  explicit Project(const std::map<std::string, std::string>& files = {{"game.json", GameJson()}}) {
    for (const auto& [name, text] : files) WriteText(dir_.path() / name, text);
    auto game = files.find("game.json");
    if (game == files.end()) return;
    const nlohmann::json root = nlohmann::json::parse(game->second, nullptr, false);
    if (!root.is_object() || !root.contains("resources") || !root["resources"].is_object()) return;
    const nlohmann::json& rooms = root["resources"].value("rooms", nlohmann::json::array());
    if (!rooms.is_array()) return;
    for (const auto& room : rooms) {
      if (!room.is_string()) continue;
      const std::string file = "rooms/" + room.get<std::string>() + ".json";
      if (!files.count(file)) WriteText(dir_.path() / file, "{}");
    }
  }
  const fs::path& path() const { return dir_.path(); }
  void Write(const std::string& name, const std::string& text) const { WriteText(dir_.path() / name, text); }
  void WriteBinary(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteBytes(dir_.path() / name, bytes);
  }

  std::vector<uint8_t> BuildBytes(uint32_t seed = 1) const {
    gamebuild::BuildOptions o;
    o.project = path();
    o.dataOnly = true;
    o.seed = seed;
    return gamebuild::BuildGameBytes(o);
  }
  // Builds a data-only game file next to the project and returns its path.
  fs::path Build(uint32_t seed = 1) const {
    const fs::path out = out_.path() / "test.game";
    gamebuild::BuildOptions o;
    o.project = path();
    o.output = out;
    o.dataOnly = true;
    o.seed = seed;
    gamebuild::BuildGame(o);
    return out;
  }

 private:
  ScratchDir dir_;
  ScratchDir out_;
};

// A subsystem of the test's own that loads one chunk, or does one preparation step; a real one
// joins the game's table with UseSubsystem.
inline void AddChunkLoader(EChunk chunk, std::function<bool(CStream&)> load) {
  ShellState().subsystems.push_back({.name = "test", .chunks = {{chunk, std::move(load)}}});
}
inline void AddPrepareStep(EPrepareStep step, std::function<bool()> run) {
  ShellState().subsystems.push_back({.name = "test", .prepare = {{step, std::move(run)}}});
}
inline void UseSubsystem(std::string_view name) { ShellState().subsystems.push_back(GameSubsystem(name)); }

// Runs LoadGameData (and optionally PrepareGame) with messages and captions captured; the
// subsystems a test adds to the game's table go afterwards.
struct LoadRun {
  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<int> progress;
  bool loaded = false;
  bool prepared = false;

  LoadRun() {
    SetLoadMessageSink([this](std::string_view m) { messages.emplace_back(m); });
    SetDataFileErrorHandler([this](std::string_view m) { messages.emplace_back(m); });
    SetLoadFormView([this](const TLoadForm& f) {
      if (captions.empty() || captions.back() != f.LoadLabel.caption || progress.back() != f.progress) {
        captions.push_back(f.LoadLabel.caption);
        progress.push_back(f.progress);
      }
    });
  }
  ~LoadRun() {
    SetLoadMessageSink(nullptr);
    SetDataFileErrorHandler(nullptr);
    SetLoadFormView(nullptr);
    ShellState().subsystems.clear();
    ShellState().d3dxLoader = nullptr;
  }
  LoadRun& Load(const fs::path& file) {
    loaded = LoadGameData(file.string());
    return *this;
  }
  LoadRun& LoadAndPrepare(const fs::path& file) {
    loaded = LoadGameData(file.string());
    if (loaded) prepared = PrepareGame();
    return *this;
  }
};

inline constexpr int64_t kDataStart = kSignatureSearchStart;

// Unscrambles a data-only game file (signature at the search start), lets the test change the
// plain region after the version word, and scrambles it again with the same key.
inline std::vector<uint8_t> Rewrap(const std::vector<uint8_t>& file,
                                   const std::function<void(std::vector<uint8_t>&)>& change) {
  CStream s{std::vector<uint8_t>(file)};
  InitFastCRC();
  if (!s.DecryptWad(static_cast<int32_t>(kDataStart + 8))) throw std::runtime_error("fixture does not unscramble");
  const uint8_t* k1p = s.Data() + kDataStart + 8;
  const uint32_t k1 = uint32_t(k1p[0]) | uint32_t(k1p[1]) << 8 | uint32_t(k1p[2]) << 16 | uint32_t(k1p[3]) << 24;
  std::vector<uint8_t> head(s.Bytes().begin(), s.Bytes().begin() + kDataStart + 20);
  std::vector<uint8_t> region(s.Bytes().begin() + kDataStart + 20, s.Bytes().end());
  change(region);
  head.insert(head.end(), region.begin(), region.end());
  CStream out{std::move(head)};
  out.EncryptWad(static_cast<int32_t>(kDataStart + 8), k1);
  return out.Bytes();
}

}  // namespace fixture
