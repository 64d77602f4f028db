// The file functions' part of a game's life: secure mode when it starts, files closed and the
// INI copy written back when it ends.
#include "runner/functions/File_State.h"

#include "runner/base/Option_Main.h"

namespace {
// A preference is on when it is a nonzero number (how the preferences store their switches).
std::optional<bool> Preference(platform::RegistryStore& store, std::string_view key, std::string_view name) {
  const std::optional<platform::RegistryValue> v = store.Read(platform::RegistryHive::CurrentUser, key, name);
  if (!v) return std::nullopt;
  return v->type == platform::RegistryValue::Type::Dword && v->dword != 0;
}
}  // namespace

RFilesState::~RFilesState() {
  if (ini) SaveIniCopy(*ini);
}

platform::RegistryStore& RegistryStoreOf(RFilesState& files) {
  if (!files.registry) files.registry = std::make_unique<platform::RegistryStore>(platform::RegistryStore::DefaultPath());
  return *files.registry;
}

void StartFiles() {
  platform::RegistryStore& store = RegistryStoreOf(Files());
  constexpr std::string_view kPreferences = "\\Software\\Korvex\\Version 8.1\\Preferences";
  bool secure = false;
  if (store.KeyExists(platform::RegistryHive::CurrentUser, kPreferences)) {
    secure = Preference(store, kPreferences, "Warning").value_or(false);
    if (const std::optional<bool> running = Preference(store, kPreferences, "KorvexRunning")) secure = secure && *running;
  }
  SetSecureMode(secure);
}

void ShutdownFiles() {
  RFilesState& files = Files();
  for (CTextFile& f : files.text) f.Close();
  files.single.Close();
  for (CBinaryFile& f : files.binary) f.Close();
  files.found.clear();
  if (files.ini) SaveIniCopy(*files.ini);
  files.ini.reset();
}
