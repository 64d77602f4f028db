// A fresh working folder and a private registry store per test, with the built-in functions
// registered and their errors caught.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"

inline std::vector<std::string>& CaughtErrors() {
  static std::vector<std::string> errors;
  return errors;
}

class FileFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "file_fn_XXXXXX").string();
    ASSERT_TRUE(mkdtemp(tmpl.data()));
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
    std::filesystem::create_directories(dir_ / "game");
    std::filesystem::current_path(dir_ / "game");
    const char* config = getenv("XDG_CONFIG_HOME");
    oldConfig_ = config ? std::optional<std::string>(config) : std::nullopt;
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    InitFunctions(AllFunctionFamilies());
    Catch();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetSecureMode(false);
    if (oldConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  // Errors go to CaughtErrors(); needed again in a game of a test's own.
  static void Catch() {
    SetErrorSink([](std::string_view m, bool) { CaughtErrors().emplace_back(m); });
    CaughtErrors().clear();
  }
  static RValue Call(const char* name, std::vector<RValue> args = {}) {
    int32_t id = -1;
    EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
    RValue result;
    if (id >= 0) FunctionAt(id)->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), args.data(), result);
    return result;
  }
  static std::string Bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Put(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::filesystem::path dir_, old_;
  std::optional<std::string> oldConfig_;
};
