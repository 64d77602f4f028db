// Loading a large game file made by gamebuild (many scripts, objects with events, rooms full of
// instances, a big included file), against the bare inflating of the compressed blocks that the
// load inflates. The load's counters give its own peak memory and the size of the game data
// once inflated. The load inflates blocks on a few threads beside its own: its processor time
// counts every thread of the process, and `wall_ms` gives the time a player waits.
// BENCH_QUICK=1 makes the game small.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <libdeflate.h>
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"
#include "tools/gamebuild/GameBuild.h"

namespace fs = std::filesystem;

namespace {
// Compressed blocks seen by the inflaters while recording: input bytes and inflated size.
struct Block {
  std::vector<uint8_t> in;
  size_t out = 0;
};
bool g_recording = false;
std::mutex g_blocksMutex;  // blocks are inflated on several threads
std::vector<Block> g_blocks;
}  // namespace

// The loader is linked into this program, so its calls to inflate land here first; while
// recording, each block is copied the first time it is seen, then zlib does the work.
extern "C" int inflate(z_streamp strm, int flush) {
  using Fn = int (*)(z_streamp, int);
  static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "inflate"));
  // Only the reading thread takes zlib's streaming path, so one block is open at a time.
  std::unique_lock lock(g_blocksMutex, std::defer_lock);
  if (g_recording) lock.lock();
  if (g_recording && strm->total_in == 0) g_blocks.push_back({{strm->next_in, strm->next_in + strm->avail_in}, 0});
  const int rc = real(strm, flush);
  if (g_recording && rc == Z_STREAM_END && !g_blocks.empty()) g_blocks.back().out = strm->total_out;
  return rc;
}

// The loader inflates most blocks whole with libdeflate; those are recorded here the same way,
// once each, when they succeed (a block that did not fit its buffer is tried again larger).
extern "C" libdeflate_result libdeflate_zlib_decompress_ex(libdeflate_decompressor* d, const void* in, size_t in_size,
                                                           void* out, size_t out_avail, size_t* in_used,
                                                           size_t* out_size) {
  using Fn = libdeflate_result (*)(libdeflate_decompressor*, const void*, size_t, void*, size_t, size_t*, size_t*);
  static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "libdeflate_zlib_decompress_ex"));
  const libdeflate_result rc = real(d, in, in_size, out, out_avail, in_used, out_size);
  if (g_recording && rc == LIBDEFLATE_SUCCESS) {
    const std::lock_guard lock(g_blocksMutex);
    const auto* p = static_cast<const uint8_t*>(in);
    g_blocks.push_back({{p, p + *in_used}, *out_size});
  }
  return rc;
}

