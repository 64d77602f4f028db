// Extension packages as the game data carries them: each package brings files (libraries,
// files of game code, other files), the functions those files define and their constants.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CStream;

inline constexpr int32_t kExtensionRecordVersion = 700;
// Function ids index arrays sized by the largest of them; ids past this mark a damaged chunk
// rather than a reason to allocate gigabytes.
inline constexpr int32_t kMaxExtensionFunctionId = 1 << 20;

struct CExtensionFunction {
  std::string s_name;
  std::string s_extname;  // the library symbol, or the section of a game-code file
  int32_t s_kind = 0;     // 12: cdecl, any other value: stdcall
  int32_t s_id = 0;
  int32_t s_argcount = -1;  // -1: any number
  std::array<int32_t, 17> s_argtype{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  int32_t s_returntype = 2;  // 1 string, 2 real
  std::string s_script;      // code of a game-code function, until it is compiled
};

struct CExtensionConstant {
  std::string s_name;
  std::string s_value;
};

struct CExtensionFile {
  enum : int32_t { kDll = 1, kGameCode = 2, kNoData = 3, kOther = 4 };
  std::string s_filename;
  int32_t s_kind = 0;
  std::string s_init;
  std::string s_final;
  std::vector<CExtensionFunction> s_functions;
  std::vector<CExtensionConstant> s_constants;
};

struct CExtensionPackage {
  std::string s_name;
  std::string s_folder;
  std::vector<CExtensionFile> s_includes;

  // Reads one package record and its files' data; library and other files are written under
  // temp_dir + "/" + folder. False on a wrong package version or a name that would leave its
  // folder; a short record throws StreamError.
  bool LoadFromStream(CStream& s, const std::string& temp_dir);
};

// The sections of a game-code file: the byte text (one byte, one character) cut at lines that
// start with "#define"; each section's lines are joined with CR LF. Gives the code of every
// function of the file whose external name names a section.
void AssignGameCodeSections(std::string_view bytes, std::vector<CExtensionFunction>& functions);
