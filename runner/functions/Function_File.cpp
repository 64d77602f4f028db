// Built-in file functions: text files (numbered handles and the older single file), file
// existence and deletion, and the included files. Binary files, the file system, programs, INI
// files and the registry have units of their own (Function_FileBinary, Function_FileSystem,
// Function_Program, Function_Ini, Function_Registry).
#include "runner/base/Option_Main.h"
#include "runner/functions/Function_Families.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "runner/base/Game.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/File_State.h"
#include "runner/functions/DataNew_Class.h"
#include "runner/base/Runner_Temp.h"

namespace {
void Error(std::string_view message) {
  ShowActionError(message, false);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

CTextFile* TextSlot(const RValue& handle, CTextFile::Mode mode) {
  const int32_t h = RoundToInt32(handle.val());
  if (h < 1 || h > kFileSlots) return nullptr;
  CTextFile& f = Files().text[static_cast<size_t>(h - 1)];
  return f.mode() == mode ? &f : nullptr;
}

CTextFile* Reading(const RValue& handle) {
  CTextFile* f = TextSlot(handle, CTextFile::kRead);
  if (!f) Error("File is not opened for reading.");
  return f;
}

CTextFile* Writing(const RValue& handle) {
  CTextFile* f = TextSlot(handle, CTextFile::kWrite);
  if (!f) Error("File not opened for writing.");
  return f;
}

int32_t FreeTextSlot() {
  for (int32_t i = 0; i < kFileSlots; ++i)
    if (Files().text[static_cast<size_t>(i)].mode() == CTextFile::kFree) return i;
  Error("Cannot open another file (maximum exceeded).");
  return -1;
}

// Writing and appending share their rules; only the messages differ.
void OpenTextForWriting(const RValue& name, bool append, RValue& result) {
  result.SetReal(-1);
  if (SecureMode() && IsPathName(name.str()))
    return Error(
        (append ? "In secure mode you cannot append to file " : "In secure mode you cannot write file ") +
        std::string(name.str()));
  const int32_t slot = FreeTextSlot();
  if (slot < 0) return;
  const std::optional<std::string> path = ResolveForWrite(name.str());
  if (!path || !Files().text[static_cast<size_t>(slot)].OpenWrite(*path, append, SecureMode()))
    return Error(append ? "Error opening file for appending." : "Error opening file for writing.");
  result.SetReal(slot + 1);
}

void file_text_open_read(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(-1);
  const std::optional<std::string> path = ResolveExisting(argv[0].str());
  if (!path || !IsRegularFile(*path)) return;  // a missing file is no error
  const int32_t slot = FreeTextSlot();
  if (slot < 0) return;
  if (!Files().text[static_cast<size_t>(slot)].OpenRead(*path)) return Error("Error opening file for reading.");
  result.SetReal(slot + 1);
}

void file_text_open_write(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  OpenTextForWriting(argv[0], false, result);
}

void file_text_open_append(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  OpenTextForWriting(argv[0], true, result);
}

void file_text_close(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const int32_t h = RoundToInt32(argv[0].val());
  if (h < 1 || h > kFileSlots) return Error("Trying to close unexisting text file.");
  Files().text[static_cast<size_t>(h - 1)].Close();
}

void file_text_read_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  CTextFile* f = Reading(argv[0]);
  if (!f) return;
  std::string line;
  if (!f->ReadString(line)) return Error("Error reading string.");
  result.SetString(line);
}

void file_text_read_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (CTextFile* f = Reading(argv[0])) result.SetReal(f->ReadReal(false));
}

void file_text_readln(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CTextFile* f = Reading(argv[0]);
  if (f && !f->ReadLn()) Error("Error reading line.");
}

void file_text_eof(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (CTextFile* f = Reading(argv[0])) result.SetReal(BoolReal(f->Eof()));
}

void file_text_eoln(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (CTextFile* f = Reading(argv[0])) result.SetReal(BoolReal(f->Eoln()));
}

constexpr std::string_view kLineEnd = "\r\n";

// A full disk or a failing device must not pass for a written file.
void WriteText(CTextFile* f, std::string_view text) {
  if (f && !f->Write(text)) Error("Error writing file.");
}

void file_text_write_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  WriteText(Writing(argv[0]), argv[1].str());
}

void file_text_write_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  WriteText(Writing(argv[0]), TextFileReal(argv[1].val()));
}

void file_text_writeln(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  WriteText(Writing(argv[0]), kLineEnd);
}

// The single file.
void file_open_read(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  Files().single.Close();
  const std::optional<std::string> path = ResolveExisting(argv[0].str());
  if (!path || !IsRegularFile(*path)) return;
  if (!Files().single.OpenRead(*path)) Error("Error opening file for reading.");
}

void OpenSingleForWriting(const RValue& name, bool append) {
  Files().single.Close();
  if (SecureMode() && IsPathName(name.str()))
    return Error(
        (append ? "In secure mode you cannot append to file " : "In secure mode you cannot write file ") +
        std::string(name.str()));
  const std::optional<std::string> path = ResolveForWrite(name.str());
  if (!path || !Files().single.OpenWrite(*path, append, SecureMode()))
    Error(append ? "Error opening file for appending." : "Error opening file for writing.");
}

