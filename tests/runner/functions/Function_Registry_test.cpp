// The registry functions on a private store, secure mode read from the preferences, and the
// refusals of secure mode with their exact messages.
#include <filesystem>

#include "platform/registry/RegistryStore.h"
#include "runner/base/Game.h"
#include "runner/functions/File_State.h"
#include "tests/runner/functions/FileFixture.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryStore;
using platform::RegistryValue;

using RegistryAndSecureMode = FileFunctionsTest;

TEST_F(RegistryAndSecureMode, ValuesRoundTripAndOtherTypesReadAsNothing) {
  Call("registry_write_string", {RValue("name"), RValue("Hero")});
  Call("registry_write_real", {RValue("score"), RValue(-12.75)});
  EXPECT_EQ(Call("registry_read_string", {RValue("NAME")}).str(), "Hero");
  EXPECT_EQ(Call("registry_read_real", {RValue("score")}).val(), -12.75);
  EXPECT_EQ(Call("registry_read_real", {RValue("name")}).val(), 0);
  EXPECT_EQ(Call("registry_read_string", {RValue("score")}).str(), "");
  EXPECT_EQ(Call("registry_exists", {RValue("score")}).val(), 1);
  EXPECT_EQ(Call("registry_exists", {RValue("missing")}).val(), 0);
  // The game's own key, under the current user, whatever the root of the _ext functions.
  Call("registry_set_root", {RValue(1.0)});
  EXPECT_EQ(Call("registry_read_string_ext", {RValue("\\Software\\Korvex\\0"), RValue("name")}).str(), "");
  Call("registry_write_real_ext", {RValue("\\Software\\Other"), RValue("r"), RValue(2.5)});
  EXPECT_EQ(Call("registry_exists_ext", {RValue("\\Software\\New"), RValue("x")}).val(), 0);
  Call("registry_set_root", {RValue(7.0)});
  EXPECT_EQ(Call("registry_read_string_ext", {RValue("\\Software\\Korvex\\0"), RValue("name")}).str(), "Hero");
  EXPECT_EQ(Call("registry_read_real_ext", {RValue("\\Software\\Other"), RValue("r")}).val(), 0);
  EXPECT_EQ(Call("registry_exists", {RValue("name")}).val(), 1);
  EXPECT_TRUE(CaughtErrors().empty());

  RegistryStore store(RegistryStore::DefaultPath());
  EXPECT_EQ(store.Read(RegistryHive::LocalMachine, "Software\\Other", "R"),
            (RegistryValue{RegistryValue::Type::Binary, std::string("\0\0\0\0\0\0\x04\x40", 8), 0}));
  EXPECT_TRUE(store.KeyExists(RegistryHive::LocalMachine, "Software\\New"));  // made by the exists test
}

TEST_F(RegistryAndSecureMode, ADamagedStoreReadsEmptyAndIsSetAsideOnWriting) {
  const fs::path path = RegistryStore::DefaultPath();
  fs::create_directories(path.parent_path());
  Put(path, "hand-edited garbage");
  EXPECT_EQ(Call("registry_read_string", {RValue("name")}).str(), "");
  Call("registry_write_string", {RValue("name"), RValue("x")});
  EXPECT_EQ(Call("registry_read_string", {RValue("name")}).str(), "x");
  EXPECT_EQ(Bytes(path.string() + ".corrupt-1"), "hand-edited garbage");
  // A store that cannot be replaced: the write fails and says so.
  fs::remove(path);
  fs::create_directories(path);
  Call("registry_write_string", {RValue("name"), RValue("y")});
  EXPECT_EQ(CaughtErrors(), std::vector<std::string>{"Error writing registry value name"});
}

TEST_F(RegistryAndSecureMode, SecureModeComesFromThePreferences) {
  using V = std::optional<RegistryValue>;
  const RegistryValue on{RegistryValue::Type::Dword, "", 1}, off{RegistryValue::Type::Dword, "", 0};
  const RegistryValue text{RegistryValue::Type::String, "1", 0};
  struct Case {
    bool key;
    V warning, running;
    bool secure;
  };
  const Case cases[] = {
      {false, {}, {}, false}, {true, {}, {}, false},    {true, on, {}, true},    {true, off, {}, false},
      {true, on, off, false}, {true, on, on, true},     {true, {}, on, false},   {true, text, {}, false},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_ / "config");
    RegistryStore store(RegistryStore::DefaultPath());
    const std::string key = "\\Software\\Korvex\\Version 8.1\\Preferences";
    if (c.key) store.CreateKey(RegistryHive::CurrentUser, key);
    if (c.warning) store.Write(RegistryHive::CurrentUser, key, "Warning", *c.warning);
    if (c.running) store.Write(RegistryHive::CurrentUser, key, "KorvexRunning", *c.running);
    GameScope game;
    StartFiles();
    EXPECT_EQ(SecureMode(), c.secure) << c.key << " " << c.warning.has_value() << " " << c.running.has_value();
  }
}

