// Built-in binary file functions: 32 handles, each a file of bytes with a position.
#include <cmath>
#include <string>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/File_State.h"
#include "runner/functions/Function_Families.h"

namespace {
void Error(std::string_view message) { ShowActionError(message, false); }

CBinaryFile* Open(const RValue& handle) {
  const int32_t h = RoundToInt32(handle.val());
  CBinaryFile* f = h >= 1 && h <= kFileSlots ? &Files().binary[static_cast<size_t>(h - 1)] : nullptr;
  return f && f->IsOpen() ? f : nullptr;
}

CBinaryFile* Opened(const RValue& handle) {
  CBinaryFile* f = Open(handle);
  if (!f) Error("File is not opened.");
  return f;
}

void file_bin_open(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(-1);
  const std::string_view name = argv[0].str();
  const int32_t mode = RoundToInt32(argv[1].val());
  if (SecureMode() && mode != 0 && IsPathName(name))
    return Error("In secure mode you cannot write file " + std::string(name));
  int32_t slot = -1;
  for (int32_t i = 0; i < kFileSlots && slot < 0; ++i)
    if (!Files().binary[static_cast<size_t>(i)].IsOpen()) slot = i;
  if (slot < 0) return Error("Cannot open another file (maximum exceeded).");
  const CBinaryFile::Mode how =
      mode == 0 ? CBinaryFile::Mode::Read : mode == 1 ? CBinaryFile::Mode::Write : CBinaryFile::Mode::ReadWrite;
  const std::optional<std::string> path = how == CBinaryFile::Mode::Read ? ResolveExisting(name) : ResolveForWrite(name);
  if (!path || !Files().binary[static_cast<size_t>(slot)].Open(*path, how, SecureMode()))
    return Error("Error opening binary file.");
  result.SetReal(slot + 1);
}

void file_bin_rewrite(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CBinaryFile* f = Open(argv[0]);
  if (!f) return Error("Trying to rewrite unopened file.");
  if (!f->Rewrite()) Error("Error rewriting file.");
}

void file_bin_close(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CBinaryFile* f = Open(argv[0]);
  if (!f) return Error("Trying to close unopened file.");
  // The last bytes are written on closing; a full disk must not pass for a saved file.
  if (!f->Close()) Error("Error writing file.");
}

void file_bin_size(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  CBinaryFile* f = Opened(argv[0]);
  if (!f) return;
  int64_t size = 0;
  if (!f->Size(size)) return Error("Error retrieving file size.");
  result.SetReal(static_cast<double>(size));
}

void file_bin_position(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (CBinaryFile* f = Opened(argv[0])) result.SetReal(static_cast<double>(f->Position()));
}

void file_bin_seek(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CBinaryFile* f = Opened(argv[0]);
  if (!f) return;
  const double at = std::nearbyint(argv[1].val());
  if (!(at >= 0 && at < 9.0e18) || !f->Seek(static_cast<int64_t>(at))) Error("Error seeking.");
}

void file_bin_read_byte(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  CBinaryFile* f = Opened(argv[0]);
  if (!f) return;
  uint8_t byte = 0;
  if (!f->ReadByte(byte)) return Error("Error reading byte.");
  result.SetReal(byte);
}

void file_bin_write_byte(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CBinaryFile* f = Opened(argv[0]);
  if (!f) return;
  const double v = std::nearbyint(argv[1].val());
  // The low 8 bits of the rounded value, negative values in two's complement.
  const auto byte = static_cast<uint8_t>(std::isfinite(v) ? static_cast<int64_t>(std::fmod(v, 256.0)) & 0xFF : 0);
  if (!f->WriteByte(byte)) Error("Error writing byte.");
}

constexpr RFunctionDef kFileBinaryFunctions[] = {
    {"file_bin_open", 2, file_bin_open},
    {"file_bin_rewrite", 1, file_bin_rewrite},
    {"file_bin_close", 1, file_bin_close},
    {"file_bin_size", 1, file_bin_size},
    {"file_bin_position", 1, file_bin_position},
    {"file_bin_seek", 2, file_bin_seek},
    {"file_bin_read_byte", 1, file_bin_read_byte},
    {"file_bin_write_byte", 2, file_bin_write_byte},
};
}  // namespace

FunctionFamily FileBinaryFunctions() { return kFileBinaryFunctions; }
