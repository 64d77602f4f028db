// The file-backed registry: its text round trips, damaged stores are set aside and never
// overwritten, keys and names ignore letter case, and the hives are apart.
#include "platform/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"

using platform::RegistryData;
using platform::RegistryHive;
using platform::RegistryStore;
using platform::RegistryValue;
namespace fs = std::filesystem;

namespace {
std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

RegistryValue Text(std::string s) { return {RegistryValue::Type::String, std::move(s), 0}; }
RegistryValue Binary(std::string s) { return {RegistryValue::Type::Binary, std::move(s), 0}; }
RegistryValue Dword(uint32_t d) { return {RegistryValue::Type::Dword, "", d}; }
}  // namespace

TEST(RegistryText, EveryValueSurvivesARoundTrip) {
  RegistryData data;
  auto& key = data.Make(RegistryHive::CurrentUser, "Software\\Korvex\\12");
  key.values.push_back({"name", Text("quote \" backslash \\ end")});
  key.values.push_back({"", Text("the default value")});
  key.values.push_back({"lines\r\n\x01", Text(std::string("nul\0and\ttab", 11))});
  key.values.push_back({"real", Binary(std::string("\x00\x00\x00\x00\x00\x00\xf0\x3f", 8))});
  key.values.push_back({"empty", Binary("")});
  key.values.push_back({"count", Dword(0xDEADBEEF)});
  data.Make(RegistryHive::Users, "odd]name%\n\\x");
  const std::string text = platform::RegistryText(data);
  RegistryData back;
  ASSERT_TRUE(platform::ParseRegistryText(text, back)) << text;
  EXPECT_EQ(platform::RegistryText(back), text);
  ASSERT_NE(back.Find(RegistryHive::CurrentUser, "SOFTWARE\\korvex\\12"), nullptr);
  EXPECT_EQ(back.Find(RegistryHive::CurrentUser, "Software\\Korvex\\12")->values.size(), 6u);
  EXPECT_NE(back.Find(RegistryHive::Users, "odd]name%\n\\x"), nullptr);
  EXPECT_EQ(back.Find(RegistryHive::LocalMachine, "Software\\Korvex\\12"), nullptr);
}

TEST(RegistryText, DamagedTextsAreRefused) {
  const std::string header = "Korvex Registry Store 1\n";
  const std::string key = "[HKEY_CURRENT_USER\\Software]\n";
  const std::string cases[] = {
      "",
      "garbage\n",
      header + "\"value before any key\"=\"x\"\n",
      header + "[HKEY_NOWHERE\\Software]\n",
      header + "[HKEY_CURRENT_USER]\n",
      header + "[HKEY_CURRENT_USER\\Software\n",
      header + "[HKEY_CURRENT_USER\\%zz]\n",
      header + key + "\"unterminated=\"x\"\n",
      header + key + "\"a\"=\"unterminated\n",
      header + key + "\"a\"=\"bad \\q escape\"\n",
      header + key + "\"a\"=\"x\" trailing\n",
      header + key + "\"a\"=dword:123\n",
      header + key + "\"a\"=dword:1234567g\n",
      header + key + "\"a\"=hex:0\n",
      header + key + "\"a\"=hex:00,\n",
      header + key + "\"a\"=hex:00;01\n",
      header + key + "\"a\"=sz:text\n",
      header + key + "name without quotes=\"x\"\n",
      header + key + std::string("\"a\"\0=\"x\"\n", 9),
  };
  for (const std::string& text : cases) {
    RegistryData data;
    EXPECT_FALSE(platform::ParseRegistryText(text, data)) << text;
  }
  RegistryData data;
  EXPECT_TRUE(platform::ParseRegistryText("\xEF\xBB\xBFKorvex Registry Store 1\r\n\r\n; note\r\n" + key, data));
  EXPECT_FALSE(platform::ParseRegistryText(header + key + std::string(17u << 20, ';'), data));
}

TEST(RegistryStore, WritesReadsAndIgnoresLetterCase) {
  TempFolder dir;
  RegistryStore store(dir.str() + "/config/runner/registry.reg");
  EXPECT_FALSE(store.KeyExists(RegistryHive::CurrentUser, "\\Software\\Korvex\\1"));
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "Software\\Korvex\\1", "a"), std::nullopt);
  ASSERT_TRUE(store.Write(RegistryHive::CurrentUser, "\\Software\\Korvex\\1", "Name", Text("x")));
  ASSERT_TRUE(store.Write(RegistryHive::CurrentUser, "software\\\\KORVEX\\1\\", "NAME", Text("y")));
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "SOFTWARE\\korvex\\1", "name"), Text("y"));
  EXPECT_EQ(store.Read(RegistryHive::LocalMachine, "Software\\Korvex\\1", "name"), std::nullopt);
  ASSERT_TRUE(store.CreateKey(RegistryHive::Users, "Empty\\Key"));
  EXPECT_TRUE(store.KeyExists(RegistryHive::Users, "empty\\key"));
  EXPECT_FALSE(store.Write(RegistryHive::CurrentUser, "\\\\", "a", Text("no key at all")));
  // A second store on the same file, as a second runner would have, sees every write.
  RegistryStore other(store.path());
  EXPECT_EQ(other.Read(RegistryHive::CurrentUser, "Software\\Korvex\\1", "Name"), Text("y"));
  ASSERT_TRUE(other.Write(RegistryHive::CurrentUser, "Software\\Korvex\\1", "n", Dword(5)));
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "Software\\Korvex\\1", "N"), Dword(5));
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "Software\\Korvex\\1", "Name"), Text("y"));
}

TEST(RegistryStore, ADamagedStoreIsSetAsideAndNeverOverwritten) {
  TempFolder dir;
  const fs::path path = dir.path / "registry.reg";
  const std::string damaged = "Korvex Registry Store 1\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:zz\n";
  std::ofstream(path, std::ios::binary) << damaged;
  RegistryStore store(path.string());
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "A", "x"), std::nullopt);
  EXPECT_EQ(Bytes(path), damaged);  // reading changes nothing
  ASSERT_TRUE(store.Write(RegistryHive::CurrentUser, "B", "y", Text("new")));
  EXPECT_EQ(Bytes(dir.path / "registry.reg.corrupt-1"), damaged);
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "B", "y"), Text("new"));
  // The next damaged store goes beside the first, which stays as it was.
  std::ofstream(path, std::ios::binary) << "other garbage";
  ASSERT_TRUE(store.Write(RegistryHive::CurrentUser, "C", "z", Text("newer")));
  EXPECT_EQ(Bytes(dir.path / "registry.reg.corrupt-1"), damaged);
  EXPECT_EQ(Bytes(dir.path / "registry.reg.corrupt-2"), "other garbage");
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "B", "y"), std::nullopt);
  EXPECT_EQ(store.Read(RegistryHive::CurrentUser, "C", "z"), Text("newer"));
}
