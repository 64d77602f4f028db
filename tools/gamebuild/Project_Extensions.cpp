// Reading the project's extension packages: each package.json with its files, functions and
// constants, checked so that the runner never meets a package it would misread (ids unique
// across all packages, no string argument past four arguments, game code in Latin-1).
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "runner/base/Support_Path.h"
#include "tools/gamebuild/Project.h"
#include "tools/gamebuild/Project_Files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace gamebuild {
namespace {

struct Package {
  std::string file;  // relative to the project folder, for messages
  json root;
};

[[noreturn]] void Fail(const Package& p, const std::string& key, const std::string& message) {
  throw ProjectError(p.file, key, message);
}

std::string Join(const std::string& prefix, const std::string& name) { return prefix.empty() ? name : prefix + "." + name; }
std::string Index(const std::string& prefix, size_t i) { return prefix + "[" + std::to_string(i) + "]"; }

void CheckKeys(const Package& p, const json& obj, const std::string& prefix, std::initializer_list<const char*> allowed) {
  if (!obj.is_object()) Fail(p, prefix.empty() ? "(top level)" : prefix, "expected an object");
  for (auto it = obj.begin(); it != obj.end(); ++it)
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return it.key() == a; }))
      Fail(p, Join(prefix, it.key()), "unknown key");
}

std::string String(const Package& p, const json& obj, const std::string& prefix, const char* name, const std::string& def) {
  auto it = obj.find(name);
  if (it == obj.end() || it->is_null()) return def;
  if (!it->is_string()) Fail(p, Join(prefix, name), "expected a string");
  return it->get<std::string>();
}

const json& List(const Package& p, const json& obj, const std::string& prefix, const char* name) {
  static const json empty = json::array();
  auto it = obj.find(name);
  if (it == obj.end() || it->is_null()) return empty;
  if (!it->is_array()) Fail(p, Join(prefix, name), "expected a list");
  return *it;
}

bool IsName(const std::string& s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// UTF-8 text as the runner reads a game-code file: one byte per character, lines ending in CR LF.
std::vector<uint8_t> Latin1Code(const Package& p, const std::string& key, const std::string& utf8) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0x80) {
      if ((c & 0xE0) != 0xC0 || i + 1 >= utf8.size() || (static_cast<uint8_t>(utf8[i + 1]) & 0xC0) != 0x80)
        Fail(p, key, "game code must be Latin-1 text (characters up to U+00FF)");
      cp = (c & 0x1Fu) << 6 | (static_cast<uint8_t>(utf8[i + 1]) & 0x3Fu);
      len = 2;
      if (cp > 0xFF) Fail(p, key, "game code must be Latin-1 text (characters up to U+00FF)");
    }
    i += len;
    if (cp == '\r' || cp == '\n') {
      if (cp == '\r' && i < utf8.size() && utf8[i] == '\n') ++i;
      out.push_back('\r');
      out.push_back('\n');
    } else {
      out.push_back(static_cast<uint8_t>(cp));
    }
  }
  return out;
}

// A package's file, read as every file a project names: a regular file inside the project folder
// (the package folder or a link in it may lead elsewhere), never waited on.
std::vector<uint8_t> ReadData(const Package& p, const fs::path& root, const fs::path& folder, const std::string& key,
                              const std::string& name) {
  std::string why;
  const fs::path path = InsideProject(root, folder, name, why);
  std::vector<uint8_t> bytes;
  if (path.empty() || !ReadRegularFile(path, bytes, why)) Fail(p, key, why + ": " + name);
  return bytes;
}

RExtensionFunctionSource ReadFunction(const Package& p, const json& f, const std::string& key) {
  CheckKeys(p, f, key, {"name", "external", "convention", "args", "returns", "id"});
  RExtensionFunctionSource fn;
  fn.name = String(p, f, key, "name", "");
  if (!IsName(fn.name)) Fail(p, Join(key, "name"), "expected a name (letters, digits and _, not starting with a digit)");
  fn.external = String(p, f, key, "external", fn.name);
  const std::string convention = String(p, f, key, "convention", "stdcall");
  if (convention != "stdcall" && convention != "cdecl") Fail(p, Join(key, "convention"), "expected stdcall or cdecl");
  fn.convention = convention == "cdecl" ? 12 : 11;
  const std::string returns = String(p, f, key, "returns", "real");
  if (returns != "real" && returns != "string") Fail(p, Join(key, "returns"), "expected real or string");
  fn.returns = returns == "string" ? 1 : 2;
  auto args = f.find("args");
  if (args == f.end() || args->is_null()) {
    fn.argcount = 0;
  } else if (args->is_string()) {
    if (args->get<std::string>() != "variable") Fail(p, Join(key, "args"), "expected a list of real and string, or \"variable\"");
    fn.argcount = -1;
  } else if (args->is_array()) {
    if (args->size() > 16) Fail(p, Join(key, "args"), "at most 16 arguments");
    fn.argcount = static_cast<int32_t>(args->size());
    for (size_t i = 0; i < args->size(); ++i) {
      const json& t = (*args)[i];
      if (!t.is_string() || (t.get<std::string>() != "real" && t.get<std::string>() != "string"))
        Fail(p, Index(Join(key, "args"), i), "expected real or string");
      fn.argtypes[i] = t.get<std::string>() == "string" ? 1 : 2;
      if (fn.argtypes[i] == 1 && args->size() > 4)
        Fail(p, Index(Join(key, "args"), i), "functions with more than 4 arguments cannot have string arguments");
    }
  } else {
    Fail(p, Join(key, "args"), "expected a list of real and string, or \"variable\"");
  }
  fn.id = -1;
  if (auto id = f.find("id"); id != f.end() && !id->is_null()) {
    if (!id->is_number_integer() || id->get<int64_t>() < 0 || id->get<int64_t>() > 1000000)
      Fail(p, Join(key, "id"), "expected a whole number from 0 to 1000000");
    fn.id = static_cast<int32_t>(id->get<int64_t>());
  }
  return fn;
}

}  // namespace