TEST_F(RegistryAndSecureMode, SecureModeRefusesExactlyWhatItShould) {
  struct Case {
    const char* function;
    std::vector<RValue> args;
    const char* message;  // empty: allowed
  };
  fs::create_directories("sub");
  Put("sub/keep.txt", "k");
  Put("a.txt", "a");
  const Case cases[] = {
      {"file_bin_open", {RValue("sub/new.dat"), RValue(1.0)}, "In secure mode you cannot write file sub/new.dat"},
      {"file_bin_open", {RValue("sub\\new.dat"), RValue(2.0)}, "In secure mode you cannot write file sub\\new.dat"},
      {"file_bin_open", {RValue("sub/keep.txt"), RValue(0.0)}, ""},
      {"file_rename", {RValue("a.txt"), RValue("sub/b.txt")}, "In Secure mode you cannot rename file a.txt into sub/b.txt"},
      {"file_rename", {RValue("sub/keep.txt"), RValue("b.txt")},
       "In Secure mode you cannot rename file sub/keep.txt into b.txt"},
      {"file_copy", {RValue("sub\\keep.txt"), RValue("c.txt")}, "In Secure mode you cannot copy file sub\\keep.txt to c.txt"},
      {"file_copy", {RValue("a.txt"), RValue("c.txt")}, ""},
      {"directory_create", {RValue("d/e")}, "In Secure mode you cannot create directory d/e"},
      {"directory_create", {RValue("plain")}, ""},
      {"execute_program", {RValue("true"), RValue(""), RValue(0.0)}, "In Secure mode you cannot execute program true"},
      {"execute_shell", {RValue("http://localhost/"), RValue("")},
       "In Secure mode you cannot execute program http://localhost/"},
      {"registry_write_string_ext", {RValue("\\Software\\X"), RValue("n"), RValue("v")},
       "In Secure mode you cannot write registry entries in \\Software\\X"},
      {"registry_write_real_ext", {RValue("\\Software\\X"), RValue("n"), RValue(1.0)},
       "In Secure mode you cannot write registry entries in \\Software\\X"},
      {"registry_write_string", {RValue("own"), RValue("allowed")}, ""},
      {"ini_open", {RValue("sub/x.ini")}, "INI files must be located in the same directory as the program"},
  };
  SetSecureMode(true);
  for (const Case& c : cases) {
    CaughtErrors().clear();
    std::vector<RValue> args = c.args;
    Call(c.function, args);
    if (*c.message) {
      EXPECT_EQ(CaughtErrors(), std::vector<std::string>{c.message}) << c.function;
    } else {
      EXPECT_TRUE(CaughtErrors().empty()) << c.function << ": " << (CaughtErrors().empty() ? "" : CaughtErrors()[0]);
    }
  }
  for (int h = 1; h <= 32; ++h) Call("file_bin_close", {RValue(double(h))});
  EXPECT_FALSE(fs::exists("sub/new.dat"));
  EXPECT_FALSE(fs::exists("sub/b.txt"));
  EXPECT_TRUE(fs::exists("sub/keep.txt"));
  EXPECT_FALSE(fs::exists("d"));
  EXPECT_TRUE(fs::is_directory("plain"));
  EXPECT_EQ(Bytes("c.txt"), "a");
  RegistryStore store(RegistryStore::DefaultPath());
  EXPECT_FALSE(store.KeyExists(RegistryHive::CurrentUser, "Software\\X"));
}

TEST_F(RegistryAndSecureMode, SecureWritesDoNotFollowALinkOutOfTheFolder) {
  Put(dir_ / "outside.dat", "keep");
  fs::create_symlink(dir_ / "outside.dat", "link.dat");
  SetSecureMode(true);
  EXPECT_EQ(Call("file_bin_open", {RValue("link.dat"), RValue(1.0)}).val(), -1);
  EXPECT_EQ(CaughtErrors(), std::vector<std::string>{"Error opening binary file."});
  // A copy replaces the link itself, never the file it points to.
  Put("source.dat", "new");
  Call("file_copy", {RValue("source.dat"), RValue("link.dat")});
  EXPECT_EQ(Bytes(dir_ / "outside.dat"), "keep");
  EXPECT_EQ(Bytes("link.dat"), "new");
  EXPECT_FALSE(fs::is_symlink("link.dat"));
  // Outside secure mode a link is written through, as writing into it would be.
  SetSecureMode(false);
  fs::create_symlink(dir_ / "outside.dat", "link.ini");
  Call("file_copy", {RValue("source.dat"), RValue("link.ini")});
  EXPECT_EQ(Bytes(dir_ / "outside.dat"), "new");
  Call("ini_open", {RValue("link.ini")});
  Call("ini_write_string", {RValue("s"), RValue("k"), RValue("v")});
  Call("ini_close");
  EXPECT_TRUE(fs::is_symlink("link.ini"));
  EXPECT_EQ(Bytes(dir_ / "outside.dat"), "new\r\n[s]\r\nk=v\r\n");
  EXPECT_EQ(CaughtErrors(), std::vector<std::string>{"Error opening binary file."});
}