void file_open_write(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  OpenSingleForWriting(argv[0], false);
}
void file_open_append(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  OpenSingleForWriting(argv[0], true);
}

void file_close(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  if (!Files().single.Close()) Error("Error closing file.");
}

CTextFile* SingleReading() {
  if (Files().single.mode() == CTextFile::kRead) return &Files().single;
  Error("File not opened for reading.");
  return nullptr;
}

CTextFile* SingleWriting() {
  if (Files().single.mode() == CTextFile::kWrite) return &Files().single;
  Error("File not opened for writing.");
  return nullptr;
}

void file_read_string(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  CTextFile* f = SingleReading();
  if (!f) return;
  std::string line;
  if (!f->ReadString(line)) return Error("Error reading string.");
  result.SetString(line);
}

void file_read_real(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  CTextFile* f = SingleReading();
  if (!f) return;
  const double v = f->ReadReal(true);
  if (!f->Good()) return Error("Error reading real.");
  result.SetReal(v);
}

void file_readln(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  CTextFile* f = SingleReading();
  if (f && !f->ReadLn()) Error("Error reading line.");
}

void file_eof(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  if (CTextFile* f = SingleReading()) result.SetReal(BoolReal(f->Eof()));
}

void file_eoln(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  if (CTextFile* f = SingleReading()) result.SetReal(BoolReal(f->Eoln()));
}

void file_write_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  WriteText(SingleWriting(), argv[0].str());
}
void file_write_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  WriteText(SingleWriting(), TextFileReal(argv[0].val()));
}
void file_writeln(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  WriteText(SingleWriting(), kLineEnd);
}

void file_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::optional<std::string> path = ResolveExisting(argv[0].str());
  result.SetReal(BoolReal(path && IsRegularFile(*path)));
}

void file_delete(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view name = argv[0].str();
  if (SecureMode() && IsPathName(name))
    return Error("In Secure mode you cannot delete file " + std::string(name));
  const std::optional<std::string> path = ResolveExisting(name);
  if (path && IsRegularFile(*path)) unlink(path->c_str());
}

// While a function runs, included-file errors belong to the running action.
struct ActionErrors {
  ActionErrors() {
    SetDataFileErrorHandler([](std::string_view m) { ShowActionError(m, false); });
  }
  ~ActionErrors() { SetDataFileErrorHandler(nullptr); }
};

CDataFile* FindIncluded(const RValue& name) {
  return DataFile_Get(DataFile_Find(name.str()));
}

void export_include_file(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  ActionErrors route;
  CDataFile* f = FindIncluded(argv[0]);
  if (!f) return ShowActionError("Trying to export non-existing file.", false);
  f->Prepare(SecureMode());
}

void export_include_file_location(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  ActionErrors route;
  CDataFile* f = FindIncluded(argv[0]);
  if (!f) return ShowActionError("Trying to export non-existing file.", false);
  if (SecureMode()) return ShowActionError("In secure mode you cannot export a file to a location.", false);
  const std::string_view path = argv[1].str();
  if (path.empty() || path.find('\0') != std::string_view::npos) return;  // names nothing that can be written
  f->ExportIt(MapWindowsPath(path));
}

void discard_include_file(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CDataFile* f = FindIncluded(argv[0]);
  if (!f) return ShowActionError("Trying to discard non-existing file.", false);
  f->Discard();
}

constexpr RFunctionDef kFileFunctions[] = {
    {"file_text_open_read", 1, file_text_open_read},
    {"file_text_open_write", 1, file_text_open_write},
    {"file_text_open_append", 1, file_text_open_append},
    {"file_text_close", 1, file_text_close},
    {"file_text_read_string", 1, file_text_read_string},
    {"file_text_read_real", 1, file_text_read_real},
    {"file_text_readln", 1, file_text_readln},
    {"file_text_eof", 1, file_text_eof},
    {"file_text_eoln", 1, file_text_eoln},
    {"file_text_write_string", 2, file_text_write_string},
    {"file_text_write_real", 2, file_text_write_real},
    {"file_text_writeln", 1, file_text_writeln},
    {"file_open_read", 1, file_open_read},
    {"file_open_write", 1, file_open_write},
    {"file_open_append", 1, file_open_append},
    {"file_close", 0, file_close},
    {"file_read_string", 0, file_read_string},
    {"file_read_real", 0, file_read_real},
    {"file_readln", 0, file_readln},
    {"file_eof", 0, file_eof},
    {"file_eoln", 0, file_eoln},
    {"file_write_string", 1, file_write_string},
    {"file_write_real", 1, file_write_real},
    {"file_writeln", 0, file_writeln},
    {"file_exists", 1, file_exists},
    {"file_delete", 1, file_delete},
    {"export_include_file", 1, export_include_file},
    {"export_include_file_location", 2, export_include_file_location},
    {"discard_include_file", 1, discard_include_file},
};
}  // namespace

FunctionFamily FileFunctions() { return kFileFunctions; }
