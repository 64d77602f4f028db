// Built-in file functions: the included-file family for now; the rest of the file, INI and
// registry functions join this unit.
#include "runner/functions/Function_Families.h"

#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/shell/DataNew_Class.h"
#include "runner/shell/Runner_Temp.h"

namespace {
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
    {"export_include_file", 1, export_include_file},
    {"export_include_file_location", 2, export_include_file_location},
    {"discard_include_file", 1, discard_include_file},
};
}  // namespace

FunctionFamily FileFunctions() { return kFileFunctions; }
