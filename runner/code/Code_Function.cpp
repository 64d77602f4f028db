// Built-in function registry; see Code_Function.h.
#include "runner/code/Code_Function.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "runner/code/Code_Constant.h"
#include "runner/code/Script_Main.h"

namespace {
struct Registry {
  std::vector<RFunction> functions;
  std::unordered_map<std::string, int32_t> by_name;  // compile time only, never on a hot path
  bool initialised = false;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}
}  // namespace

void RegisterFamily(FunctionFamily family) {
  Registry& r = TheRegistry();
  for (const RFunctionDef& def : family) {
    std::string name(def.name);
    if (name.size() > 64) name.resize(64);
    if (r.by_name.count(name)) throw std::logic_error("built-in function registered twice: " + name);
    r.by_name.emplace(name, static_cast<int32_t>(r.functions.size()));
    r.functions.push_back(RFunction{std::move(name), def.routine, def.argnumb});
  }
}

void InitFunctions(std::span<const FunctionFamily> families) {
  Registry& r = TheRegistry();
  if (r.initialised) return;
  r.initialised = true;
  for (FunctionFamily family : families) RegisterFamily(family);
}

int32_t FunctionCount() { return static_cast<int32_t>(TheRegistry().functions.size()); }

const RFunction* FunctionAt(int32_t id) {
  const Registry& r = TheRegistry();
  if (id < 0 || id >= static_cast<int32_t>(r.functions.size())) return nullptr;
  return &r.functions[static_cast<size_t>(id)];
}

bool FindBuiltinFunction(std::string_view name, int32_t& id) {
  const Registry& r = TheRegistry();
  auto it = r.by_name.find(std::string(name));
  id = it == r.by_name.end() ? -1 : it->second;
  return it != r.by_name.end();
}


namespace {
RValue g_baseSlots[kMaxFunctionArgs];
}  // namespace

RArgumentState g_ArgumentState{g_baseSlots};

namespace code_detail {
constinit SlotStack g_sets;

RValue* SlotStack::Grow() {
  const size_t b = depth_ / kSetsPerBlock;
  if (b == blocks_.size()) blocks_.push_back(std::make_unique<RValue[]>(kSetsPerBlock * kMaxFunctionArgs));
  top_ = blocks_[b].get();
  base_ = b * kSetsPerBlock;
  limit_ = base_ + kSetsPerBlock;
  return top_ + kMaxFunctionArgs * (depth_++ - base_);
}

// Back below the first set of the current block: the previous block holds the sets from here.
void SlotStack::Shrink() noexcept {
  base_ -= kSetsPerBlock;
  limit_ = base_ + kSetsPerBlock;
  top_ = blocks_[base_ / kSetsPerBlock].get();
}
}  // namespace code_detail

int32_t FunctionArgCount(int32_t id) { return TheRunnerCompileContext().FunctionArgCount(id); }
std::string FunctionName(int32_t id) { return TheRunnerCompileContext().FunctionName(id); }

bool CallExtensionFunction(int32_t id, CInstance* self, CInstance* other, RValue& result, RValue* args,
                           int32_t argc) {
  result.SetReal(0.0);
  const RunnerCompileContext& context = TheRunnerCompileContext();
  return context.extension_call && context.extension_call(id, self, other, result, args, argc);
}

bool RunnerCompileContext::FindFunction(std::string_view name, int32_t& id) const {
  int32_t script = Scripts().Find(name);
  if (script >= 0) {
    id = kScriptIdBase + script;
    return true;
  }
  int32_t ext;
  if (extensions && extensions(name, ext)) {
    id = kExtensionIdBase + ext;
    return true;
  }
  return FindBuiltinFunction(name, id);
}

int32_t RunnerCompileContext::FunctionArgCount(int32_t id) const {
  if (id >= kExtensionIdBase) return extension_args ? extension_args(id - kExtensionIdBase) : kNoFunction;
  if (id >= kScriptIdBase) return kArgsAny;
  const RFunction* f = FunctionAt(id);
  return f ? f->f_argnumb : kNoFunction;
}

std::string RunnerCompileContext::FunctionName(int32_t id) const {
  if (id >= kExtensionIdBase) {
    if (extension_name) return extension_name(id - kExtensionIdBase);
    return "<extension function " + std::to_string(id - kExtensionIdBase) + ">";
  }
  if (id >= kScriptIdBase) return Scripts().Name(id - kScriptIdBase);
  const RFunction* f = FunctionAt(id);
  return f ? f->f_name : "<undefined>";
}

bool RunnerCompileContext::FindResource(ResourceKind kind, std::string_view name, int32_t& index) const {
  return resources && resources(kind, name, index);
}

bool RunnerCompileContext::FindTrigger(std::string_view name, int32_t& index) const {
  return triggers && triggers(name, index);
}

bool RunnerCompileContext::FindConstant(std::string_view name, RValue& value) const {
  return constants && constants(name, value);
}

void InstallRunnerCompileContext() { SetCompileContext(&TheRunnerCompileContext()); }
