// External functions: native functions of shared libraries that games bind by library and
// symbol name and call with reals and strings. Binding goes through dlopen/dlsym and each call
// through libffi, so any count from 0 to 16 of doubles and pointers can be passed.
//
// Native code runs inside the runner with the player's rights. What the runner controls (the
// library name, the file it opens, the arguments it builds, the result it copies) is checked;
// a library that crashes or corrupts memory by itself still ends the runner, since there is no
// sandbox around it.
#pragma once

#include <ffi.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Variable_Class.h"

inline constexpr int32_t kMaxExternalArgs = 16;
inline constexpr int32_t kExternalStdcall = 1;  // any other calling convention value is cdecl
inline constexpr int32_t kExternalString = 1;   // argument and result types; any other is real

// One successful definition. Records only grow in number; freeing the library sets the handle
// to null and keeps the record.
struct RExternalFunction {
  std::string dll_name;
  void* dll_handle = nullptr;
  std::string function_name;
  void* function_addr = nullptr;
  int32_t calltype = 0;
  int32_t argnumb = 0;
  std::array<int32_t, 17> argtype{};
  int32_t resulttype = 0;
  // The call interface prepared once at definition; cif points into types.
  ffi_cif cif{};
  std::array<ffi_type*, kMaxExternalArgs> types{};
};

// The table of external functions; a function is known by its position.
class CExternalTable {
 public:
  CExternalTable() = default;
  ~CExternalTable() { FreeAll(); }
  CExternalTable(const CExternalTable&) = delete;
  CExternalTable& operator=(const CExternalTable&) = delete;

  // Binds symbol of the library named dll; the table position or -1. The file is where
  // ResolveLibrary finds file (the name dll itself, or a path the runner chose). More than 16
  // arguments, or more than 4 with a string among them, fail before anything is loaded. A
  // library still bound under the same name (any letter case) is not loaded again.
  int32_t Define(std::string_view dll, std::string_view file, std::string_view symbol, int32_t calltype,
                 int32_t resulttype, const int32_t* argtypes, int32_t argnumb);
  // Calls the function at position with argc values. No call is made for an unknown position,
  // a count other than the definition's or a freed library: the result is then the real 0 and
  // why is in why_not.
  bool Call(int32_t position, const RValue* args, int32_t argc, RValue& result, std::string* why_not = nullptr);
  // Releases the library bound under dll (any letter case) once; its records keep their place
  // with a null handle.
  void Free(std::string_view dll);
  void FreeAll();

  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  const RExternalFunction* At(int32_t position) const;

 private:
  std::vector<std::unique_ptr<RExternalFunction>> records_;
};

// Where the library a game names lives, as an absolute path; nothing when there is no such
// file. A name ending in ".dll" (any case) stands for "stem.so", "libstem.so" or
// "lower(stem).so", then for the name itself; other names are used as given. A name with a folder is looked for there
// only; a bare name in the game's folder, then in the working folder. Letter case of the
// components does not matter. The system's library search path is never used.
std::optional<std::string> ResolveLibrary(std::string_view name);

// Why a file cannot be a library of this runner (a Windows DLL, another machine's or word
// size's object, no shared object at all, truncated); empty when it may be opened.
std::string LibraryFileProblem(const std::string& path);
