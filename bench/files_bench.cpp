// File functions as games call them: binary files one byte per call (against stdio's buffered
// byte calls as the peer), and INI reads from a copy of a thousand keys.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"

namespace {
int64_t Size() { return getenv("BENCH_QUICK") ? 1024 : 1 << 20; }

// A scratch folder as the working folder for the benchmark's lifetime.
struct Scratch {
  std::filesystem::path old = std::filesystem::current_path(), dir;
  Scratch() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "files_bench_XXXXXX").string();
    if (mkdtemp(tmpl.data())) dir = tmpl;
    std::filesystem::current_path(dir);
    InitFunctions(AllFunctionFamilies());
    SetErrorSink([](std::string_view, bool) {});
  }
  ~Scratch() {
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
  }
};

TRoutine Routine(const char* name) {
  int32_t id = -1;
  FindBuiltinFunction(name, id);
  return FunctionAt(id)->f_routine;
}

RValue Call(TRoutine f, std::vector<RValue> args) {
  RValue result;
  f(nullptr, nullptr, static_cast<int32_t>(args.size()), args.data(), result);
  return result;
}

void BM_BinaryBytes(benchmark::State& state) {
  Scratch scratch;
  const TRoutine open = Routine("file_bin_open"), write = Routine("file_bin_write_byte"),
                 read = Routine("file_bin_read_byte"), seek = Routine("file_bin_seek"), close = Routine("file_bin_close");
  const int64_t n = Size();
  double sum = 0;
  for (auto _ : state) {
    RValue args[2] = {RValue("b.dat"), RValue(2.0)};
    RValue f;
    open(nullptr, nullptr, 2, args, f);
    for (int64_t i = 0; i < n; ++i) Call(write, {f, RValue(static_cast<double>(i & 255))});
    Call(seek, {f, RValue(0.0)});
    for (int64_t i = 0; i < n; ++i) sum += Call(read, {f}).val();
    Call(close, {f});
  }
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(state.iterations() * n * 2);
}
BENCHMARK(BM_BinaryBytes);

void BM_BinaryBytes_Peer(benchmark::State& state) {
  Scratch scratch;
  const int64_t n = Size();
  double sum = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen("b.dat", "w+b");
    for (int64_t i = 0; i < n; ++i) std::fputc(static_cast<int>(i & 255), f);
    std::fseek(f, 0, SEEK_SET);
    for (int64_t i = 0; i < n; ++i) sum += std::fgetc(f);
    std::fclose(f);
  }
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(state.iterations() * n * 2);
}
BENCHMARK(BM_BinaryBytes_Peer);

void BM_IniReads(benchmark::State& state) {
  Scratch scratch;
  {
    std::FILE* f = std::fopen("big.ini", "wb");
    for (int s = 0; s < 10; ++s) {
      std::fprintf(f, "[section%d]\r\n", s);
      for (int k = 0; k < 100; ++k) std::fprintf(f, "key%d=%d.5\r\n", k, k);
    }
    std::fclose(f);
  }
  const TRoutine open = Routine("ini_open"), readReal = Routine("ini_read_real"), close = Routine("ini_close");
  Call(open, {RValue("big.ini")});
  const int reads = getenv("BENCH_QUICK") ? 10 : 1000;
  double sum = 0;
  for (auto _ : state)
    for (int i = 0; i < reads; ++i)
      sum += Call(readReal, {RValue("section9"), RValue("key99"), RValue(0.0)}).val();
  Call(close, {});
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_IniReads);
}  // namespace
