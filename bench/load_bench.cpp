// Loading hot spots: the CRC and unscrambling of appended data, and "E" block decoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "runner/base/Support_Stream.h"

namespace {
std::vector<uint8_t> RandomBytes(size_t n) {
  std::mt19937 rng(1);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

void BM_CalcCRC(benchmark::State& state) {
  const auto data = RandomBytes(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CalcCRC(data.data(), static_cast<int32_t>(data.size())));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CalcCRC)->Arg(1 << 20)->Arg(8 << 20);

void BM_DecryptWad(benchmark::State& state) {
  CStream plain(RandomBytes(static_cast<size_t>(state.range(0))));
  plain.EncryptWad(0, 12345);
  for (auto _ : state) {
    CStream s(plain.Bytes());
    benchmark::DoNotOptimize(s.DecryptWad(0));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecryptWad)->Arg(8 << 20);

void BM_ReadStreamE(benchmark::State& state) {
  CStream payload(RandomBytes(static_cast<size_t>(state.range(0))));
  CStream block;
  block.WriteStreamE(payload, 7);
  for (auto _ : state) {
    block.SetPosition(0);
    benchmark::DoNotOptimize(block.ReadStreamE());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadStreamE)->Arg(4 << 20);
}  // namespace
