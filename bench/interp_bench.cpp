// Interpreter hot paths on the language benchmark programs that need no runtime: arithmetic
// with locals, arrays, script calls, globals, control flow and a sieve.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/shell/Support_Stream.h"

class CInstance;

namespace {
// One instance with its own variables; enough for code that runs before rooms exist.
struct BenchHost : ExecHost {
  CVariableList vars;
  CVariableList* InstanceVars(CInstance*) override { return &vars; }
};

void F_Floor(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(std::floor(argv[0].val()));
}
constexpr RFunctionDef kBenchFunctions[] = {{"bench_floor", 1, F_Floor}};

void Setup() {
  static bool done = [] {
    InitFunctions();
    RegisterFamily(kBenchFunctions);
    InitInterpreter();
    CStream chunk;
    const std::vector<std::pair<std::string, std::string>> scripts = {
        {"scr_fib", "if (argument0 < 2) return argument0; return scr_fib(argument0 - 1) + scr_fib(argument0 - 2);"},
        {"scr_mix", "return argument0 * 2 + argument1 - argument2;"}};
    chunk.WriteInteger(800);
    chunk.WriteInteger(static_cast<int32_t>(scripts.size()));
    for (const auto& [name, text] : scripts) {
      CStream block;
      block.WriteBoolean(true);
      block.WriteString(name);
      block.WriteInteger(800);
      block.WriteString(text);
      chunk.WriteStreamC(block);
    }
    chunk.SetPosition(0);
    return LoadScripts(chunk) && CompileScripts();
  }();
  if (!done) std::abort();
}

void Run(benchmark::State& state, const char* text, double expected) {
  Setup();
  BenchHost host;
  SetExecHost(&host);
  CCode code(text, false);
  if (!code.Compile()) {
    state.SkipWithError(CodeError().message.c_str());
    return;
  }
  auto* self = reinterpret_cast<CInstance*>(&host);
  for (auto _ : state) {
    GlobalVars().Reset();
    host.vars.Clear();
    RValue result;
    if (!ExecuteCode(self, self, code, result) || result.val() != expected) {
      state.SkipWithError(("wrong result " + CodeError().message).c_str());
      break;
    }
  }
  SetExecHost(nullptr);
}

// The programs and checksums of the language benchmark set; floor is bench_floor here.
void BM_Arith(benchmark::State& s) {
  Run(s,
      "var i, s, t;  s = 0; t = 0;"
      "for (i = 0; i < 10000000; i += 1) { s += (i mod 7) * 3 - (i div 5) mod 11; t = t * 0.5 + i; }"
      "return s + bench_floor(t);",
      60000023);
}
void BM_Array(benchmark::State& s) {
  Run(s,
      "var i, j, s, a;"
      "for (i = 0; i < 10000; i += 1) a[i] = i * 2;"
      "for (i = 0; i < 100; i += 1) for (j = 0; j < 100; j += 1) grid[i, j] = i + j;"
      "s = 0;"
      "repeat (800) { for (i = 0; i < 10000; i += 1) s += a[i];"
      "  for (i = 0; i < 100; i += 1) for (j = 0; j < 100; j += 1) s += grid[i, j]; }"
      "return s;",
      80784000000);
}
void BM_Calls(benchmark::State& s) {
  Run(s,
      "var i, s;  s = scr_fib(30);"
      "for (i = 0; i < 2000000; i += 1) s += scr_mix(i, 3, 1) mod 13;"
      "return s;",
      12832034);
}
void BM_Globals(benchmark::State& s) {
  Run(s,
      "globalvar gcount;  var i;  gcount = 0; global.gsum = 0; hits = 0;"
      "for (i = 0; i < 4000000; i += 1) { gcount += 1; global.gsum += i mod 3; if (i mod 1000 == 0) hits += 1; }"
      "return gcount + global.gsum + hits;",
      8003999);
}
void BM_Control(benchmark::State& s) {
  Run(s,
      "var n, i, c, st, acc;  c = 0;"
      "for (n = 1; n < 100000; n += 1) { i = n; while (i != 1) { if (i mod 2 == 0) i = i div 2 else i = 3 * i + 1; c += 1; } }"
      "st = 0; acc = 0;"
      "for (i = 0; i < 3000000; i += 1) {"
      "  switch (st) { case 0: acc += 1; st = 1; break; case 1: acc += 2; st = 2; break;"
      "                case 2: acc -= 1; st = 3; break; default: acc += 3; st = 0; }"
      "  if (acc > 100 and st == 0 or i mod 7 == 3) acc -= 1; }"
      "return c * 1000000 + acc;",
      10753714678590);
}
void BM_Sieve(benchmark::State& s) {
  Run(s,
      "var n, i, j, k, c, total, p;  n = 30000; total = 0;"
      "repeat (200) { for (i = 0; i <= n; i += 1) p[i] = 1;  p[0] = 0; p[1] = 0;  i = 2;"
      "  while (i * i <= n) { if (p[i] == 1) { j = i * i; while (j <= n) { p[j] = 0; j += i; } } i += 1; }"
      "  c = 0; for (k = 0; k <= n; k += 1) c += p[k];  total += c; }"
      "return total;",
      649000);
}
BENCHMARK(BM_Arith)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Array)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Calls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Globals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Control)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sieve)->Unit(benchmark::kMillisecond);
}  // namespace
