// Finding, unscrambling and reading the game data, and the preparation steps after it.
#include "runner/shell/Runner_Load.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "runner/functions/DataNew_Class.h"
#include "runner/shell/Load_Chunks.h"
#include "runner/shell/Load_Form.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Regular_File.h"
#include "runner/base/Stream_Ahead.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Game.h"
#include "runner/base/Support_Stream.h"

namespace {
constexpr char kLibraryName[] = "D3DX8.dll";

bool Fail(std::string_view text) {
  ShowLoadMessage(text);
  return false;
}

bool LoadD3DX(const std::string& path) {
  if (const auto& loader = ShellState().d3dxLoader) return loader(path);
  std::ifstream in(path, std::ios::binary);
  return static_cast<bool>(in);
}

void SaveLibraryFile(const std::string& name, const CStream& content) {
  // The name comes from the game data: it must stay a plain name inside the temporary directory.
  if (!IsConfinedName(name) || name.find_first_of("\\/") != std::string::npos)
    throw StreamError("library file name leaves the temporary directory");
  if (!content.SaveToFile(GetTempDirectory() + "/" + name)) throw StreamError("cannot write the library file");
}

// What becomes of the game data's bytes once the chunks are out of them: those the load read
// itself go there (nothing reads them again, and they would stay beside everything the chunks
// make); a caller's stream keeps them.
enum class EFileBytes : bool { Keep, Release };

bool ReadChunks(CStream& stream, EFileBytes file) {
  CStream chunks = stream.ReadStreamE();
  if (file == EFileBytes::Release) stream.Clear();
  const int32_t filler = chunks.ReadInteger();
  const int64_t skipTo = int64_t{chunks.GetPosition()} + int64_t{filler} * 4;
  if (filler < 0 || skipTo > chunks.GetSize()) throw StreamError("chunk filler past the end");
  chunks.SetPosition(static_cast<int32_t>(skipTo));
  chunks.ReadInteger();  // flags
  SettingsState().gameId = chunks.ReadInteger();
  chunks.ReadBuffer(SettingsState().sessionId.data(), static_cast<int32_t>(SettingsState().sessionId.size()));
  // Declared after the chunk stream, so its workers stop before the stream goes.
  std::optional<CInflateAhead> ahead;
  for (const RChunkStep& step : kChunkSteps) {
    // The extension packages are read; from here on the framing of the blocks is known.
    if (step.chunk == EChunk::Triggers) ahead.emplace(chunks, CompressedBlocksAhead(chunks));
    ShowProgress(step.progress, step.caption);
    if (!RunChunkLoader(step.chunk, chunks)) {
      if (step.chunk == EChunk::ExtensionPackages) ShowLoadMessage("Error in loading extension packages.");
      return Fail("Error: Error in resource data.");
    }
  }
  return true;
}

bool ReadGameHeader(CStream& stream, EFileBytes file) {
  if (stream.ReadInteger() != kGameDataVersion) return Fail("Error: Wrong version number.");
  stream.ReadInteger();
  const bool debugMode = stream.ReadBoolean() || Process().debugSwitch;
  SetDebugMode(debugMode);
  stream.ReadInteger();
  if (!Option_Read(stream)) return Fail("Error: Error in resource data.");
  ApplyPlayerSettings(ShellState().player);
  ShowProgress(1, "Reading data");
  SetupLoadForm(debugMode);
  const std::string name = stream.ReadString();
  SaveLibraryFile(name, stream.ReadStreamC());
  if (!LoadD3DX(GetTempDirectory() + "/" + kLibraryName)) return Fail("Error: Failed to initialize D3DX.");
  return ReadChunks(stream, file);
}

// Where the game data lies: its signature in the stream and in the whole file (the key of the
// version word and the load's inflating budget come from the file).
struct RDataPlace {
  int32_t signature;
  int64_t fileSignature;
  int64_t fileSize;
};

bool LoadFromSignature(CStream& stream, RDataPlace place, EFileBytes file) {
  InitFastCRC();
  stream.SetInflateBudget(CStream::InflateBudgetFor(place.fileSize));
  const int32_t versionPos = static_cast<int32_t>(int64_t{place.signature} + 16);
  stream.SetPosition(versionPos);
  const int32_t version = stream.ReadInteger() ^ VersionWordKey(place.fileSignature);
  stream.SetPosition(versionPos);
  stream.WriteInteger(version);
  if (!stream.DecryptWad(place.signature + 8)) {
    // The game shows nothing here; one line says why the run ends.
    std::fprintf(stderr, "runner: the game file \"%s\" is damaged (its data fails the checksum)\n",
                 EscapedForMessage(GamePath()).c_str());
    std::exit(kExitDamagedData);
  }
  stream.SetPosition(versionPos);
  return ReadGameHeader(stream, file);
}

// What loading keeps of a game file: its bytes from the first signature on. What comes before
// them (the runner's image, or the room kept for one) is searched for the signature but never held.
struct RGameFile {
  std::vector<uint8_t> data;  // empty when there is no signature
  int64_t signature = -1;
  int64_t size = 0;
};

// False where CStream::LoadFromFile would fail: the file cannot be opened, is no regular file,
// is too large for a stream or is cut short while it is read.
bool ReadGameFile(const std::string& path, RGameFile& file) {
  const RegularFile in(path, CStream::kMaxSize);
  if (in.fd() < 0) return false;
  file.size = in.size();
  const auto readAt = [fd = in.fd()](uint8_t* dst, size_t count, int64_t at) {
    size_t have = 0;
    while (have < count) {
      const ssize_t n = pread(fd, dst + have, count - have, static_cast<off_t>(at + static_cast<int64_t>(have)));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      have += static_cast<size_t>(n);
    }
    return true;
  };
  // Searched in blocks that overlap by the signature's length less one; the signature nearly
  // always stands at the search start, so the first block is small.
  constexpr int64_t kBlock = int64_t{64} << 10;
  std::vector<uint8_t> block(static_cast<size_t>(kBlock) + kSignatureSize - 1);
  for (int64_t at = kSignatureSearchStart; at + int64_t{kSignatureSize} <= file.size; at += kBlock) {
    const int64_t count = std::min<int64_t>(static_cast<int64_t>(block.size()), file.size - at);
    if (!readAt(block.data(), static_cast<size_t>(count), at)) return false;
    if (const int64_t i = FindGameDataSignatureFrom(block.data(), static_cast<size_t>(count), 0); i >= 0) {
      file.signature = at + i;
      file.data.resize(static_cast<size_t>(file.size - file.signature));
      return readAt(file.data.data(), file.data.size(), file.signature);
    }
  }
  // Read to its end like any other, so a file cut short still says so.
  if (file.size > 0 && !readAt(block.data(), 1, file.size - 1)) return false;
  return true;
}
}  // namespace

