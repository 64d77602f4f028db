// Saved games as files; see Runner_Save.h.
#include "runner/shell/Runner_Save.h"

#include <functional>
#include <optional>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Error.h"
#include "runner/functions/Support_File.h"
#include "runner/shell/Runner_Game.h"

namespace {
void Report(const std::string& message) { ShowActionError(message, false); }

// The whole file, or nothing when it cannot be read.
std::optional<CStream> ReadWhole(const std::string& path) {
  CStream stream;
  try {
    if (!stream.LoadFromFile(path)) return std::nullopt;
  } catch (const StreamError&) {
    return std::nullopt;  // larger than any stream
  }
  return stream;
}
}  // namespace

CStream SavedGame() {
  CStream stream;
  stream.WriteInteger(kSaveGameVersion);
  stream.WriteInteger(GameId());
  for (const RSubsystem& row : ShellState().subsystems)
    if (row.save) row.save(stream);
  return stream;
}

bool LoadSavedGame(CStream& stream, const std::string& file) {
  std::vector<std::function<void()>> steps;
  try {
    if (stream.ReadInteger() != kSaveGameVersion) return Report("Cannot load game saved with other version."), false;
    if (stream.ReadInteger() != GameId()) return Report("This is a save file for a different game!"), false;
    for (const RSubsystem& row : ShellState().subsystems)
      if (row.load) steps.push_back(row.load(stream));
  } catch (const StreamError&) {
    return Report("Failed to load game from file " + file), false;
  }
  for (const auto& step : steps) step();
  return true;
}

void SaveGameFile(const std::string& file) {
  if (SecureMode() && IsPathName(file)) return Report("In secure mode you cannot save game to file " + file);
  const CStream stream = SavedGame();
  const std::optional<std::string> path = ResolveForWrite(file);
  const std::string_view bytes(reinterpret_cast<const char*>(stream.Data()), static_cast<size_t>(stream.GetSize()));
  if (!path || !platform::ReplaceFileContents(ReplaceTarget(*path, SecureMode()), bytes))
    Report("Failed to save game to file " + file);
}

void LoadGameFile(const std::string& file) {
  const std::optional<std::string> path = ResolveExisting(file);
  if (!path) return;
  std::optional<CStream> stream = ReadWhole(*path);
  if (!stream) return Report("Failed to load game from file " + file);
  LoadSavedGame(*stream, file);
}