namespace {
struct Sizes {
  int scripts, objects, rooms, instances, included_kib;
};
Sizes GameSizes() {
  if (std::getenv("BENCH_QUICK")) return {10, 5, 2, 20, 16};
  return {400, 200, 40, 2000, 4096};
}

void WriteFile(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// A project in a fresh temporary folder; returns the game file built from it.
fs::path MakeGame() {
  const Sizes z = GameSizes();
  const fs::path dir = fs::temp_directory_path() / ("gameload_bench_" + std::to_string(getpid()));
  fs::remove_all(dir);
  std::string scripts, objects, rooms, order;
  for (int i = 0; i < z.scripts; ++i) {
    std::string body;
    for (int k = 0; k < 40; ++k)
      body += "var v" + std::to_string(k) + "; v" + std::to_string(k) + " = argument0 * " + std::to_string(k + i) +
              " + string_length(\"line " + std::to_string(k) + "\");\n";
    body += "return argument0 + " + std::to_string(i) + ";\n";
    WriteFile(dir / "scripts" / ("scr_" + std::to_string(i) + ".kvs"), body);
    scripts += (i ? ",\"scr_" : "\"scr_") + std::to_string(i) + "\"";
  }
  for (int i = 0; i < z.objects; ++i) {
    WriteFile(dir / "objects" / ("obj_" + std::to_string(i) + ".json"),
              "{\"depth\": " + std::to_string(i) +
                  ", \"events\": {\"create\": \"hp = 3; speed = 2; direction = random(360);\","
                  " \"step\": [\"if (x < 0 or x > room_width) hspeed = -hspeed;\", \"hp -= 0.01;\"],"
                  " \"step_end\": \"if (hp < 0) instance_destroy();\"}}");
    objects += (i ? ",\"obj_" : "\"obj_") + std::to_string(i) + "\"";
  }
  std::mt19937 rng(7);
  for (int r = 0; r < z.rooms; ++r) {
    std::string inst;
    for (int i = 0; i < z.instances; ++i)
      inst += std::string(i ? "," : "") + "{\"object\": \"obj_" + std::to_string(rng() % z.objects) +
              "\", \"x\": " + std::to_string(rng() % 2000) + ", \"y\": " + std::to_string(rng() % 2000) + "}";
    WriteFile(dir / "rooms" / ("rm_" + std::to_string(r) + ".json"),
              "{\"width\": 2000, \"height\": 2000, \"instances\": [" + inst + "]}");
    rooms += (r ? ",\"rm_" : "\"rm_") + std::to_string(r) + "\"";
  }
  std::string data;  // half text that packs well, half noise that does not
  while (data.size() < static_cast<size_t>(z.included_kib) * 512) data += "level row " + std::to_string(data.size()) + "\n";
  while (data.size() < static_cast<size_t>(z.included_kib) * 1024) data += static_cast<char>(rng());
  WriteFile(dir / "data" / "big.bin", data);
  WriteFile(dir / "included.json", "[{\"name\": \"big.bin\", \"source\": \"data/big.bin\", \"export\": \"none\"}]");
  WriteFile(dir / "game.json", "{\"format\": 1, \"game_id\": 7, \"resources\": {\"scripts\": [" + scripts +
                                   "], \"objects\": [" + objects + "], \"rooms\": [" + rooms +
                                   "]}, \"room_order\": [" + rooms + "]}");
  gamebuild::BuildOptions options;
  options.project = dir;
  options.output = dir.string() + ".game";
  options.dataOnly = true;
  gamebuild::BuildGame(options);
  fs::remove_all(dir);
  return options.output;
}

// Resident memory of this process, current or peak, from /proc (0 where it cannot be read).
double ResidentMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::strtod(line.c_str() + std::strlen(field), nullptr) / 1024.0;
  return 0;
}

// Peak memory of the first load alone: building the game in this process takes far more, so the
// peak is reset (Linux's clear_refs) after the build's memory went back, and only the rise over
// what was resident then is counted.
double g_load_peak_mib = 0;

const fs::path& GameState() {
  static const fs::path path = [] {
    StartGameSubsystems();
    static fs::path p = MakeGame();
    std::atexit([] { fs::remove(p); });
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = ResidentMiB("VmRSS:");
    if (!LoadGameData(p.string())) std::abort();
    g_load_peak_mib = ResidentMiB("VmHWM:") - before;
    g_recording = true;
    if (!LoadGameData(p.string())) std::abort();
    g_recording = false;
    return p;
  }();
  return path;
}

void BM_LoadGame(benchmark::State& state) {
  const std::string path = GameState().string();
  double wallMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!LoadGameData(path)) state.SkipWithError("the game did not load");
    wallMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["wall_ms"] = benchmark::Counter(wallMs, benchmark::Counter::kAvgIterations);
  // The game data as it is once every block is inflated, the measure of the load's peak memory.
  double inflated = static_cast<double>(fs::file_size(path));
  for (const Block& b : g_blocks) inflated += static_cast<double>(b.out) - static_cast<double>(b.in.size());
  state.counters["bytes"] = static_cast<double>(fs::file_size(path));
  state.counters["inflated_MiB"] = inflated / (1 << 20);
  state.counters["load_peak_MiB"] = g_load_peak_mib;
}
BENCHMARK(BM_LoadGame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_LoadGame_Peer(benchmark::State& state) {
  GameState();
  std::vector<uint8_t> out;
  for (auto _ : state) {
    for (const Block& b : g_blocks) {
      out.resize(b.out + 1);
      uLongf size = static_cast<uLongf>(out.size());
      uncompress(out.data(), &size, b.in.data(), static_cast<uLong>(b.in.size()));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.counters["blocks"] = static_cast<double>(g_blocks.size());
}
BENCHMARK(BM_LoadGame_Peer)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}  // namespace