bool FileHasGameData(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.seekg(kSignatureSearchStart)) return false;
  // Read in blocks that overlap by the signature's length less one.
  constexpr size_t kBlock = size_t{1} << 20;
  std::vector<uint8_t> buf(kBlock + kSignatureSize);
  size_t have = 0;
  int64_t bufStart = kSignatureSearchStart;
  for (;;) {
    in.read(reinterpret_cast<char*>(buf.data() + have), static_cast<std::streamsize>(kBlock));
    have += static_cast<size_t>(in.gcount());
    if (have < kSignatureSize) return false;
    if (const int64_t i = FindGameDataSignatureFrom(buf.data(), have, 0); i >= 0) {
      // The first signature decides, as in loading; its version word must fix up to the version.
      const int64_t s = bufStart + i;
      uint8_t word[4];
      in.clear();
      if (!in.seekg(s + 16) || !in.read(reinterpret_cast<char*>(word), 4)) return false;
      return (static_cast<int32_t>(ReadLE32(word)) ^ VersionWordKey(s)) == kGameDataVersion;
    }
    if (!in) return false;
    const size_t keep = kSignatureSize - 1;
    std::copy(buf.begin() + static_cast<std::ptrdiff_t>(have - keep), buf.begin() + static_cast<std::ptrdiff_t>(have),
              buf.begin());
    bufStart += static_cast<int64_t>(have - keep);
    have = keep;
  }
}

bool LoadGameData(const std::string& path) {
  SetApplicationTitle(std::filesystem::path(path).stem().string());
  RGameFile file;
  if (!ReadGameFile(path, file)) return Fail("Error: Cannot read the game file.");
  if (file.signature < 0) return Fail("Error: Not a valid game file.");
  CStream stream(std::move(file.data));
  return LoadFromSignature(stream, {0, file.signature, file.size}, EFileBytes::Release);
}

bool LoadGameData(CStream& stream) {
  const int64_t s = FindGameDataSignature(std::as_const(stream).Data(), static_cast<size_t>(stream.GetSize()));
  if (s < 0) return Fail("Error: Not a valid game file.");
  return LoadFromSignature(stream, {static_cast<int32_t>(s), s, stream.GetSize()}, EFileBytes::Keep);
}

bool PrepareGame() {
  struct Step {
    int32_t progress;
    const char* caption;
    EPrepareStep hook;
    const char* failure;
  };
  static constexpr Step kSteps[] = {
      {55, "Preparing extension pacakges", EPrepareStep::ExtensionPackages, "Failed to prepare extension packages."},
      {60, "Preparing constants", EPrepareStep::Constants, "Failed to define the constants."},
      {61, "Preparing triggers", EPrepareStep::Triggers, "Failed to prepare triggers."},
      {62, "Compiling scripts", EPrepareStep::Scripts, "Failed to compile the scripts."},
      {70, "Compiling time line actions", EPrepareStep::TimeLines, "Failed to compile the actions in the time lines."},
      {72, "Compiling object actions", EPrepareStep::Objects, "Failed to compile the actions in the objects."},
      {80, "Preparing sounds", EPrepareStep::Sounds, "Failed to prepare the sounds."},
  };
  ApplyPriority(Options().opt_priority);
  ShowProgress(50, "Extracting included files");
  DataFile_PrepareAll();  // single failures are ignored
  for (const Step& step : kSteps) {
    ShowProgress(step.progress, step.caption);
    if (!RunPrepareStep(step.hook)) return Fail(step.failure);
  }
  ShowProgress(90, "Preparing graphics");
  if (!SetupDisplay()) {
    RunPrepareStep(EPrepareStep::StopSound);
    return false;
  }
  if (!RunPrepareStep(EPrepareStep::InputHandlers)) return false;
  ShowProgress(100, "Ready");
  HideLoadForm();
  return true;
}

bool RunPrepareStep(EPrepareStep step) {
  for (const RSubsystem& subsystem : ShellState().subsystems)
    for (const RPrepareStep& s : subsystem.prepare)
      if (s.step == step && s.run && !s.run()) return false;
  return true;
}
