// CCode: one piece of game code compiled once into a code tree of RToken nodes, plus the narrow
// lookup interface (CompileContext) through which the compiler asks the rest of the runner about
// functions, resources, triggers and constants.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Token.h"
#include "runner/code/Variable_Class.h"

// A code-tree node; the tree is immutable once compiled. Children live in the code's arena.
struct RToken {
  int32_t kind = 0;      // NodeKind
  int32_t ind = 0;       // function id, variable id or operator code, by kind
  int32_t ind2 = 0;      // owner of a simple variable
  int32_t position = 0;  // 1-based position in the code text (UTF-16 units)
  int32_t itemnumb = 0;
  int32_t height = 1;  // nodes on the longest path down; bounded so walks cannot overflow
  RToken** items = nullptr;
  RValue value;  // constants

  NodeKind Kind() const { return static_cast<NodeKind>(kind); }
  RToken* Item(int32_t i) const { return items[i]; }
};

// Deepest tree and parser nesting accepted; deeper code is refused with kMsgTooDeep.
inline constexpr int32_t kMaxTreeHeight = 1000;
inline constexpr int32_t kMaxParseDepth = 400;
inline constexpr const char* kMsgTooDeep = "Code is nested too deeply.";

// Owns the nodes and child arrays of one compiled code.
class CodeArena {
 public:
  RToken* NewNode();
  RToken** NewItems(size_t n);

 private:
  std::vector<std::unique_ptr<RToken[]>> node_blocks_;
  size_t node_used_ = 0, node_cap_ = 0;
  std::vector<std::unique_ptr<RToken*[]>> item_blocks_;
  size_t item_used_ = 0, item_cap_ = 0;
  std::vector<std::unique_ptr<RToken*[]>> item_big_;
};

enum class ResourceKind : int32_t { Object, Sprite, Sound, Background, Path, Font, TimeLine, Script, Room };
// The order in which an identifier is tried as a resource name.
inline constexpr ResourceKind kResourceLookupOrder[] = {
    ResourceKind::Object, ResourceKind::Sprite,   ResourceKind::Sound,
    ResourceKind::Background, ResourceKind::Path, ResourceKind::Font,
    ResourceKind::TimeLine, ResourceKind::Script, ResourceKind::Room};

// What the compiler needs from the function registry, resources, triggers and constants.
// Each default answers "not found", so a part not yet built is simply absent.
struct CompileContext {
  virtual ~CompileContext() = default;
  // Scripts (100000 + index), then extension functions (500000 + id), then built-ins.
  virtual bool FindFunction(std::string_view name, int32_t& id) const { return false; }
  // Declared argument count: -1 any number from 0 to 16, -100 no such function.
  virtual int32_t FunctionArgCount(int32_t id) const { return -100; }
  virtual std::string FunctionName(int32_t id) const { return "#" + std::to_string(id); }
  virtual bool FindResource(ResourceKind kind, std::string_view name, int32_t& index) const {
    return false;
  }
  virtual bool FindTrigger(std::string_view name, int32_t& index) const { return false; }
  // Newest definition first.
  virtual bool FindConstant(std::string_view name, RValue& value) const { return false; }
};

CompileContext& GetCompileContext();
// Installs the context used by every later compilation; null restores the empty one.
void SetCompileContext(CompileContext* ctx);

inline constexpr int32_t kOwnerSelf = -1, kOwnerOther = -2, kOwnerAll = -3, kOwnerNoone = -4,
                         kOwnerGlobal = -5, kOwnerUnqualified = -6, kOwnerLocal = -7;

// The interpreter's own form of a compiled code, made on its first run (Code_Exec).
struct ExecProgram;
struct ExecProgramDeleter {
  void operator()(ExecProgram* p) const noexcept;
};

class CCode {
 public:
  enum : int32_t { kProgram = 1, kExpression = 2, kConstantExpression = 3 };

  CCode(std::string_view str, bool isexp);  // Create
  CCode(const CCode&) = delete;
  CCode& operator=(const CCode&) = delete;

  // True on success; on failure the message waits in the compile-error state (Code_Error).
  bool Compile();
  const std::string& GetText() const { return i_str; }
  bool IsProgram() const { return i_kind == kProgram; }
  CodeArena& Arena() { return arena_; }

  int32_t i_kind;
  bool i_compiled = false;
  std::string i_str;
  RToken* i_token = nullptr;
  RValue i_value;
  int32_t i_Args = 0;
  bool i_ArgArray = false;
  std::unique_ptr<ExecProgram, ExecProgramDeleter> i_exec;

 private:
  CodeArena arena_;
};

// Indented text form of a tree, one node a line; for tests and debugging.
std::string DumpTree(const RToken* node, const CompileContext* ctx = nullptr);
// Shortest text that reads back as the same double.
std::string RealText(double v);
