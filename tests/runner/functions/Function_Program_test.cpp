// Starting programs without a shell, the game's command line and the environment.
#include <sys/stat.h>

#include "runner/base/Runner_Process.h"
#include "tests/runner/functions/FileFixture.h"

namespace fs = std::filesystem;

using Programs = FileFunctionsTest;

TEST_F(Programs, WindowsProgramNamesStartTheirLinuxProgram) {
  // A program that writes its arguments, one per line; ".exe" names it on Windows.
  Put("tool", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > out.txt\n");
  ASSERT_EQ(chmod("tool", 0755), 0);
  Put("notes.txt", "not a program");
  Call("execute_program", {RValue("TOOL.EXE"), RValue("a \"b c\" $HOME;x"), RValue(1.0)});
  EXPECT_EQ(Bytes("out.txt"), "a\nb c\n$HOME;x\n");  // no shell ever sees the arguments
  EXPECT_TRUE(CaughtErrors().empty());
  struct Case {
    const char* function;
    const char* target;
  };
  const Case failing[] = {
      {"execute_program", "missing.exe"}, {"execute_program", "notes.txt"}, {"execute_program", "sub/tool"},
      {"execute_program", ""},            {"execute_shell", "missing.doc"}, {"execute_shell", "-tool"},
  };
  for (const Case& c : failing) {
    CaughtErrors().clear();
    std::vector<RValue> args{RValue(c.target), RValue("")};
    if (std::string_view(c.function) == "execute_program") args.emplace_back(1.0);
    Call(c.function, args);
    EXPECT_EQ(CaughtErrors(), std::vector<std::string>{"Cannot execute " + std::string(c.target)}) << c.function;
  }
}

TEST_F(Programs, TheCommandLineIsTheGameFileThenItsArguments) {
  const RProcess saved = Process();
  struct Case {
    std::vector<std::string> args;
    std::string exe, game;
    std::vector<std::string> parameters;  // from 1 on
  };
  const Case cases[] = {
      // A plain runner keeps its last argument, the game file, for itself; "--ZTTrace" stays visible.
      {{"--ZTTrace", "-level", "3", "game.kvx"}, "/opt/runner", "/games/game.kvx", {"--ZTTrace", "-level", "3"}},
      {{"game.kvx"}, "/opt/runner", "/games/game.kvx", {}},
      // A game bound to the runner gets every argument.
      {{"-level", "3"}, "/games/game", "/games/game", {"-level", "3"}},
  };
  for (const Case& c : cases) {
    Process().args = c.args;
    Process().exePath = c.exe;
    Process().gamePath = c.game;
    EXPECT_EQ(Call("parameter_count").val(), static_cast<double>(c.parameters.size()));
    EXPECT_EQ(Call("parameter_string", {RValue(0.0)}).str(), c.game);
    for (size_t i = 0; i < c.parameters.size(); ++i)
      EXPECT_EQ(Call("parameter_string", {RValue(i + 1.0)}).str(), c.parameters[i]);
    EXPECT_EQ(Call("parameter_string", {RValue(c.parameters.size() + 1.0)}).str(), "");
    EXPECT_EQ(Call("parameter_string", {RValue(-1.0)}).str(), "");
  }
  Process().args = saved.args;
  Process().exePath = saved.exePath;
  Process().gamePath = saved.gamePath;
}

TEST_F(Programs, EnvironmentNamesIgnoreCaseAndWindowsNamesHaveStandIns) {
  setenv("KV_Mixed_Case", "mixed", 1);
  const char* appdata = getenv("APPDATA");
  const std::optional<std::string> savedAppdata = appdata ? std::optional<std::string>(appdata) : std::nullopt;
  unsetenv("APPDATA");
  const std::pair<const char*, std::string> cases[] = {
      {"KV_Mixed_Case", "mixed"},
      {"kv_mixed_case", "mixed"},
      {"KV_NOT_SET_ANYWHERE", ""},
      {"", ""},
      {"A=B", ""},
      {"AppData", (dir_ / "config").string()},  // games build their save folders from it
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(Call("environment_get_variable", {RValue(name)}).str(), value) << name;
  unsetenv("KV_Mixed_Case");
  if (savedAppdata) setenv("APPDATA", savedAppdata->c_str(), 1);
}
