// The registry stand-in: one per-user text file holding keys and values of four hives, shared
// by every runner of this user. Several runners may write at once, so every write takes a lock,
// reads the file afresh, changes it and replaces it whole (AtomicFile.h). A file that cannot be
// parsed is set aside under a new name and never overwritten.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

enum class RegistryHive : int { CurrentUser, LocalMachine, ClassesRoot, Users };

struct RegistryValue {
  enum class Type { String, Binary, Dword };
  Type type = Type::String;
  std::string data;    // the text of a string, the bytes of a binary value
  uint32_t dword = 0;
  bool operator==(const RegistryValue&) const = default;
};

// The parsed store. Key paths and value names compare without regard to ASCII letter case and
// keep the case they were first written with.
struct RegistryData {
  struct Value {
    std::string name;
    RegistryValue value;
  };
  struct Key {
    RegistryHive hive = RegistryHive::CurrentUser;
    std::string path;  // components joined by "\"
    std::vector<Value> values;
  };
  std::map<std::string, Key> keys;  // by hive and folded path

  Key* Find(RegistryHive hive, std::string_view path);
  Key& Make(RegistryHive hive, std::string_view path);
};

// The store's text: a header line, then per key "[HIVE\path]" and one line per value:
// "name"="text", "name"=hex:0a,ff or "name"=dword:0000000a ("@" names the default value).
// False for anything else, and for texts above the store's size limit.
bool ParseRegistryText(std::string_view text, RegistryData& out);
std::string RegistryText(const RegistryData& data);

// A key path as games write it ("\Software\Korvex\12"): empty components dropped. Nothing for
// a path that names no key (no component at all).
std::optional<std::string> NormaliseRegistryKey(std::string_view key);

class RegistryStore {
 public:
  explicit RegistryStore(std::string path) : path_(std::move(path)) {}
  // $XDG_CONFIG_HOME (else ~/.config) + "/korvex-runner/registry.reg".
  static std::string DefaultPath();

  const std::string& path() const { return path_; }

  std::optional<RegistryValue> Read(RegistryHive hive, std::string_view key, std::string_view name);
  bool KeyExists(RegistryHive hive, std::string_view key);
  // False when the store could not be written (the store on disk is then unchanged).
  bool Write(RegistryHive hive, std::string_view key, std::string_view name, const RegistryValue& value);
  bool CreateKey(RegistryHive hive, std::string_view key);

 private:
  bool Update(const std::function<void(RegistryData&)>& change);
  RegistryData& Current();

  std::string path_;
  // What was read last, and the file it came from, so that reads between writes cost a stat.
  RegistryData cache_;
  bool cached_ = false;
  ino_t cacheInode_ = 0;
  off_t cacheSize_ = 0;
  timespec cacheTime_{};
};

}  // namespace platform
