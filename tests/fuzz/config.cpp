// Fuzz target for the text files a player may edit by hand: INI files and the registry store.
// Byte 0 bit 0 picks the registry store's parser, else the INI copy; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/RegistryStore.h"
#include "runner/functions/Support_Ini.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
void Ini(std::string_view text) {
  CIniFile ini;
  ini.Parse(text);
  FUZZ_CHECK(!ini.changed());
  // What is written back reads back to the same lines.
  const std::string once = ini.Text();
  CIniFile again;
  again.Parse(once);
  FUZZ_CHECK(again.Text() == once);
  // Whatever the file held, a write is seen and a deleted section is gone.
  ini.Write("Fuzz", "key", "v");
  FUZZ_CHECK(ini.changed() && ini.SectionExists("fuzz") && ini.Read("FUZZ", "Key").has_value());
  ini.DeleteSection("fuzz");
  FUZZ_CHECK(!ini.SectionExists("Fuzz") && !ini.Read("fuzz", "key").has_value());
}

void Registry(std::string_view text) {
  platform::RegistryData data;
  if (!platform::ParseRegistryText(text, data)) return;
  // An accepted store writes out to a text that reads back and writes out the same.
  const std::string once = platform::RegistryText(data);
  platform::RegistryData again;
  FUZZ_CHECK(platform::ParseRegistryText(once, again));
  FUZZ_CHECK(platform::RegistryText(again) == once);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1)
    Registry(text);
  else
    Ini(text);
  return 0;
}
