// Built-in registry functions: values under the game's own key, and under any key of a chosen
// root (the _ext functions). The registry is the per-user store of platform/registry; reals are
// kept as the 8 bytes of the double.
#include <cstring>
#include <string>

#include "platform/registry/RegistryStore.h"
#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/File_State.h"
#include "runner/functions/Function_Families.h"

using platform::RegistryHive;
using platform::RegistryValue;

namespace {
void Error(std::string_view message) { ShowActionError(message, false); }

std::string GameKey() { return "\\Software\\Korvex\\" + std::to_string(GameId()); }

platform::RegistryStore& Store() { return RegistryStoreOf(Files()); }

RegistryValue StringValue(const RValue& v) {
  RegistryValue out;
  out.type = RegistryValue::Type::String;
  out.data = std::string(v.str());
  return out;
}

RegistryValue RealValue(double d) {
  RegistryValue out;
  out.type = RegistryValue::Type::Binary;
  out.data.resize(sizeof d);
  std::memcpy(out.data.data(), &d, sizeof d);  // little-endian, as on the original platform
  return out;
}

// Values of another type read as "" and 0.
void ReadString(RegistryHive hive, std::string_view key, std::string_view name, RValue& result) {
  const std::optional<RegistryValue> v = Store().Read(hive, key, name);
  result.SetString(v && v->type == RegistryValue::Type::String ? std::string_view(v->data) : std::string_view());
}

void ReadReal(RegistryHive hive, std::string_view key, std::string_view name, RValue& result) {
  const std::optional<RegistryValue> v = Store().Read(hive, key, name);
  double d = 0;
  if (v && v->type == RegistryValue::Type::Binary && v->data.size() == sizeof d) std::memcpy(&d, v->data.data(), sizeof d);
  result.SetReal(d);
}

void Write(RegistryHive hive, std::string_view key, std::string_view name, const RegistryValue& value) {
  if (!Store().Write(hive, key, name, value)) Error("Error writing registry value " + std::string(name));
}

void Exists(RegistryHive hive, std::string_view key, std::string_view name, RValue& result) {
  Store().CreateKey(hive, key);
  result.SetReal(BoolReal(Store().Read(hive, key, name).has_value()));
}

void registry_write_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  Write(RegistryHive::CurrentUser, GameKey(), argv[0].str(), StringValue(argv[1]));
}
void registry_write_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  Write(RegistryHive::CurrentUser, GameKey(), argv[0].str(), RealValue(argv[1].val()));
}
void registry_read_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  ReadString(RegistryHive::CurrentUser, GameKey(), argv[0].str(), result);
}
void registry_read_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  ReadReal(RegistryHive::CurrentUser, GameKey(), argv[0].str(), result);
}
void registry_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Exists(RegistryHive::CurrentUser, GameKey(), argv[0].str(), result);
}

void registry_set_root(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  switch (RoundToInt32(argv[0].val())) {
    case 1: Files().registryRoot = RegistryHive::LocalMachine; break;
    case 2: Files().registryRoot = RegistryHive::ClassesRoot; break;
    case 3: Files().registryRoot = RegistryHive::Users; break;
    default: Files().registryRoot = RegistryHive::CurrentUser; break;
  }
}

bool RefusedInSecureMode(std::string_view key) {
  if (!SecureMode()) return false;
  Error("In Secure mode you cannot write registry entries in " + std::string(key));
  return true;
}

void registry_write_string_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!RefusedInSecureMode(argv[0].str())) Write(Files().registryRoot, argv[0].str(), argv[1].str(), StringValue(argv[2]));
}
void registry_write_real_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!RefusedInSecureMode(argv[0].str()))
    Write(Files().registryRoot, argv[0].str(), argv[1].str(), RealValue(argv[2].val()));
}
void registry_read_string_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  ReadString(Files().registryRoot, argv[0].str(), argv[1].str(), result);
}
void registry_read_real_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  ReadReal(Files().registryRoot, argv[0].str(), argv[1].str(), result);
}
void registry_exists_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Exists(Files().registryRoot, argv[0].str(), argv[1].str(), result);
}

constexpr RFunctionDef kRegistryFunctions[] = {
    {"registry_write_string", 2, registry_write_string},
    {"registry_write_real", 2, registry_write_real},
    {"registry_read_string", 1, registry_read_string},
    {"registry_read_real", 1, registry_read_real},
    {"registry_exists", 1, registry_exists},
    {"registry_set_root", 1, registry_set_root},
    {"registry_write_string_ext", 3, registry_write_string_ext},
    {"registry_write_real_ext", 3, registry_write_real_ext},
    {"registry_read_string_ext", 2, registry_read_string_ext},
    {"registry_read_real_ext", 2, registry_read_real_ext},
    {"registry_exists_ext", 2, registry_exists_ext},
};
}  // namespace

FunctionFamily RegistryFunctions() { return kRegistryFunctions; }