void ReadExtensions(const fs::path& dir, const std::vector<std::string>& names, RProject& project) {
  std::map<int32_t, std::string> ids;  // id -> function name
  std::set<std::string> functionNames;
  int32_t next = 0;
  for (const std::string& folderName : names) {
    const fs::path folder = dir / "extensions" / folderName;
    Package p{"extensions/" + folderName + "/package.json", {}};
    {
      std::string why;
      const fs::path path = InsideProject(dir, folder, "package.json", why);
      std::vector<uint8_t> bytes;
      if (path.empty() || !ReadRegularFile(path, bytes, why)) throw ProjectError(p.file, "", why);
      try {
        p.root = json::parse(bytes.begin(), bytes.end());
      } catch (const json::exception& e) {
        throw ProjectError(p.file, "", "bad JSON: " + JsonMessage(e));
      }
    }
    CheckKeys(p, p.root, "", {"name", "folder", "files"});
    RExtensionSource pkg;
    pkg.name = String(p, p.root, "", "name", folderName);
    pkg.folder = String(p, p.root, "", "folder", pkg.name);
    if (!IsConfinedName(pkg.folder)) Fail(p, "folder", "must be a relative name without \"..\"");
    const json& files = List(p, p.root, "", "files");
    std::set<std::string> fileNames;
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string key = Index("files", i);
      const json& f = files[i];
      CheckKeys(p, f, key, {"file", "kind", "init", "final", "functions", "constants"});
      RExtensionFileSource file;
      file.file = String(p, f, key, "file", "");
      if (!IsConfinedName(file.file)) Fail(p, Join(key, "file"), "expected a relative file name without \"..\"");
      if (!fileNames.insert(file.file).second) Fail(p, Join(key, "file"), "duplicate file \"" + file.file + "\"");
      static const std::map<std::string, int32_t> kKinds = {{"dll", 1}, {"code", 2}, {"nodata", 3}, {"other", 4}};
      const std::string kind = String(p, f, key, "kind", "other");
      auto k = kKinds.find(kind);
      if (k == kKinds.end()) Fail(p, Join(key, "kind"), "expected dll, code, nodata or other");
      file.kind = k->second;
      file.init = String(p, f, key, "init", "");
      file.final = String(p, f, key, "final", "");
      const json& functions = List(p, f, key, "functions");
      for (size_t j = 0; j < functions.size(); ++j) {
        const std::string fkey = Index(Join(key, "functions"), j);
        RExtensionFunctionSource fn = ReadFunction(p, functions[j], fkey);
        if (fn.id < 0) {
          while (ids.count(next)) ++next;
          fn.id = next++;
        }
        if (auto [at, fresh] = ids.emplace(fn.id, fn.name); !fresh)
          Fail(p, Join(fkey, "id"), "id " + std::to_string(fn.id) + " is taken by \"" + at->second + "\"");
        if (!functionNames.insert(fn.name).second) Fail(p, Join(fkey, "name"), "duplicate function \"" + fn.name + "\"");
        file.functions.push_back(std::move(fn));
      }
      for (const char* hook : {"init", "final"}) {
        const std::string& name = std::string(hook) == "init" ? file.init : file.final;
        if (!name.empty() && std::none_of(file.functions.begin(), file.functions.end(),
                                          [&](const RExtensionFunctionSource& fn) { return fn.name == name; }))
          Fail(p, Join(key, hook), "not a function of this file: \"" + name + "\"");
      }
      const json& constants = List(p, f, key, "constants");
      for (size_t j = 0; j < constants.size(); ++j) {
        const std::string ckey = Index(Join(key, "constants"), j);
        CheckKeys(p, constants[j], ckey, {"name", "value"});
        const std::string name = String(p, constants[j], ckey, "name", "");
        if (!IsName(name)) Fail(p, Join(ckey, "name"), "expected a name (letters, digits and _, not starting with a digit)");
        file.constants.emplace_back(name, String(p, constants[j], ckey, "value", "0"));
      }
      if (file.kind == 1 || file.kind == 4) {
        file.data = ReadData(p, dir, folder, Join(key, "file"), file.file);
      } else if (file.kind == 2) {
        const std::vector<uint8_t> text = ReadData(p, dir, folder, Join(key, "file"), file.file);
        file.data = Latin1Code(p, Join(key, "file"), std::string(text.begin(), text.end()));
      }
      pkg.files.push_back(std::move(file));
    }
    project.extensions.push_back(std::move(pkg));
  }
}

}  // namespace gamebuild
