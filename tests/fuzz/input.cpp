// Fuzz target for the texts a run reads from files someone else may hand it: input scripts
// (RUNNER_REPLAY), with the recording's writer on what they hold, and the error window's memo,
// which keeps whatever a game reports.
// Byte 0 bit 0 picks the memo, else the script parser; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialogs/ErrorForm.h"
#include "runner/base/Runner_Process.h"
#include "runner/run/IO_Script.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
void Script(std::string_view text) {
  RInputScript script;
  std::string error;
  // Refused with a reason, or accepted: never more.
  if (!ParseInputScript(text, script, error)) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  // What recording writes of a script reads back to the same script, and writes the same again:
  // a recording of a replay replays as the run did.
  const std::string written = FormatInputScript(script);
  RInputScript again;
  FUZZ_CHECK(ParseInputScript(written, again, error));
  FUZZ_CHECK(again.blocks == script.blocks);
  FUZZ_CHECK(FormatInputScript(again) == written);
}

void Memo(std::string_view text) {
  platform::TErrorForm form;
  for (int i = 0; i < 3; ++i) form.AddMessage(text);
  size_t bytes = 0;
  for (const std::string& line : form.ErrorMemo) {
    FUZZ_CHECK(line.size() <= platform::TErrorForm::kMaxLineBytes);
    bytes += line.size();
  }
  FUZZ_CHECK(bytes == form.MemoBytes && bytes <= platform::TErrorForm::kMaxMemoBytes);
  // A name from a file prints without control bytes and within its length.
  const std::string shown = EscapedForMessage(text);
  for (char c : shown) FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
  FUZZ_CHECK(shown.size() <= 4 * 200 + 3);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1)
    Memo(text);
  else
    Script(text);
  return 0;
}
