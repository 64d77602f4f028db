// The interpreter; see Code_Exec.h. A code tree is lowered once into ENodes that carry what the
// tree leaves to run time: owner kinds, local slots, bound handlers, list position hints.
#include "runner/code/Code_Exec.h"

#include <pthread.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/process/Signals.h"
#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Operator.h"
#include "runner/code/Code_Variable.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Main.h"

namespace {
enum class Op : uint8_t {
  // Expressions.
  Const, Var, CallBuiltin, CallScript, CallExtension, Unary, Binary,
  // Statements.
  Block, Empty, If, While, Do, For, Repeat, Exit, Break, Continue, With, Return, Switch, Case,
  Default, GlobalDecl, Assign,
  // Anything the tree should not hold in the place it stands.
  Bad,
};

// Where a variable node's owner is known to be before it runs.
enum class Owner : uint8_t {
  Local,    // aux = frame slot
  Arg,      // argument0..15 through self, other or no owner; aux = slot
  Self,
  Other,
  Fixed,    // aux = owner value (global, all, noone, object, instance id, unqualified user var)
  Dynamic,  // owner_expr decides at run time
};

struct ENode;
struct Frame;

// What an expression produced: a real in d, another value in the caller's RValue, or an error
// (reported). Returned in registers, so reals never pass through memory between nodes.
enum class Got : uint8_t { Real, Other, Error };
struct Res {
  double d;
  Got g;
};

enum class Outcome : uint8_t { Normal, Exit, Break, Continue, Error };

// A termination signal ends every running loop: an error outcome nobody reports unwinds the
// code, and the main loop then closes the game. One relaxed load per pass.
[[gnu::always_inline]] inline bool Stopping() { return platform::TerminationSignal() != 0; }

// Each node carries the handlers that run it, chosen once when the tree is lowered from what
// the node is and what its operands are; the general handlers below take everything else.
using EvalFn = Res (*)(ENode* n, Frame& f, RValue& other);
using ExecFn = Outcome (*)(ENode* n, Frame& f);

// A switch's real constant labels, in order, up to its first default or computed label, with
// the kid each stands at, and where the search goes on when none of them matches: the first
// default or computed label, or the end.
struct SwitchLabels {
  std::vector<double> value;
  std::vector<int32_t> at;
  int32_t stop = 0;
};

struct ENode {
  EvalFn ev = nullptr;
  ExecFn ex = nullptr;
  Op op = Op::Bad;
  Owner owner = Owner::Fixed;
  uint8_t nidx = 0;  // Var: index expressions in kids
  int32_t sub = 0;   // operator; for Assign the combining operator, 0 for plain =
  int32_t id = 0;    // variable id, function id or script index
  int32_t aux = 0;
  int32_t pos = 0;
  int32_t hint = -1;
  int32_t n = 0;
  ENode** kids = nullptr;
  ENode* owner_expr = nullptr;
  TRoutine fn = nullptr;
  double k = 0.0;  // a real constant's value
  RValue value;
  // A script call: the callee's code and lowered program as an earlier call found them; a
  // call runs them straight away while the script table still holds that code with that
  // program, and looks again when it does not (a table loaded anew, a script compiled anew).
  const CCode* callee_code = nullptr;
  ExecProgram* callee = nullptr;
  std::unique_ptr<SwitchLabels> labels;  // a switch's, once its handler is chosen
};

struct LocalSlot {
  bool exists = false;
  RVariable var;
};
}  // namespace

struct ExecProgram {
  std::vector<std::unique_ptr<ENode[]>> node_blocks;
  size_t node_used = 0;
  std::vector<std::unique_ptr<ENode*[]>> kid_arrays;
  ENode* root = nullptr;
  NodeKind root_kind = NodeKind::EmptyProgram;
  int32_t nslots = 0;
  std::unordered_map<int32_t, int32_t> slot_of;  // local variable id -> frame slot
};

void ExecProgramDeleter::operator()(ExecProgram* p) const noexcept { delete p; }

namespace {
constexpr size_t kNodeBlock = 64;

// ---------------------------------------------------------------------------------------------
// Lowering.

class Lowerer {
 public:
  explicit Lowerer(ExecProgram& p) : p_(p) {}

  ENode* Lower(const RToken* t) {
    ENode* e = New();
    e->pos = t->position;
    switch (t->Kind()) {
      case NodeKind::Constant:
        e->op = Op::Const;
        e->value = t->value;
        return e;
      case NodeKind::Call: {
        Kids(e, t);
        e->id = t->ind;
        if (t->ind >= kExtensionIdBase) {
          e->op = Op::CallExtension;
          e->id = t->ind - kExtensionIdBase;
        } else if (t->ind >= kScriptIdBase) {
          e->op = Op::CallScript;
          e->id = t->ind - kScriptIdBase;
        } else {
          const RFunction* f = FunctionAt(t->ind);
          e->op = f && f->f_routine ? Op::CallBuiltin : Op::CallExtension;
          e->fn = f ? f->f_routine : nullptr;
          if (!e->fn) e->id = -1;  // no such function: an extension call that finds none
        }
        return e;
      }
      case NodeKind::SimpleVariable:
        e->op = Op::Var;
        e->id = t->ind;
        SetOwner(e, t->ind2);
        return e;
      case NodeKind::Variable: {
        e->op = Op::Var;
        e->id = t->ind;
        const RToken* owner = t->Item(0);
        if (owner->Kind() == NodeKind::Constant && owner->value.IsReal()) {
          SetOwner(e, RoundToInt32(owner->value.val()));
        } else {
          e->owner = Owner::Dynamic;
          e->owner_expr = Lower(owner);
        }
        e->nidx = static_cast<uint8_t>(t->itemnumb - 1);
        e->n = e->nidx;
        e->kids = NewKids(e->n);
        for (int32_t i = 0; i < e->n; ++i) e->kids[i] = Lower(t->Item(i + 1));
        return e;
      }
      case NodeKind::Unary: e->op = Op::Unary; break;
      case NodeKind::Binary: e->op = Op::Binary; break;
      case NodeKind::Assign:
        e->op = Op::Assign;
        e->sub = CombiningOperator(t->ind);
        break;
      case NodeKind::Block: e->op = Op::Block; break;
      case NodeKind::EmptyStatement:
      case NodeKind::EmptyProgram:
      case NodeKind::LocalDecl: e->op = Op::Empty; return e;
      case NodeKind::If: e->op = Op::If; break;
      case NodeKind::While: e->op = Op::While; break;
      case NodeKind::Do: e->op = Op::Do; break;
      case NodeKind::For: e->op = Op::For; break;
      case NodeKind::Repeat: e->op = Op::Repeat; break;
      case NodeKind::Exit: e->op = Op::Exit; return e;
      case NodeKind::Break: e->op = Op::Break; return e;
      case NodeKind::Continue: e->op = Op::Continue; return e;
      case NodeKind::With: e->op = Op::With; break;
      case NodeKind::Return: e->op = Op::Return; break;
      case NodeKind::Switch: e->op = Op::Switch; break;
      case NodeKind::Case: e->op = Op::Case; break;
      case NodeKind::Default: e->op = Op::Default; return e;
      case NodeKind::GlobalDecl: e->op = Op::GlobalDecl; break;
      default: e->op = Op::Bad; return e;
    }
    e->sub = e->op == Op::Assign ? e->sub : t->ind;
    Kids(e, t);
    if (e->op == Op::GlobalDecl)
      for (int32_t i = 0; i < e->n; ++i) e->kids[i]->id = t->Item(i)->ind;
    return e;
  }

 private:
  static int32_t CombiningOperator(int32_t assign) {
    switch (assign) {
      case sym::kAddAssign: return sym::kPlus;
      case sym::kSubAssign: return sym::kMinus;
      case sym::kMulAssign: return sym::kMul;
      case sym::kDivAssign: return sym::kDivide;
      case sym::kOrAssign: return sym::kBitOr;
      case sym::kAndAssign: return sym::kBitAnd;
      case sym::kXorAssign: return sym::kBitXor;
      default: return 0;
    }
  }

  void SetOwner(ENode* e, int32_t owner) {
    int32_t arg = ArgumentSlotOf(e->id);
    if (owner == kOwnerLocal) {
      e->owner = Owner::Local;
      auto [it, added] = p_.slot_of.emplace(e->id, p_.nslots);
      if (added) ++p_.nslots;
      e->aux = it->second;
    } else if (arg >= 0 && (owner == kOwnerSelf || owner == kOwnerOther || owner == kOwnerUnqualified)) {
      e->owner = Owner::Arg;  // game-wide: the instance it goes through never matters
      e->aux = arg;
    } else if (owner == kOwnerSelf || (owner == kOwnerUnqualified && e->id < kFirstUserVarId)) {
      e->owner = Owner::Self;  // built-ins are never global
    } else if (owner == kOwnerOther) {
      e->owner = Owner::Other;
    } else {
      e->owner = Owner::Fixed;
      e->aux = owner;
    }
  }

  void Kids(ENode* e, const RToken* t) {
    e->n = t->itemnumb;
    e->kids = NewKids(e->n);
    for (int32_t i = 0; i < e->n; ++i) e->kids[i] = Lower(t->Item(i));
  }

  ENode* New() {
    if (p_.node_blocks.empty() || p_.node_used == kNodeBlock) {
      p_.node_blocks.push_back(std::make_unique<ENode[]>(kNodeBlock));
      p_.node_used = 0;
    }
    return &p_.node_blocks.back()[p_.node_used++];
  }

  ENode** NewKids(int32_t n) {
    if (n <= 0) return nullptr;
    p_.kid_arrays.push_back(std::make_unique<ENode*[]>(static_cast<size_t>(n)));
    return p_.kid_arrays.back().get();
  }

  ExecProgram& p_;
};

void Bind(ENode* n, bool specialise);

ExecProgram& ProgramOf(CCode& code) {
  if (!code.i_exec) {
    auto p = std::unique_ptr<ExecProgram, ExecProgramDeleter>(new ExecProgram);
    p->root_kind = code.i_token->Kind();
    Lowerer l(*p);
    p->root = l.Lower(code.i_token);
    Bind(p->root, !LanguageState().general_handlers);
    code.i_exec = std::move(p);
  }
  return *code.i_exec;
}

// ---------------------------------------------------------------------------------------------
// Frames, locals and nesting.

// LIFO storage for the local slots of running codes, in blocks that never move.
class LocalStack {
 public:
  struct Mark {
    size_t block;
    size_t used;
  };

  // Most calls fit the current block: that case stays in line at the call.
  [[gnu::always_inline]] LocalSlot* Acquire(int32_t n, Mark& m) {
    m = {cur_, used_};
    if (n <= 0) return nullptr;
    const size_t need = static_cast<size_t>(n);
    if (used_ + need <= size_) [[likely]] {
      LocalSlot* p = top_ + used_;
      used_ += need;
      return p;
    }
    return AcquireNew(need);
  }

  void Release(const Mark& m, LocalSlot* p, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      LocalSlot& s = p[i];
      if (!s.exists) continue;
      s.exists = false;
      s.var.simplevalue.SetReal(0.0);
      std::vector<std::vector<RValue>>().swap(s.var.value);
    }
    if (m.block != cur_) {
      cur_ = m.block;
      top_ = blocks_[cur_].slots.get();
      size_ = blocks_[cur_].size;
    }
    used_ = m.used;
  }

 private:
  [[gnu::noinline]] LocalSlot* AcquireNew(size_t need) {
    const size_t next = blocks_.empty() ? 0 : cur_ + 1;
    if (next >= blocks_.size()) blocks_.emplace_back();
    if (blocks_[next].size < need) {
      const size_t size = need > kBlock ? need : kBlock;
      blocks_[next].slots = std::make_unique<LocalSlot[]>(size);
      blocks_[next].size = size;
    }
    cur_ = next;
    used_ = 0;
    top_ = blocks_[cur_].slots.get();
    size_ = blocks_[cur_].size;
    LocalSlot* p = top_ + used_;
    used_ += need;
    return p;
  }

  static constexpr size_t kBlock = 4096;
  struct Block {
    std::unique_ptr<LocalSlot[]> slots;
    size_t size = 0;
  };
  std::vector<Block> blocks_;
  size_t cur_ = 0, used_ = 0;
  LocalSlot* top_ = nullptr;  // block cur_, and its size (0 before the first)
  size_t size_ = 0;
};

constinit LocalStack g_locals;  // no guard on the call path

inline LocalStack& Locals() { return g_locals; }

struct Frame {
  CInstance* self;
  CInstance* other;
  CCode* code;
  ExecProgram* prog;
  RValue* result;
  LocalSlot* locals;
  std::unique_ptr<CVariableList> extra;  // locals reached only through a computed owner
};

int32_t g_depth = 0;

// Per thread, so code run on another thread (a tool, a test) is measured against its own stack.
thread_local uintptr_t t_stackFloor = 0;

// Lowest frame address a nested execution may start at on this thread.
uintptr_t ComputeStackFloor() {
  return [] {
    uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    constexpr uintptr_t kReserve = 2u << 20;  // one code's deepest tree plus built-ins
    constexpr uintptr_t kMaxUse = 256u << 20;
    pthread_attr_t attr;
    void* addr = nullptr;
    size_t size = 0;
    bool known = pthread_getattr_np(pthread_self(), &attr) == 0;
    if (known) {
      known = pthread_attr_getstack(&attr, &addr, &size) == 0;
      pthread_attr_destroy(&attr);
    }
    uintptr_t low = known ? reinterpret_cast<uintptr_t>(addr) : 0;
    uintptr_t high = low + size;
    if (!known || here < low || here > high) {  // unknown layout: assume 8 MiB from here
      high = here;
      low = here > (8u << 20) ? here - (8u << 20) : 0;
    }
    if (high - low > kMaxUse) low = high - kMaxUse;
    return low + kReserve < high ? low + kReserve : high;
  }();
}

inline uintptr_t StackFloor() {
  if (!t_stackFloor) t_stackFloor = ComputeStackFloor();
  return t_stackFloor;
}

struct DepthScope {
  DepthScope() { ++g_depth; }
  ~DepthScope() { --g_depth; }
};

inline bool StackRoom(uintptr_t extra) {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) > StackFloor() + extra;
}

// Callers ask with room to spare for the frames between them and the execution, so that the
// limit is met at the call, where the message can name its place.
inline bool CanNest() { return g_depth < kMaxExecDepth && StackRoom(64u << 10); }

// Runs a lowered code whose entry checks are done: a frame of locals, the depth, the tree.
[[gnu::always_inline]] inline bool RunLowered(CInstance* self, CInstance* other, CCode& code, ExecProgram& prog,
                                              RValue& result);

// The same for a program whose root is known to be a block (a script called from code).
[[gnu::always_inline]] inline bool RunLoweredBlock(CInstance* self, CInstance* other, CCode& code, ExecProgram& prog,
                                                   RValue& result);

// ---------------------------------------------------------------------------------------------
// Evaluation.

bool Eval(ENode* n, Frame& f, RValue& out);

inline Outcome Exec(ENode* n, Frame& f) { return n->ex(n, f); }

// Evaluates n, keeping reals out of RValues: arithmetic on reals, the usual bulk of game code,
// then runs without building or releasing a value at every node. Same order and results as
// Eval; a value that is not a real arrives in other.
inline Got EvalReal(ENode* n, Frame& f, double& d, RValue& other) {
  const Res r = n->ev(n, f, other);
  d = r.d;
  return r.g;
}
inline Got Operand(ENode* n, Frame& f, double& d, RValue& other) { return EvalReal(n, f, d, other); }


bool Fail(Frame& f, int32_t pos, std::string_view msg) {
  ReportCodeError(*f.code, pos, msg);
  return false;
}

Outcome FailOutcome(Frame& f, int32_t pos, std::string_view msg) {
  ReportCodeError(*f.code, pos, msg);
  return Outcome::Error;
}

// A resolved variable place: owner kind, owner value and array index.
struct Place {
  Owner owner;
  int32_t value;  // Fixed: owner value; Local: slot, or -1 for the frame's extra list
  int32_t arr;
};

// The value of a constant or of a set plain local, without a copy; null for anything else.
// Safe to hold while the other operand runs: no call can reach this frame's locals, and
// local slots never move.
inline const RValue* Peek(ENode* n, Frame& f) {
  if (n->op == Op::Const) return &n->value;
  if (n->op == Op::Var && n->owner == Owner::Local && n->nidx == 0) {
    LocalSlot& s = f.locals[n->aux];
    if (s.exists) return &s.var.simplevalue;
  }
  return nullptr;
}

// A whole array index in range held by a constant or a set local; false otherwise.
inline bool QuickIndex(ENode* idx, Frame& f, size_t& i) {
  const RValue* v = Peek(idx, f);
  if (!v || !v->IsReal()) return false;
  const double d = v->val();
  if (!(d >= 0.0 && d < kArrayDim)) return false;
  const int32_t k = static_cast<int32_t>(d);
  i = static_cast<size_t>(k);
  return k == d;
}

// The existing element [i] or [i, j] of a set local array, for indices that are constants or
// set locals holding whole numbers in range; null sends the access the general way, which
// also reports every fault. Frame slots never move, and nothing an expression runs can reach
// them.
inline RValue* QuickLocalElement(ENode* n, Frame& f) {
  LocalSlot& s = f.locals[n->aux];
  if (!s.exists) return nullptr;
  size_t row = 0, col;
  if (!QuickIndex(n->kids[0], f, col)) return nullptr;
  if (n->nidx == 2) {
    row = col;
    if (!QuickIndex(n->kids[1], f, col)) return nullptr;
  }
  if (row == 0 && col == 0) return &s.var.simplevalue;
  std::vector<std::vector<RValue>>& rows = s.var.value;
  if (row >= rows.size() || col >= rows[row].size()) return nullptr;
  return &rows[row][col];
}

bool IndexPart(ENode* idx, Frame& f, int32_t& part) {
  double d;
  RValue t;
  const Got k = Operand(idx, f, d, t);
  if (k == Got::Error) return false;
  if (k == Got::Other) return Fail(f, idx->pos, "Wrong type of array index");
  int32_t r = d >= 0.0 && d < kArrayDim && d == static_cast<int32_t>(d) ? static_cast<int32_t>(d) : RoundToInt32(d);
  if (r < 0) return Fail(f, idx->pos, "Negative array index");
  if (r >= kArrayDim) return Fail(f, idx->pos, "Array index >= 32000");
  part = r;
  return true;
}

bool Resolve(ENode* n, Frame& f, Place& p) {
  p.owner = n->owner;
  p.value = n->aux;
  p.arr = 0;
  if (n->owner == Owner::Dynamic) {
    RValue o;
    if (!Eval(n->owner_expr, f, o)) return false;
    if (!o.IsReal()) return Fail(f, n->owner_expr->pos, "Wrong type of variable index");
    int32_t v = RoundToInt32(o.val());
    if (v == kOwnerLocal) {
      p.owner = Owner::Local;
      auto it = f.prog->slot_of.find(n->id);
      p.value = it == f.prog->slot_of.end() ? -1 : it->second;
    } else {
      p.owner = Owner::Fixed;
      p.value = v;
    }
  }
  if (n->nidx >= 1) {
    int32_t i;
    if (!IndexPart(n->kids[0], f, i)) return false;
    p.arr = i;
    if (n->nidx == 2) {
      int32_t j;
      if (!IndexPart(n->kids[1], f, j)) return false;
      p.arr = i * kArrayDim + j;
    }
  }
  return true;
}

// The stored element of a user variable at a place, when it exists (locals, self, other,
// global and unqualified places); null otherwise.
RValue* Element(ENode* n, Frame& f, const Place& p) {
  switch (p.owner) {
    case Owner::Local: {
      if (p.value < 0) {
        if (!f.extra) return nullptr;
        RVariable* v = f.extra->FindHinted(n->id, n->hint);
        return v ? ElementFind(*v, p.arr) : nullptr;
      }
      LocalSlot& s = f.locals[p.value];
      return s.exists ? ElementFind(s.var, p.arr) : nullptr;
    }
    case Owner::Self: return InstanceElement(f.self, n->id, p.arr, n->hint);
    case Owner::Other: return InstanceElement(f.other, n->id, p.arr, n->hint);
    case Owner::Fixed:
      if (p.value == kOwnerGlobal || (p.value == kOwnerUnqualified && GlobalVars().IsDeclared(n->id))) {
        RVariable* v = GlobalVars().List().FindHinted(n->id, n->hint);
        return v ? ElementFind(*v, p.arr) : nullptr;
      }
      if (p.value == kOwnerUnqualified) return InstanceElement(f.self, n->id, p.arr, n->hint);
      return nullptr;
    default: return nullptr;
  }
}

// Reads the place; false when nothing is found.
bool ReadPlace(ENode* n, Frame& f, const Place& p, RValue& out) {
  switch (p.owner) {
    case Owner::Local: {
      RValue* e = Element(n, f, p);
      if (!e) return false;
      out = *e;
      return true;
    }
    case Owner::Arg: out = Arguments().slots[p.value]; return true;
    case Owner::Self: return InstanceRead(f.self, n->id, p.arr, n->hint, out);
    case Owner::Other: return InstanceRead(f.other, n->id, p.arr, n->hint, out);
    default: return OwnerRead(f.self, f.other, p.value, n->id, p.arr, n->hint, out);
  }
}

bool WritePlace(ENode* n, Frame& f, const Place& p, const RValue& v) {
  switch (p.owner) {
    case Owner::Local: {
      if (p.value < 0) {
        if (!f.extra) f.extra = std::make_unique<CVariableList>();
        f.extra->SetVar(n->id, p.arr, v);
        return true;
      }
      LocalSlot& s = f.locals[p.value];
      s.exists = true;
      if (s.var.ind != n->id) s.var.ind = n->id;
      ElementWrite(s.var, p.arr, v);
      return true;
    }
    case Owner::Arg:
      Arguments().slots[p.value] = v;
      Arguments().Written(p.value);
      return true;
    case Owner::Self: return InstanceWrite(f.self, n->id, p.arr, n->hint, v);
    case Owner::Other: return InstanceWrite(f.other, n->id, p.arr, n->hint, v);
    default: return OwnerWrite(f.self, f.other, p.value, n->id, p.arr, n->hint, v);
  }
}

bool Missing(ENode* n, Frame& f, int32_t pos, const Place& p, RValue& out) {
  if (LanguageState().uninit_zero) {
    out.SetReal(0.0);
    return true;
  }
  std::string msg = "Unknown variable " + VarNameOfId(n->id);
  if (p.arr != 0) msg += " or array index out of bounds";
  return Fail(f, pos, msg);
}

// The general path; Eval has already tried existing locals and arguments without an index.
bool EvalVar(ENode* n, Frame& f, RValue& out) {
  Place p;
  if (!Resolve(n, f, p)) return false;
  if (ReadPlace(n, f, p, out)) return true;
  return Missing(n, f, n->pos, p, out);
}

Res EvConstReal(ENode* n, Frame&, RValue&);
Res EvLocal(ENode* n, Frame& f, RValue& other);

// The rare ends of a script call, out of its path so that they cost it no registers.
[[gnu::noinline, gnu::cold]] void ScriptFailed(const std::string& name, RValue& out) {
  out.SetString("ERROR");
  PrefixCodeError("In script " + name + ":\r");
}

[[gnu::noinline]] bool CallScriptUnbound(ENode* n, Frame& f, RValue& out) {
  return CallScriptInSlots(n->id, f.self, f.other, out, true, n->n);
}

// Arguments go straight into the callee's slots, which stay out of sight until the call. A
// script whose program is lowered already runs here in line, doing what CallScriptInSlots and
// ExecuteCode would do at every call without passing through them; any other goes through them.
// kArgs: the call's argument count when it is known when the handler is chosen (the loop over
// the arguments then unrolls), else -1.
template <int32_t kArgs>
[[gnu::noinline]] bool EvalScriptCall(ENode* n, Frame& f, RValue& out) {
  Game& game = TheGame();  // the states below, each reached once per call
  RErrorsState& errors = game.State<RErrorsState>();
  {
    ArgumentSlotsScope slots(false);
    RValue* argv = slots.Pending();  // zeros: a real goes in without letting go of anything
    const int32_t argc = kArgs >= 0 ? kArgs : n->n;
    for (int32_t i = 0; i < argc; ++i) {
      ENode* a = n->kids[i];
      if (a->ev == &EvConstReal) {  // a real constant or a set local holding a real: in line
        argv[i].SetRealOverReal(a->k);
        continue;
      }
      if (a->ev == &EvLocal) {
        const LocalSlot& s = f.locals[a->aux];
        if (s.exists && s.var.simplevalue.IsReal()) {
          argv[i].SetRealOverReal(s.var.simplevalue.val());
          continue;
        }
      }
      double x;
      const Got k = Operand(a, f, x, argv[i]);
      if (k == Got::Error) return false;
      if (k == Got::Real) argv[i].SetReal(x);
    }
    if (!CanNest()) return Fail(f, n->pos, kMsgNestingTooDeep);
    const TResourceList<CScript>& scripts = game.State<RScriptsState>().scripts;
    const CScript* script = scripts.Get(n->id);
    CCode* code = script ? script->s_code.get() : nullptr;
    if (code && code == n->callee_code && code->i_exec.get() == n->callee) [[likely]] {
      // lowered, a compiled program whose root is a block: checked when it was bound
    } else if (code && code->i_exec && code->i_kind == CCode::kProgram && code->i_compiled && code->i_token &&
               code->i_exec->root_kind == NodeKind::Block) {
      n->callee_code = code;
      n->callee = code->i_exec.get();
    } else {
      code = nullptr;
    }
    if (!code || !f.self || !f.other) [[unlikely]] {
      slots.Enter(argc);
      if (!CallScriptUnbound(n, f, out)) return false;
    } else {
      const std::string& name = scripts.NameOf(n->id);
      struct Saved {  // argument_count and the running script's name, put back on every path
        RArgumentState& a;
        int32_t count;
        std::string_view name;
        ~Saved() {
          a.count = count;
          a.script_name = name;
        }
      } saved{Arguments(), Arguments().count, Arguments().script_name};
      saved.a.count = argc;
      saved.a.script_name = name;
      slots.Enter(argc);
      out.SetReal(0.0);
      if (!errors.error.Clear()) [[unlikely]]
        ClearCodeError();
      if (!RunLoweredBlock(f.self, f.other, *code, *n->callee, out)) [[unlikely]]
        ScriptFailed(name, out);
      if (game.State<RLanguageState>().script_arg_errors && !ScriptArgumentsFit(n->id, *code, argc)) return false;
    }
  }
  // An error inside the script: shown now, while it names its place.
  if (errors.error.pending) ShowPendingCodeError();
  return true;
}

[[gnu::noinline]] bool EvalCall(ENode* n, Frame& f, RValue& out) {
  if (n->op == Op::CallScript && n->n <= kMaxFunctionArgs) return EvalScriptCall<-1>(n, f, out);
  RValue argv[kMaxFunctionArgs];
  for (int32_t i = 0; i < n->n; ++i) {
    double x;
    const Got k = Operand(n->kids[i], f, x, argv[i]);
    if (k == Got::Error) return false;
    if (k == Got::Real) argv[i].SetReal(x);
  }
  switch (n->op) {
    case Op::CallBuiltin:
      out.SetReal(0.0);
      n->fn(f.self, f.other, n->n, argv, out);
      return true;
    case Op::CallScript:
      if (!CanNest()) return Fail(f, n->pos, kMsgNestingTooDeep);
      if (!CallScript(n->id, f.self, f.other, out, true, argv, n->n)) return false;
      ShowPendingCodeError();  // an error inside the script: shown now, while it names its place
      return true;
    default: return CallExtensionFunction(n->id, f.self, f.other, out, argv, n->n);
  }
}

inline bool IsInt32(double v) { return v >= -2147483648.0 && v <= 2147483647.0 && v == static_cast<int32_t>(v); }

// Integer quotient of two whole reals in the int32 range, as the integer division does it;
// false when it leaves that range. A 32-bit divide is much cheaper than a 64-bit one.
inline bool WholeQuotient(double a, double b, int64_t& q) {
  const int32_t ia = static_cast<int32_t>(a), ib = static_cast<int32_t>(b);
  q = ib == -1 ? -static_cast<int64_t>(ia) : static_cast<int64_t>(ia / ib);
  return q <= INT32_MAX;
}

// The binary operators on two reals; false for the cases BinaryOp must decide (division by
// zero, integer division of fractions, operators only texts take).
inline bool RealBinary(int32_t op, double a, double b, double& d) {
  switch (op) {
    case sym::kPlus: d = a + b; return true;
    case sym::kMinus: d = a - b; return true;
    case sym::kMul: d = a * b; return true;
    case sym::kDivide:
      if (b == 0.0) return false;
      d = a / b;
      return true;
    // Whole operands: integer division gives trunc(a / b) exactly (no quotient of two
    // 32-bit integers rounds across an integer), then the shared formulas.
    case sym::kDiv:
      if (b != 0.0 && IsInt32(a) && IsInt32(b)) {
        int64_t q;
        if (WholeQuotient(a, b, q)) {
          d = static_cast<double>(q);
          return true;
        }
      }
      return false;
    case sym::kMod:
      if (b != 0.0 && IsInt32(a) && IsInt32(b)) {
        int64_t q;
        if (WholeQuotient(a, b, q)) {
          d = a - static_cast<double>(q) * b;
          return true;
        }
      }
      return false;
    case sym::kAssign:
    case sym::kEqual:
    case sym::kNotEqual:
    case sym::kLess:
    case sym::kLessEqual:
    case sym::kGreater:
    case sym::kGreaterEqual: d = CompareDifference(op, a - b); return true;
    case sym::kAnd: d = BoolReal(IsTrue(a) && IsTrue(b)); return true;
    case sym::kOr: d = BoolReal(IsTrue(a) || IsTrue(b)); return true;
    default: return false;
  }
}

inline Got Split(RValue& v, double& d) {
  if (!v.IsReal()) return Got::Other;
  d = v.val();
  return Got::Real;
}

// BinaryOp on two evaluated operands, the result in other.
Got BinaryFinish(ENode* n, Frame& f, const RValue& lo, const RValue& ro, double& d, RValue& other) {
  if (const char* err = BinaryOp(n->sub, lo, ro, other)) {
    Fail(f, n->kids[1]->pos, err);
    return Got::Error;
  }
  return Split(other, d);
}

// A binary node whose left operand, in other, is not a real.
[[gnu::noinline]] Got BinaryAfterLeft(ENode* n, Frame& f, RValue& other, double& d) {
  RValue lo = std::move(other), ro;
  double b;
  const Got r = Operand(n->kids[1], f, b, ro);
  if (r == Got::Error) return Got::Error;
  if (r == Got::Real) ro.SetReal(b);
  return BinaryFinish(n, f, lo, ro, d, other);
}

// A binary node with a real left operand a whose right one (b, or in other) leaves it to BinaryOp.
[[gnu::noinline]] Got BinaryAfterReals(ENode* n, Frame& f, double a, Got r, double b, RValue& other, double& d) {
  RValue lo(a), ro;
  if (r == Got::Real)
    ro.SetReal(b);
  else
    ro = std::move(other);
  return BinaryFinish(n, f, lo, ro, d, other);
}

// The general expression handler: whatever no specialised handler took.
Got EvalRealSlow(ENode* n, Frame& f, double& d, RValue& other) {
  switch (n->op) {
    case Op::Const:
      if (n->value.IsReal()) {
        d = n->value.val();
        return Got::Real;
      }
      other = n->value;
      return Got::Other;
    case Op::Var:
      if (n->nidx == 0 && n->owner == Owner::Local) {
        LocalSlot& s = f.locals[n->aux];
        if (s.exists) {
          if (s.var.simplevalue.IsReal()) {
            d = s.var.simplevalue.val();
            return Got::Real;
          }
          other = s.var.simplevalue;
          return Got::Other;
        }
      } else if (n->nidx == 0 && n->owner == Owner::Arg) {
        const RValue& a = Arguments().slots[n->aux];
        if (a.IsReal()) {
          d = a.val();
          return Got::Real;
        }
        other = a;
        return Got::Other;
      }
      break;
    case Op::Binary: {  // no RValue on the path of two reals
      double a, b;
      const Got l = Operand(n->kids[0], f, a, other);
      if (l == Got::Error) return Got::Error;
      if (l == Got::Other) return BinaryAfterLeft(n, f, other, d);
      const Got r = Operand(n->kids[1], f, b, other);
      if (r == Got::Error) return Got::Error;
      if (r == Got::Real && RealBinary(n->sub, a, b, d)) return Got::Real;
      return BinaryAfterReals(n, f, a, r, b, other, d);
    }
    case Op::Unary:
      if (n->sub == sym::kMinus) {
        const Got k = EvalReal(n->kids[0], f, d, other);
        if (k == Got::Real) d = -d;
        if (k != Got::Other) return k;
        if (const char* err = UnaryOp(n->sub, other, other)) {
          Fail(f, n->kids[0]->pos, err);
          return Got::Error;
        }
        return Split(other, d);
      }
      break;
    default: break;
  }
  if (!Eval(n, f, other)) return Got::Error;
  return Split(other, d);
}

bool EvalBinary(ENode* n, Frame& f, RValue& out) {
  double d;
  RValue v;
  switch (EvalReal(n, f, d, v)) {
    case Got::Real: out.SetReal(d); return true;
    case Got::Other: out = std::move(v); return true;
    default: return false;
  }
}

bool Eval(ENode* n, Frame& f, RValue& out) {
  switch (n->op) {
    case Op::Const: out = n->value; return true;
    case Op::Var:
      if (n->nidx == 0) {  // the common case, kept inline: a local or an argument
        if (n->owner == Owner::Local) {
          LocalSlot& s = f.locals[n->aux];
          if (s.exists) {
            out = s.var.simplevalue;
            return true;
          }
        } else if (n->owner == Owner::Arg) {
          out = Arguments().slots[n->aux];
          return true;
        }
      } else if (n->owner == Owner::Local) {
        if (const RValue* e = QuickLocalElement(n, f)) {
          out = *e;
          return true;
        }
      }
      return EvalVar(n, f, out);
    case Op::Binary: return EvalBinary(n, f, out);
    case Op::Unary: {
      if (!Eval(n->kids[0], f, out)) return false;
      if (out.IsReal() && n->sub == sym::kMinus) {
        out.SetReal(-out.val());
        return true;
      }
      if (const char* err = UnaryOp(n->sub, out, out)) return Fail(f, n->kids[0]->pos, err);
      return true;
    }
    case Op::CallBuiltin:
    case Op::CallScript:
    case Op::CallExtension: return EvalCall(n, f, out);
    default: return Fail(f, n->pos, "(Sub-)expression expected.");
  }
}

// ---------------------------------------------------------------------------------------------
// Statements.

Outcome AssignValue(ENode* n, Frame& f, const Place& p, RValue& v);

Outcome ExecAssign(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  if (target->owner == Owner::Local && target->nidx == 0) {
    LocalSlot& s = f.locals[target->aux];
    double x;
    RValue v;  // a failing right side must leave the result slot as it was
    const Got k = Operand(n->kids[1], f, x, v);
    if (k == Got::Error) return Outcome::Error;
    if (n->sub == 0) {  // plain local = value
      s.exists = true;
      s.var.ind = target->id;
      if (k == Got::Real) {
        s.var.simplevalue.SetReal(x);
        f.result->SetReal(x);
      } else {
        s.var.simplevalue = v;
        *f.result = std::move(v);
      }
      return Outcome::Normal;
    }
    if (k == Got::Real && s.exists && s.var.simplevalue.IsReal()) {
      double cur = s.var.simplevalue.val();
      switch (n->sub) {
        case sym::kPlus: cur += x; break;
        case sym::kMinus: cur -= x; break;
        case sym::kMul: cur *= x; break;
        default: v.SetReal(x); return AssignValue(n, f, Place{Owner::Local, target->aux, 0}, v);
      }
      s.var.simplevalue.SetReal(cur);
      f.result->SetReal(cur);
      return Outcome::Normal;
    }
    if (k == Got::Real) v.SetReal(x);
    return AssignValue(n, f, Place{Owner::Local, target->aux, 0}, v);
  }
  if (target->owner == Owner::Local) {  // an existing local a[i] or a[i, j]
    if (RValue* e = QuickLocalElement(target, f)) {
      double x;
      RValue v;
      const Got k = Operand(n->kids[1], f, x, v);
      if (k == Got::Error) return Outcome::Error;
      if (k == Got::Real && (n->sub == 0 || e->IsReal())) {
        double now = x;
        bool done = true;
        switch (n->sub) {
          case 0: break;
          case sym::kPlus: now = e->val() + x; break;
          case sym::kMinus: now = e->val() - x; break;
          case sym::kMul: now = e->val() * x; break;
          default: done = false;
        }
        if (done) {
          e->SetReal(now);
          f.result->SetReal(now);
          return Outcome::Normal;
        }
      }
      if (k == Got::Real) v.SetReal(x);
      Place p{Owner::Local, target->aux, 0};
      if (!Resolve(target, f, p)) return Outcome::Error;
      return AssignValue(n, f, p, v);
    }
  }
  Place p{target->owner, target->aux, 0};
  if ((target->nidx != 0 || target->owner == Owner::Dynamic) && !Resolve(target, f, p)) return Outcome::Error;
  RValue v;
  if (!Eval(n->kids[1], f, v)) return Outcome::Error;
  return AssignValue(n, f, p, v);
}

// The rest of an assignment once its place is resolved and its value v evaluated.
Outcome AssignValue(ENode* n, Frame& f, const Place& p, RValue& v) {
  ENode* target = n->kids[0];
  if (n->sub == 0) {
    if (!WritePlace(target, f, p, v)) return FailOutcome(f, n->pos, "Cannot assign to the variable");
    *f.result = std::move(v);
    return Outcome::Normal;
  }
  RValue* cur;
  if (target->owner == Owner::Local && target->nidx == 0) {
    LocalSlot& s = f.locals[target->aux];
    cur = s.exists ? &s.var.simplevalue : nullptr;
  } else {
    cur = Element(target, f, p);
  }
  if (cur) {
    // Combine in place: no copy of the current value, and an unshared text grows where it is.
    if (cur->IsReal() && v.IsReal()) {
      switch (n->sub) {
        case sym::kPlus: cur->SetReal(cur->val() + v.val()); *f.result = *cur; return Outcome::Normal;
        case sym::kMinus: cur->SetReal(cur->val() - v.val()); *f.result = *cur; return Outcome::Normal;
        case sym::kMul: cur->SetReal(cur->val() * v.val()); *f.result = *cur; return Outcome::Normal;
        default: break;
      }
    } else if (n->sub == sym::kPlus && cur->IsString() && v.IsString() &&
               cur->str().size() + v.str().size() <= kMaxStringBytes) {
      f.result->SetReal(0.0);  // the statement cannot fail now; drop the slot's share of the text
    }
    if (const char* err = BinaryOp(n->sub, *cur, v, *cur)) return FailOutcome(f, n->pos, err);
    *f.result = *cur;
    return Outcome::Normal;
  }
  RValue now;
  if (!ReadPlace(target, f, p, now) && !Missing(target, f, n->pos, p, now)) return Outcome::Error;
  if (const char* err = BinaryOp(n->sub, now, v, now)) return FailOutcome(f, n->pos, err);
  if (!WritePlace(target, f, p, now)) return FailOutcome(f, n->pos, "Cannot assign to the variable");
  *f.result = std::move(now);
  return Outcome::Normal;
}

// Evaluates a condition; false after reporting msg for a string.
inline bool Condition(ENode* c, Frame& f, const char* msg, bool& truth) {
  double d;
  RValue v;
  switch (Operand(c, f, d, v)) {
    case Got::Real: truth = IsTrue(d); return true;
    case Got::Other: return Fail(f, c->pos, msg);
    default: return false;
  }
}

// Runs a loop body; true to go on with the loop, otherwise out holds the loop's outcome.
bool LoopBody(ENode* body, Frame& f, Outcome& out) {
  Outcome o = Exec(body, f);
  if (Stopping()) [[unlikely]] o = Outcome::Error;
  if (o == Outcome::Normal || o == Outcome::Continue) return true;
  out = o == Outcome::Break ? Outcome::Normal : o;
  return false;
}

Outcome ExecFor(ENode* n, Frame& f) {
  RValue scratch;
  RValue* slot = f.result;
  auto header = [&](ENode* s) {
    f.result = &scratch;
    Outcome o = Exec(s, f);
    f.result = slot;
    return o;
  };
  Outcome o = header(n->kids[0]);
  if (o != Outcome::Normal) return o;
  for (;;) {
    bool go;
    if (!Condition(n->kids[1], f, "Expression expected", go)) return Outcome::Error;
    if (!go) return Outcome::Normal;
    if (!LoopBody(n->kids[3], f, o)) return o;
    o = header(n->kids[2]);
    if (o != Outcome::Normal) return o;
  }
}

[[gnu::noinline]] Outcome ExecWith(ENode* n, Frame& f) {
  RValue ov;
  if (!Eval(n->kids[0], f, ov)) return Outcome::Error;
  if (!ov.IsReal()) return FailOutcome(f, n->kids[0]->pos, "Object id expected");
  int32_t o = RoundToInt32(ov.val());
  if (o == kOwnerLocal) return FailOutcome(f, n->kids[0]->pos, "Cannot use local in with statement.");
  if (o == kOwnerGlobal) return FailOutcome(f, n->kids[0]->pos, "Cannot use global in with statement.");

  CInstance* const self = f.self;
  CInstance* const other = f.other;
  struct Restore {
    Frame& f;
    CInstance* self;
    CInstance* other;
    ~Restore() {
      f.self = self;
      f.other = other;
    }
  } restore{f, self, other};
  ENode* body = n->kids[1];
  ExecHost& host = GetExecHost();
  Outcome out = Outcome::Normal;
  auto run = [&](CInstance* inst) {
    f.self = inst;
    f.other = self;
    return LoopBody(body, f, out);
  };

  if (o == kOwnerNoone) return Outcome::Normal;
  if (o == kOwnerOther) {
    run(other);
    return out;
  }
  if (o == kOwnerSelf || o == kOwnerUnqualified) {
    run(self);
    return out;
  }
  if (o >= kFirstUserVarId) {
    CInstance* inst = host.InstanceById(o);
    if (inst && !host.IsMarked(inst)) run(inst);
    return out;
  }
  if (o == kOwnerAll) {
    int32_t count = host.RoomInstanceCount();
    for (int32_t i = 0; i < count && i < host.RoomInstanceCount(); ++i) {
      CInstance* inst = host.RoomInstanceAt(i);
      if (inst && !host.IsMarked(inst) && !run(inst)) break;
    }
    return out;
  }
  if (o < 0) return Outcome::Normal;
  int32_t count = host.ObjectInstanceCount(o);
  for (int32_t i = 0; i < count && i < host.ObjectInstanceCount(o); ++i) {
    CInstance* inst = host.ObjectInstanceAt(o, i);
    if (inst && !host.IsMarked(inst) && !run(inst)) break;
  }
  return out;
}

bool CaseMatches(const RValue& a, const RValue& b) {
  if (a.IsReal() && b.IsReal()) return a.val() == b.val();
  return a.IsString() && b.IsString() && a.str() == b.str();
}

Outcome SwitchOn(ENode* n, Frame& f, const RValue& v, int32_t from);

Outcome ExecSwitch(ENode* n, Frame& f) {
  RValue v;
  if (!Eval(n->kids[0], f, v)) return Outcome::Error;
  return SwitchOn(n, f, v, 1);
}

// The rest of a switch on its value v, looking for the label from kid `from` on.
Outcome SwitchOn(ENode* n, Frame& f, const RValue& v, int32_t from) {
  int32_t start = -1;
  for (int32_t i = from; i < n->n && start < 0; ++i) {
    ENode* s = n->kids[i];
    if (s->op == Op::Default) {
      start = i + 1;
    } else if (s->op == Op::Case) {
      if (s->kids[0]->op == Op::Const) {  // the usual case label: nothing to run or copy
        if (CaseMatches(v, s->kids[0]->value)) start = i + 1;
        continue;
      }
      RValue c;
      if (!Eval(s->kids[0], f, c)) return Outcome::Error;
      if (CaseMatches(v, c)) start = i + 1;
    }
  }
  if (start < 0) return Outcome::Normal;
  for (int32_t i = start; i < n->n; ++i) {
    ENode* s = n->kids[i];
    if (s->op == Op::Case || s->op == Op::Default) continue;
    Outcome o = Exec(s, f);
    if (o == Outcome::Break) return Outcome::Normal;
    if (o != Outcome::Normal) return o;
  }
  return Outcome::Normal;
}

// The general statement handler.
Outcome ExecSlow(ENode* n, Frame& f) {
  switch (n->op) {
    case Op::Block:
      for (int32_t i = 0; i < n->n; ++i) {
        Outcome o = Exec(n->kids[i], f);
        if (o != Outcome::Normal) return o;
      }
      return Outcome::Normal;
    case Op::Assign: return ExecAssign(n, f);
    case Op::CallBuiltin:
    case Op::CallScript:
    case Op::CallExtension: return EvalCall(n, f, *f.result) ? Outcome::Normal : Outcome::Error;
    case Op::If: {
      bool c;
      if (!Condition(n->kids[0], f, "Expression expected", c)) return Outcome::Error;
      if (c) return Exec(n->kids[1], f);
      return n->n > 2 ? Exec(n->kids[2], f) : Outcome::Normal;
    }
    case Op::While:
      for (;;) {
        bool c;
        if (!Condition(n->kids[0], f, "Boolean expression expected", c)) return Outcome::Error;
        if (!c) return Outcome::Normal;
        Outcome o;
        if (!LoopBody(n->kids[1], f, o)) return o;
      }
    case Op::Do:
      for (;;) {
        Outcome o;
        if (!LoopBody(n->kids[0], f, o)) return o;
        bool c;
        if (!Condition(n->kids[1], f, "Boolean expression expected", c)) return Outcome::Error;
        if (c) return Outcome::Normal;
      }
    case Op::For: return ExecFor(n, f);
    case Op::Repeat: {
      RValue c;
      if (!Eval(n->kids[0], f, c)) return Outcome::Error;
      if (!c.IsReal()) return FailOutcome(f, n->kids[0]->pos, "Repeat count must be a number");
      int64_t count = RoundToInt64(c.val());
      for (int64_t i = 0; i < count; ++i) {
        Outcome o;
        if (!LoopBody(n->kids[1], f, o)) return o;
      }
      return Outcome::Normal;
    }
    case Op::With: return ExecWith(n, f);
    case Op::Switch: return ExecSwitch(n, f);
    case Op::Exit: return Outcome::Exit;
    case Op::Break: return Outcome::Break;
    case Op::Continue: return Outcome::Continue;
    case Op::Return: {
      double x;
      RValue v;  // a failing value must leave the result slot as it was
      const Got k = Operand(n->kids[0], f, x, v);
      if (k == Got::Error) return Outcome::Error;
      if (k == Got::Real)
        f.result->SetReal(x);
      else
        *f.result = std::move(v);
      return Outcome::Exit;
    }
    case Op::Empty: return Outcome::Normal;
    case Op::GlobalDecl:
      for (int32_t i = 0; i < n->n; ++i) GlobalVars().Declare(n->kids[i]->id);
      return Outcome::Normal;
    case Op::Case: return FailOutcome(f, n->pos, "Case statement only allowed inside switch statement.");
    case Op::Default:
      return FailOutcome(f, n->pos, "Default statement only allowed inside switch statement.");
    default: return FailOutcome(f, n->pos, "Statement expected.");
  }
}

// ---------------------------------------------------------------------------------------------
// Specialised handlers. Each does exactly what the general handlers do for its case, in the
// same order, and hands anything unusual (a text, a missing variable, an operator error) to
// the general path.

Res EvGeneric(ENode* n, Frame& f, RValue& other) {
  double d = 0.0;
  const Got g = EvalRealSlow(n, f, d, other);
  return {d, g};
}

Outcome ExGeneric(ENode* n, Frame& f) { return ExecSlow(n, f); }

Res EvConstReal(ENode* n, Frame&, RValue&) { return {n->k, Got::Real}; }

Res EvLocal(ENode* n, Frame& f, RValue& other) {
  const LocalSlot& s = f.locals[n->aux];
  if (s.exists && s.var.simplevalue.IsReal()) [[likely]]
    return {s.var.simplevalue.val(), Got::Real};
  return EvGeneric(n, f, other);
}

Res EvArg(ENode* n, Frame& f, RValue& other) {
  const RValue& a = Arguments().slots[n->aux];
  if (a.IsReal()) [[likely]]
    return {a.val(), Got::Real};
  return EvGeneric(n, f, other);
}

Res EvLocalElement(ENode* n, Frame& f, RValue& other) {
  if (const RValue* e = QuickLocalElement(n, f)) {
    if (e->IsReal()) return {e->val(), Got::Real};
  }
  return EvGeneric(n, f, other);
}

// What an operand is known to be before the code runs. Arguments are read in line only on the
// left, where scripts have them (argument0 < 2, argument0 * 2); on the right they count as Any,
// which keeps the number of handlers down.
// An element a[i] of a local array with a local index (Elem) is read in line on the left and
// as an assignment's source (p[i] == 1, s += a[i]); on the right it counts as Any.
enum class Kind : uint8_t { Any, Local, Const, Arg, Elem };

Kind KindOf(const ENode* n) {
  if (n->op == Op::Const && n->value.IsReal()) return Kind::Const;
  if (n->op == Op::Var && n->owner == Owner::Local && n->nidx == 0) return Kind::Local;
  if (n->op == Op::Var && n->owner == Owner::Arg && n->nidx == 0) return Kind::Arg;
  if (n->op == Op::Var && n->owner == Owner::Local && n->nidx == 1 && KindOf(n->kids[0]) == Kind::Local)
    return Kind::Elem;
  return Kind::Any;
}

// Handler tables are indexed [left kind][right kind].
inline int LeftIndex(Kind k) { return static_cast<int>(k); }
inline int RightIndex(Kind k) { return k == Kind::Elem ? static_cast<int>(Kind::Any) : static_cast<int>(k); }
// Assignment handler tables are indexed [source kind]; an argument source counts as Any.
inline int SourceIndex(Kind k) {
  switch (k) {
    case Kind::Local: return 1;
    case Kind::Const: return 2;
    case Kind::Elem: return 3;
    default: return 0;
  }
}

// A whole index in range held by an operand of a known kind (a constant or a local, which run
// nothing); false sends the access the general way.
template <Kind ik>
[[gnu::always_inline]] inline bool KnownIndex(ENode* idx, Frame& f, size_t& i) {
  double d;
  if constexpr (ik == Kind::Const) {
    d = idx->k;
  } else {
    const LocalSlot& s = f.locals[idx->aux];
    if (!s.exists || !s.var.simplevalue.IsReal()) return false;
    d = s.var.simplevalue.val();
  }
  if (!(d >= 0.0 && d < kArrayDim)) return false;
  const int32_t k = static_cast<int32_t>(d);
  i = static_cast<size_t>(k);
  return k == d;
}

// The existing element [i] of a set local array, i of kind ik; null otherwise. The same element
// QuickLocalElement finds, without asking what the index node is.
template <Kind ik>
[[gnu::always_inline]] inline RValue* KnownElement(ENode* n, Frame& f) {
  LocalSlot& s = f.locals[n->aux];
  if (!s.exists) return nullptr;
  size_t col;
  if (!KnownIndex<ik>(n->kids[0], f, col)) return nullptr;
  if (col == 0) return &s.var.simplevalue;
  std::vector<std::vector<RValue>>& rows = s.var.value;
  if (rows.empty() || col >= rows[0].size()) return nullptr;
  return &rows[0][col];
}

template <Kind kind>
[[gnu::always_inline]] inline Got Fetch(ENode* n, Frame& f, double& d, RValue& other) {
  if constexpr (kind == Kind::Const) {
    d = n->k;
    return Got::Real;
  } else {
    if constexpr (kind == Kind::Local) {
      const LocalSlot& s = f.locals[n->aux];
      if (s.exists && s.var.simplevalue.IsReal()) [[likely]] {
        d = s.var.simplevalue.val();
        return Got::Real;
      }
    }
    if constexpr (kind == Kind::Arg) {
      const RValue& a = Arguments().slots[n->aux];
      if (a.IsReal()) [[likely]] {
        d = a.val();
        return Got::Real;
      }
    }
    if constexpr (kind == Kind::Elem) {
      if (const RValue* e = KnownElement<Kind::Local>(n, f); e && e->IsReal()) [[likely]] {
        d = e->val();
        return Got::Real;
      }
    }
    const Res r = n->ev(n, f, other);
    d = r.d;
    return r.g;
  }
}

// op 0: the node's own operator, for the operators only texts or integers take.
// Integer division and remainder by a constant that Bind found whole, in the int32 range and
// neither 0 nor -1 (marked by aux 1): only the left operand needs checking.
template <int32_t op>
[[gnu::always_inline]] inline bool ByWholeConstant(double a, double b, double& d) {
  if (!IsInt32(a)) return false;
  const int32_t q = static_cast<int32_t>(a) / static_cast<int32_t>(b);
  d = op == sym::kDiv ? static_cast<double>(q) : a - static_cast<double>(q) * b;
  return true;
}

template <int32_t op, Kind lk, Kind rk>
[[gnu::always_inline]] inline Res BinaryBody(ENode* n, Frame& f, RValue& other) {
  double a, b, d;
  const Got l = Fetch<lk>(n->kids[0], f, a, other);
  if (l != Got::Real) [[unlikely]] {
    if (l == Got::Error) return {0.0, Got::Error};
    const Got g = BinaryAfterLeft(n, f, other, d);
    return {d, g};
  }
  const Got r = Fetch<rk>(n->kids[1], f, b, other);
  if constexpr (rk == Kind::Const && (op == sym::kDiv || op == sym::kMod)) {
    if (n->aux == 1 && ByWholeConstant<op>(a, b, d)) [[likely]]
      return {d, Got::Real};
  }
  if (r == Got::Real && RealBinary(op ? op : n->sub, a, b, d)) [[likely]]
    return {d, Got::Real};
  if (r == Got::Error) return {0.0, Got::Error};
  const Got g = BinaryAfterReals(n, f, a, r, b, other, d);
  return {d, g};
}

template <int32_t op, Kind lk, Kind rk>
Res EvBinary(ENode* n, Frame& f, RValue& other) {
  return BinaryBody<op, lk, rk>(n, f, other);
}

template <int32_t op>
EvalFn BinaryFor(Kind lk, Kind rk) {
  static constexpr EvalFn kTable[5][4] = {
      {&EvBinary<op, Kind::Any, Kind::Any>, &EvBinary<op, Kind::Any, Kind::Local>, &EvBinary<op, Kind::Any, Kind::Const>,
       &EvBinary<op, Kind::Any, Kind::Arg>},
      {&EvBinary<op, Kind::Local, Kind::Any>, &EvBinary<op, Kind::Local, Kind::Local>, &EvBinary<op, Kind::Local, Kind::Const>,
       &EvBinary<op, Kind::Local, Kind::Arg>},
      {&EvBinary<op, Kind::Const, Kind::Any>, &EvBinary<op, Kind::Const, Kind::Local>, &EvBinary<op, Kind::Const, Kind::Const>,
       &EvBinary<op, Kind::Const, Kind::Arg>},
      {&EvBinary<op, Kind::Arg, Kind::Any>, &EvBinary<op, Kind::Arg, Kind::Local>, &EvBinary<op, Kind::Arg, Kind::Const>,
       &EvBinary<op, Kind::Arg, Kind::Arg>},
      {&EvBinary<op, Kind::Elem, Kind::Any>, &EvBinary<op, Kind::Elem, Kind::Local>, &EvBinary<op, Kind::Elem, Kind::Const>,
       &EvBinary<op, Kind::Elem, Kind::Arg>}};
  return kTable[LeftIndex(lk)][RightIndex(rk)];
}

EvalFn BinaryHandler(int32_t op, Kind lk, Kind rk) {
  switch (op) {
    case sym::kPlus: return BinaryFor<sym::kPlus>(lk, rk);
    case sym::kMinus: return BinaryFor<sym::kMinus>(lk, rk);
    case sym::kMul: return BinaryFor<sym::kMul>(lk, rk);
    case sym::kDivide: return BinaryFor<sym::kDivide>(lk, rk);
    case sym::kDiv: return BinaryFor<sym::kDiv>(lk, rk);
    case sym::kMod: return BinaryFor<sym::kMod>(lk, rk);
    case sym::kAssign:
    case sym::kEqual: return BinaryFor<sym::kEqual>(lk, rk);
    case sym::kNotEqual: return BinaryFor<sym::kNotEqual>(lk, rk);
    case sym::kLess: return BinaryFor<sym::kLess>(lk, rk);
    case sym::kLessEqual: return BinaryFor<sym::kLessEqual>(lk, rk);
    case sym::kGreater: return BinaryFor<sym::kGreater>(lk, rk);
    case sym::kGreaterEqual: return BinaryFor<sym::kGreaterEqual>(lk, rk);
    case sym::kAnd: return BinaryFor<sym::kAnd>(lk, rk);
    case sym::kOr: return BinaryFor<sym::kOr>(lk, rk);
    default: return BinaryFor<0>(lk, rk);
  }
}

Res EvNegate(ENode* n, Frame& f, RValue& other) {
  ENode* k = n->kids[0];
  const Res r = k->ev(k, f, other);
  if (r.g == Got::Real) [[likely]]
    return {-r.d, Got::Real};
  if (r.g == Got::Error) return r;
  if (const char* err = UnaryOp(n->sub, other, other)) {
    Fail(f, k->pos, err);
    return {0.0, Got::Error};
  }
  double d = 0.0;
  const Got g = Split(other, d);
  return {d, g};
}

template <int32_t kArgs>
Res EvCallScript(ENode* n, Frame& f, RValue& other) {
  if (!EvalScriptCall<kArgs>(n, f, other)) return {0.0, Got::Error};
  double d = 0.0;
  const Got g = Split(other, d);
  return {d, g};
}

Res EvCall(ENode* n, Frame& f, RValue& other) {
  if (!EvalCall(n, f, other)) return {0.0, Got::Error};
  double d = 0.0;
  const Got g = Split(other, d);
  return {d, g};
}

// A built-in call with N arguments (at most kMaxBuiltinInline): the arguments go into an array
// of exactly that many values on this frame, as routines read only the arguments they are
// given, so setting up and releasing the array costs nothing for slots the call never has.
constexpr int32_t kMaxBuiltinInline = 4;

template <int32_t N>
[[gnu::always_inline]] inline bool CallBuiltinN(ENode* n, Frame& f, RValue& out) {
  RValue argv[N > 0 ? N : 1];
  for (int32_t i = 0; i < N; ++i) {
    ENode* k = n->kids[i];
    const Res r = k->ev(k, f, argv[i]);
    if (r.g == Got::Error) [[unlikely]]
      return false;
    if (r.g == Got::Real) argv[i].SetReal(r.d);
  }
  out.SetReal(0.0);
  n->fn(f.self, f.other, N, argv, out);
  return true;
}

template <int32_t N>
Res EvCallBuiltin(ENode* n, Frame& f, RValue& other) {
  if (!CallBuiltinN<N>(n, f, other)) [[unlikely]]
    return {0.0, Got::Error};
  double d = 0.0;
  const Got g = Split(other, d);
  return {d, g};
}

template <int32_t N>
Outcome ExCallBuiltin(ENode* n, Frame& f) {
  return CallBuiltinN<N>(n, f, *f.result) ? Outcome::Normal : Outcome::Error;
}

Outcome ExBlock(ENode* n, Frame& f) {
  for (int32_t i = 0; i < n->n; ++i) {
    ENode* k = n->kids[i];
    const Outcome o = k->ex(k, f);
    if (o != Outcome::Normal) [[unlikely]]
      return o;
  }
  return Outcome::Normal;
}

// A loop's body: a block runs its statements here, which saves a dispatch on every pass.
[[gnu::always_inline]] inline Outcome RunBody(ENode* body, Frame& f) {
  if (body->ex != &ExBlock) return body->ex(body, f);
  for (int32_t i = 0; i < body->n; ++i) {
    ENode* k = body->kids[i];
    const Outcome o = k->ex(k, f);
    if (o != Outcome::Normal) [[unlikely]]
      return o;
  }
  return Outcome::Normal;
}

Outcome ExEmpty(ENode*, Frame&) { return Outcome::Normal; }

Outcome ExCall(ENode* n, Frame& f) { return EvalCall(n, f, *f.result) ? Outcome::Normal : Outcome::Error; }

// A plain local without an index, assigned with =, +=, -= or *= (sub 0 or the operator), from
// a source of kind sk (a constant or a local is read in line, anything else through its handler).
template <int32_t sub, Kind sk>
Outcome ExAssignLocal(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  LocalSlot& s = f.locals[target->aux];
  RValue v;  // a failing right side must leave the result slot as it was
  Res r;
  r.g = Fetch<sk>(n->kids[1], f, r.d, v);
  if (r.g == Got::Error) return Outcome::Error;
  if constexpr (sub == 0) {
    s.exists = true;
    s.var.ind = target->id;
    if (r.g == Got::Real) {
      s.var.simplevalue.SetReal(r.d);
      f.result->SetReal(r.d);
    } else {
      s.var.simplevalue = v;
      *f.result = std::move(v);
    }
    return Outcome::Normal;
  } else {
    if (r.g == Got::Real && s.exists && s.var.simplevalue.IsReal()) [[likely]] {
      double cur = s.var.simplevalue.val();
      if constexpr (sub == sym::kPlus) cur += r.d;
      if constexpr (sub == sym::kMinus) cur -= r.d;
      if constexpr (sub == sym::kMul) cur *= r.d;
      s.var.simplevalue.SetReal(cur);
      f.result->SetReal(cur);
      return Outcome::Normal;
    }
    if (r.g == Got::Real) v.SetReal(r.d);
    return AssignValue(n, f, Place{Owner::Local, target->aux, 0}, v);
  }
}

inline bool Truth(ENode* c, Frame& f, const char* msg, bool& truth) {
  RValue v;
  const Res r = c->ev(c, f, v);
  if (r.g == Got::Real) [[likely]] {
    truth = IsTrue(r.d);
    return true;
  }
  if (r.g == Got::Other) Fail(f, c->pos, msg);
  return false;
}

Outcome ExIf(ENode* n, Frame& f) {
  bool c;
  if (!Truth(n->kids[0], f, "Expression expected", c)) return Outcome::Error;
  ENode* b = c ? n->kids[1] : n->n > 2 ? n->kids[2] : nullptr;
  return b ? b->ex(b, f) : Outcome::Normal;
}

Outcome ExWhile(ENode* n, Frame& f) {
  ENode* cond = n->kids[0];
  ENode* body = n->kids[1];
  for (;;) {
    bool c;
    if (!Truth(cond, f, "Boolean expression expected", c)) return Outcome::Error;
    if (!c) return Outcome::Normal;
    const Outcome o = RunBody(body, f);
    if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
    if (Stopping()) [[unlikely]] return Outcome::Error;
  }
}

Outcome ExFor(ENode* n, Frame& f) {
  ENode* cond = n->kids[1];
  ENode* step = n->kids[2];
  ENode* body = n->kids[3];
  RValue scratch;
  RValue* const slot = f.result;
  f.result = &scratch;
  Outcome o = n->kids[0]->ex(n->kids[0], f);
  f.result = slot;
  if (o != Outcome::Normal) return o;
  for (;;) {
    bool go;
    if (!Truth(cond, f, "Expression expected", go)) return Outcome::Error;
    if (!go) return Outcome::Normal;
    o = RunBody(body, f);
    if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
    if (Stopping()) [[unlikely]] return Outcome::Error;
    f.result = &scratch;
    o = step->ex(step, f);
    f.result = slot;
    if (o != Outcome::Normal) return o;
  }
}

// A return whose value is of kind sk (an argument, a local or a constant is read in line).
template <Kind sk>
Outcome ExReturn(ENode* n, Frame& f) {
  ENode* k = n->kids[0];
  RValue v;  // a failing value must leave the result slot as it was
  double d;
  const Got g = Fetch<sk>(k, f, d, v);
  if (g == Got::Error) return Outcome::Error;
  if (g == Got::Real)
    f.result->SetReal(d);
  else
    *f.result = std::move(v);
  return Outcome::Exit;
}

// A user variable without an index whose owner is known (self, other, global, unqualified):
// its stored element is reached directly; anything else goes the general way.
Res EvVar(ENode* n, Frame& f, RValue& other) {
  if (const RValue* e = Element(n, f, Place{n->owner, n->aux, 0})) {
    if (e->IsReal()) return {e->val(), Got::Real};
  }
  return EvGeneric(n, f, other);
}

// A local array element [i] or [i, j] assigned with =, +=, -= or *=.
template <int32_t sub>
Outcome ExAssignElement(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  RValue* e = QuickLocalElement(target, f);
  if (!e) return ExecAssign(n, f);
  ENode* src = n->kids[1];
  RValue v;
  const Res r = src->ev(src, f, v);
  if (r.g == Got::Error) return Outcome::Error;
  if (r.g == Got::Real && (sub == 0 || e->IsReal())) [[likely]] {
    double now = r.d;
    if constexpr (sub == sym::kPlus) now = e->val() + r.d;
    if constexpr (sub == sym::kMinus) now = e->val() - r.d;
    if constexpr (sub == sym::kMul) now = e->val() * r.d;
    e->SetReal(now);
    f.result->SetReal(now);
    return Outcome::Normal;
  }
  if (r.g == Got::Real) v.SetReal(r.d);
  Place p{Owner::Local, target->aux, 0};
  if (!Resolve(target, f, p)) return Outcome::Error;
  return AssignValue(n, f, p, v);
}

// The existing element [i, j] of a set local array, i and j locals; null otherwise.
[[gnu::always_inline]] inline RValue* KnownElement2(ENode* n, Frame& f) {
  LocalSlot& s = f.locals[n->aux];
  if (!s.exists) return nullptr;
  size_t row, col;
  if (!KnownIndex<Kind::Local>(n->kids[0], f, row) || !KnownIndex<Kind::Local>(n->kids[1], f, col)) return nullptr;
  if (row == 0 && col == 0) return &s.var.simplevalue;
  std::vector<std::vector<RValue>>& rows = s.var.value;
  if (row >= rows.size() || col >= rows[row].size()) return nullptr;
  return &rows[row][col];
}

Res EvLocalElement2(ENode* n, Frame& f, RValue& other) {
  if (const RValue* e = KnownElement2(n, f)) {
    if (e->IsReal()) [[likely]]
      return {e->val(), Got::Real};
  }
  return EvGeneric(n, f, other);
}

template <Kind ik>
Res EvLocalElementOf(ENode* n, Frame& f, RValue& other) {
  if (const RValue* e = KnownElement<ik>(n, f)) {
    if (e->IsReal()) [[likely]]
      return {e->val(), Got::Real};
  }
  return EvGeneric(n, f, other);
}

// A local array element a[i], i a constant or a local, assigned from a source of kind sk.
template <int32_t sub, Kind ik, Kind sk>
Outcome ExAssignKnownElement(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  RValue* e = KnownElement<ik>(target, f);
  if (!e) [[unlikely]]
    return ExecAssign(n, f);
  RValue v;
  double x;
  const Got g = Fetch<sk>(n->kids[1], f, x, v);
  if (g == Got::Error) return Outcome::Error;
  if (g == Got::Real && (sub == 0 || e->IsReal())) [[likely]] {
    double now = x;
    if constexpr (sub == sym::kPlus) now = e->val() + x;
    if constexpr (sub == sym::kMinus) now = e->val() - x;
    if constexpr (sub == sym::kMul) now = e->val() * x;
    e->SetReal(now);
    f.result->SetReal(now);
    return Outcome::Normal;
  }
  if (g == Got::Real) v.SetReal(x);
  Place p{Owner::Local, target->aux, 0};
  if (!Resolve(target, f, p)) return Outcome::Error;
  return AssignValue(n, f, p, v);
}

// A variable without an index whose owner is known, other than a plain local or an argument.
template <int32_t sub>
Outcome ExAssignVar(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  ENode* src = n->kids[1];
  RValue v;
  const Res r = src->ev(src, f, v);
  if (r.g == Got::Error) return Outcome::Error;
  const Place p{target->owner, target->aux, 0};
  if (r.g == Got::Real) [[likely]] {
    if (RValue* cur = Element(target, f, p); cur && (sub == 0 || cur->IsReal())) {
      double now = r.d;
      if constexpr (sub == sym::kPlus) now = cur->val() + r.d;
      if constexpr (sub == sym::kMinus) now = cur->val() - r.d;
      if constexpr (sub == sym::kMul) now = cur->val() * r.d;
      cur->SetReal(now);
      f.result->SetReal(now);
      return Outcome::Normal;
    }
    v.SetReal(r.d);
  }
  return AssignValue(n, f, p, v);
}

// A built-in variable of self or other without an index (not an argument one): read through
// its place, as the general path does once it finds no stored element.
Res EvBuiltIn(ENode* n, Frame& f, RValue& other) {
  const Place p{n->owner, n->aux, 0};
  if (!ReadPlace(n, f, p, other) && !Missing(n, f, n->pos, p, other)) return {0.0, Got::Error};
  double d = 0.0;
  const Got g = Split(other, d);
  return {d, g};
}

// The same built-in variables combined with +=, -= or *=: read, combine, write back.
template <int32_t sub>
Outcome ExAssignBuiltIn(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  ENode* src = n->kids[1];
  RValue v;
  const Res r = src->ev(src, f, v);
  if (r.g == Got::Error) return Outcome::Error;
  const Place p{target->owner, target->aux, 0};
  RValue now;
  if (!ReadPlace(target, f, p, now) && !Missing(target, f, n->pos, p, now)) return Outcome::Error;
  if (r.g == Got::Real && now.IsReal()) [[likely]] {
    if constexpr (sub == sym::kPlus) now.SetReal(now.val() + r.d);
    if constexpr (sub == sym::kMinus) now.SetReal(now.val() - r.d);
    if constexpr (sub == sym::kMul) now.SetReal(now.val() * r.d);
  } else {
    if (r.g == Got::Real) v.SetReal(r.d);
    if (const char* err = BinaryOp(n->sub, now, v, now)) return FailOutcome(f, n->pos, err);
  }
  if (!WritePlace(target, f, p, now)) return FailOutcome(f, n->pos, "Cannot assign to the variable");
  *f.result = std::move(now);
  return Outcome::Normal;
}

// Built-in variables of self or other with a direct form from the host: a read is a call that
// loads the field, a real written is a call that stores it. Anything else (no such form under
// the current host, a value that is not a real) goes the way above, with its messages.
ExecHost* CurrentHost();
inline const RBuiltInDirect* DirectOf(const ENode* n) {
  const RBuiltInDirect* table = CurrentHost()->direct;
  return table && table[n->id].get ? &table[n->id] : nullptr;
}
inline CInstance* OwnerOf(const ENode* n, Frame& f) { return n->owner == Owner::Self ? f.self : f.other; }

Res EvBuiltInDirect(ENode* n, Frame& f, RValue& other) {
  const RBuiltInDirect* d = DirectOf(n);
  CInstance* inst = OwnerOf(n, f);
  if (!d || !inst) [[unlikely]] return EvBuiltIn(n, f, other);
  return {d->get(inst), Got::Real};
}

template <int32_t sub>
Outcome ExAssignBuiltInDirect(ENode* n, Frame& f) {
  ENode* target = n->kids[0];
  const RBuiltInDirect* d = DirectOf(target);
  CInstance* inst = OwnerOf(target, f);
  if (!d || !d->set || !inst) [[unlikely]] return sub == 0 ? ExAssignVar<0>(n, f) : ExAssignBuiltIn<sub>(n, f);
  ENode* src = n->kids[1];
  RValue v;
  const Res r = src->ev(src, f, v);
  if (r.g == Got::Error) return Outcome::Error;
  if (r.g == Got::Real) [[likely]] {
    double now = r.d;
    if constexpr (sub == sym::kPlus) now = d->get(inst) + r.d;
    if constexpr (sub == sym::kMinus) now = d->get(inst) - r.d;
    if constexpr (sub == sym::kMul) now = d->get(inst) * r.d;
    d->set(inst, now);
    f.result->SetReal(now);
    return Outcome::Normal;
  }
  if constexpr (sub == 0) {
    return AssignValue(n, f, Place{target->owner, target->aux, 0}, v);
  } else {
    RValue now(d->get(inst));
    if (const char* err = BinaryOp(n->sub, now, v, now)) return FailOutcome(f, n->pos, err);
    d->set(inst, now.val());
    *f.result = std::move(now);
    return Outcome::Normal;
  }
}

template <template <int32_t> class H>
ExecFn AssignFor(int32_t sub) {
  switch (sub) {
    case 0: return &H<0>::Run;
    case sym::kPlus: return &H<sym::kPlus>::Run;
    case sym::kMinus: return &H<sym::kMinus>::Run;
    case sym::kMul: return &H<sym::kMul>::Run;
    default: return nullptr;
  }
}
// Handler tables of the assignments whose source kind counts.
template <template <int32_t, Kind> class H, int32_t sub>
ExecFn BySource(Kind sk) {
  static constexpr ExecFn kTable[4] = {&H<sub, Kind::Any>::Run, &H<sub, Kind::Local>::Run, &H<sub, Kind::Const>::Run,
                                       &H<sub, Kind::Elem>::Run};
  return kTable[SourceIndex(sk)];
}
template <template <int32_t, Kind> class H>
ExecFn SourceAssignFor(int32_t sub, Kind sk) {
  switch (sub) {
    case 0: return BySource<H, 0>(sk);
    case sym::kPlus: return BySource<H, sym::kPlus>(sk);
    case sym::kMinus: return BySource<H, sym::kMinus>(sk);
    case sym::kMul: return BySource<H, sym::kMul>(sk);
    default: return nullptr;
  }
}
template <int32_t sub, Kind sk>
struct LocalAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignLocal<sub, sk>(n, f); }
};
template <int32_t sub, Kind sk>
struct LocalIndexAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignKnownElement<sub, Kind::Local, sk>(n, f); }
};
template <int32_t sub, Kind sk>
struct ConstIndexAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignKnownElement<sub, Kind::Const, sk>(n, f); }
};
template <int32_t sub>
struct ElementAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignElement<sub>(n, f); }
};
template <int32_t sub>
struct BuiltInAssign {
  static Outcome Run(ENode* n, Frame& f) { return sub == 0 ? ExAssignVar<0>(n, f) : ExAssignBuiltIn<sub>(n, f); }
};
template <int32_t sub>
struct BuiltInDirectAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignBuiltInDirect<sub>(n, f); }
};
template <int32_t sub>
struct VarAssign {
  static Outcome Run(ENode* n, Frame& f) { return ExAssignVar<sub>(n, f); }
};

Outcome ExExit(ENode*, Frame&) { return Outcome::Exit; }
Outcome ExBreak(ENode*, Frame&) { return Outcome::Break; }
Outcome ExContinue(ENode*, Frame&) { return Outcome::Continue; }
// A switch whose value comes out a real: its constant labels are compared as reals from one
// short array, without building a value or visiting the case nodes, and the first label that is
// not a constant hands the rest of the search to the general path at that label.
Outcome ExSwitch(ENode* n, Frame& f) {
  ENode* k = n->kids[0];
  RValue v;
  const Res r = k->ev(k, f, v);
  if (r.g == Got::Error) return Outcome::Error;
  if (r.g != Got::Real) [[unlikely]]
    return SwitchOn(n, f, v, 1);
  const SwitchLabels& t = *n->labels;
  int32_t i = t.stop;
  const size_t count = t.value.size();
  for (size_t j = 0; j < count; ++j) {
    if (t.value[j] == r.d) {
      i = t.at[j];
      break;
    }
  }
  if (i == n->n) return Outcome::Normal;
  if (i == t.stop && n->kids[i]->op == Op::Case) [[unlikely]] {  // a computed label
    v.SetReal(r.d);
    return SwitchOn(n, f, v, i);
  }
  for (++i; i < n->n; ++i) {
    ENode* s = n->kids[i];
    if (s->op == Op::Case || s->op == Op::Default) continue;
    const Outcome o = s->ex(s, f);
    if (o != Outcome::Normal) [[unlikely]]
      return o == Outcome::Break ? Outcome::Normal : o;
  }
  return Outcome::Normal;
}
Outcome ExWith(ENode* n, Frame& f) { return ExecWith(n, f); }

Outcome ExRepeat(ENode* n, Frame& f) {
  RValue c;
  if (!Eval(n->kids[0], f, c)) return Outcome::Error;
  if (!c.IsReal()) return FailOutcome(f, n->kids[0]->pos, "Repeat count must be a number");
  const int64_t count = RoundToInt64(c.val());
  ENode* body = n->kids[1];
  for (int64_t i = 0; i < count; ++i) {
    const Outcome o = RunBody(body, f);
    if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
    if (Stopping()) [[unlikely]] return Outcome::Error;
  }
  return Outcome::Normal;
}

Outcome ExDo(ENode* n, Frame& f) {
  ENode* body = n->kids[0];
  ENode* cond = n->kids[1];
  for (;;) {
    const Outcome o = RunBody(body, f);
    if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
    if (Stopping()) [[unlikely]] return Outcome::Error;
    bool c;
    if (!Truth(cond, f, "Boolean expression expected", c)) return Outcome::Error;
    if (c) return Outcome::Normal;
  }
}

// Conditions that compare two operands are run inside the statement that tests them, and a
// for loop stepping a local by a real constant steps it in place; anything unusual takes the
// same general paths as the separate handlers would.
template <int32_t op, Kind lk, Kind rk>
[[gnu::always_inline]] inline bool CompareTruth(ENode* c, Frame& f, const char* msg, bool& truth) {
  RValue v;
  const Res r = BinaryBody<op, lk, rk>(c, f, v);
  if (r.g == Got::Real) [[likely]] {
    truth = IsTrue(r.d);
    return true;
  }
  if (r.g == Got::Other) Fail(f, c->pos, msg);
  return false;
}

template <int32_t op, Kind lk, Kind rk>
struct IfCompare {
  static Outcome Run(ENode* n, Frame& f) {
    bool c;
    if (!CompareTruth<op, lk, rk>(n->kids[0], f, "Expression expected", c)) return Outcome::Error;
    ENode* b = c ? n->kids[1] : n->n > 2 ? n->kids[2] : nullptr;
    return b ? b->ex(b, f) : Outcome::Normal;
  }
};

template <int32_t op, Kind lk, Kind rk>
struct WhileCompare {
  static Outcome Run(ENode* n, Frame& f) {
    ENode* cond = n->kids[0];
    ENode* body = n->kids[1];
    for (;;) {
      bool c;
      if (!CompareTruth<op, lk, rk>(cond, f, "Boolean expression expected", c)) return Outcome::Error;
      if (!c) return Outcome::Normal;
      const Outcome o = RunBody(body, f);
      if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
      if (Stopping()) [[unlikely]] return Outcome::Error;
    }
  }
};

template <int32_t op, Kind lk, Kind rk>
struct ForCompare {
  static Outcome Run(ENode* n, Frame& f) {
    ENode* cond = n->kids[1];
    ENode* step = n->kids[2];
    ENode* body = n->kids[3];
    RValue scratch;  // the header statements' results go nowhere
    RValue* const slot = f.result;
    f.result = &scratch;
    Outcome o = n->kids[0]->ex(n->kids[0], f);
    f.result = slot;
    if (o != Outcome::Normal) return o;
    for (;;) {
      bool go;
      if (!CompareTruth<op, lk, rk>(cond, f, "Expression expected", go)) return Outcome::Error;
      if (!go) return Outcome::Normal;
      o = RunBody(body, f);
      if (o != Outcome::Normal && o != Outcome::Continue) return o == Outcome::Break ? Outcome::Normal : o;
      if (Stopping()) [[unlikely]] return Outcome::Error;
      if (n->aux == 1) {  // local += real constant
        LocalSlot& s = f.locals[step->kids[0]->aux];
        if (s.exists && s.var.simplevalue.IsReal()) [[likely]] {
          s.var.simplevalue.SetReal(s.var.simplevalue.val() + step->kids[1]->k);
          continue;
        }
      }
      f.result = &scratch;
      o = step->ex(step, f);
      f.result = slot;
      if (o != Outcome::Normal) return o;
    }
  }
};

template <template <int32_t, Kind, Kind> class H, int32_t op>
ExecFn ComparePick(Kind lk, Kind rk) {
  static constexpr ExecFn kTable[5][4] = {
      {&H<op, Kind::Any, Kind::Any>::Run, &H<op, Kind::Any, Kind::Local>::Run, &H<op, Kind::Any, Kind::Const>::Run,
       &H<op, Kind::Any, Kind::Arg>::Run},
      {&H<op, Kind::Local, Kind::Any>::Run, &H<op, Kind::Local, Kind::Local>::Run,
       &H<op, Kind::Local, Kind::Const>::Run, &H<op, Kind::Local, Kind::Arg>::Run},
      {&H<op, Kind::Const, Kind::Any>::Run, &H<op, Kind::Const, Kind::Local>::Run,
       &H<op, Kind::Const, Kind::Const>::Run, &H<op, Kind::Const, Kind::Arg>::Run},
      {&H<op, Kind::Arg, Kind::Any>::Run, &H<op, Kind::Arg, Kind::Local>::Run, &H<op, Kind::Arg, Kind::Const>::Run,
       &H<op, Kind::Arg, Kind::Arg>::Run},
      {&H<op, Kind::Elem, Kind::Any>::Run, &H<op, Kind::Elem, Kind::Local>::Run,
       &H<op, Kind::Elem, Kind::Const>::Run, &H<op, Kind::Elem, Kind::Arg>::Run}};
  return kTable[LeftIndex(lk)][RightIndex(rk)];
}

// The handler of a statement whose condition c is a comparison; null when it is not one.
template <template <int32_t, Kind, Kind> class H>
ExecFn CompareHandler(const ENode* c) {
  if (c->op != Op::Binary) return nullptr;
  const Kind lk = KindOf(c->kids[0]), rk = KindOf(c->kids[1]);
  switch (c->sub) {
    case sym::kAssign:
    case sym::kEqual: return ComparePick<H, sym::kEqual>(lk, rk);
    case sym::kNotEqual: return ComparePick<H, sym::kNotEqual>(lk, rk);
    case sym::kLess: return ComparePick<H, sym::kLess>(lk, rk);
    case sym::kLessEqual: return ComparePick<H, sym::kLessEqual>(lk, rk);
    case sym::kGreater: return ComparePick<H, sym::kGreater>(lk, rk);
    case sym::kGreaterEqual: return ComparePick<H, sym::kGreaterEqual>(lk, rk);
    default: return nullptr;
  }
}

// A built-in variable of self or other without an index; the argument ones are kept apart.
bool IsOwnBuiltIn(const ENode* n) {
  return n->op == Op::Var && (n->owner == Owner::Self || n->owner == Owner::Other) && n->nidx == 0 &&
         n->id >= 0 && n->id < kBuiltInVarLimit;
}

bool HasDirect(const ENode* n) { return n->id < kMaxBuiltInVars && DirectOf(n); }

// Chooses the handlers of n and of everything below it.
void Bind(ENode* n, bool specialise) {
  for (int32_t i = 0; i < n->n; ++i) Bind(n->kids[i], specialise);
  if (n->owner_expr) Bind(n->owner_expr, specialise);
  if (n->op == Op::Const && n->value.IsReal()) n->k = n->value.val();
  n->ev = &EvGeneric;
  n->ex = &ExGeneric;
  if (!specialise) return;
  switch (n->op) {
    case Op::Const:
      if (n->value.IsReal()) n->ev = &EvConstReal;
      break;
    case Op::Var:
      if (n->owner == Owner::Local) n->ev = n->nidx == 0 ? &EvLocal : &EvLocalElement;
      if (n->owner == Owner::Local && n->nidx == 1 && KindOf(n->kids[0]) == Kind::Local)
        n->ev = &EvLocalElementOf<Kind::Local>;
      if (n->owner == Owner::Local && n->nidx == 1 && KindOf(n->kids[0]) == Kind::Const)
        n->ev = &EvLocalElementOf<Kind::Const>;
      if (n->owner == Owner::Local && n->nidx == 2 && KindOf(n->kids[0]) == Kind::Local &&
          KindOf(n->kids[1]) == Kind::Local)
        n->ev = &EvLocalElement2;
      if (n->owner == Owner::Arg && n->nidx == 0) n->ev = &EvArg;
      if ((n->owner == Owner::Self || n->owner == Owner::Other || n->owner == Owner::Fixed) && n->nidx == 0 &&
          n->id >= kFirstUserVarId)
        n->ev = &EvVar;
      if (IsOwnBuiltIn(n)) n->ev = HasDirect(n) ? &EvBuiltInDirect : &EvBuiltIn;
      break;
    case Op::Binary: {
      const ENode* r = n->kids[1];
      if ((n->sub == sym::kDiv || n->sub == sym::kMod) && KindOf(r) == Kind::Const && IsInt32(r->k) &&
          r->k != 0.0 && r->k != -1.0)
        n->aux = 1;
      n->ev = BinaryHandler(n->sub, KindOf(n->kids[0]), KindOf(r));
      break;
    }
    case Op::Unary:
      if (n->sub == sym::kMinus) n->ev = &EvNegate;
      break;
    case Op::CallBuiltin:
    case Op::CallScript:
    case Op::CallExtension:
      if (n->op == Op::CallScript && n->n <= kMaxFunctionArgs) {
        static constexpr EvalFn kByCount[] = {&EvCallScript<0>, &EvCallScript<1>, &EvCallScript<2>,
                                              &EvCallScript<3>, &EvCallScript<4>};
        n->ev = n->n < static_cast<int32_t>(std::size(kByCount)) ? kByCount[n->n] : &EvCallScript<-1>;
      } else {
        n->ev = &EvCall;
      }
      n->ex = &ExCall;
      if (n->op == Op::CallBuiltin && n->n >= 0 && n->n <= kMaxBuiltinInline) {
        static constexpr EvalFn kEv[] = {&EvCallBuiltin<0>, &EvCallBuiltin<1>, &EvCallBuiltin<2>, &EvCallBuiltin<3>,
                                         &EvCallBuiltin<4>};
        static constexpr ExecFn kEx[] = {&ExCallBuiltin<0>, &ExCallBuiltin<1>, &ExCallBuiltin<2>, &ExCallBuiltin<3>,
                                         &ExCallBuiltin<4>};
        n->ev = kEv[n->n];
        n->ex = kEx[n->n];
      }
      break;
    case Op::Block: n->ex = &ExBlock; break;
    case Op::Empty: n->ex = &ExEmpty; break;
    case Op::If: {
      const ExecFn h = CompareHandler<IfCompare>(n->kids[0]);
      n->ex = h ? h : &ExIf;
      break;
    }
    case Op::While: {
      const ExecFn h = CompareHandler<WhileCompare>(n->kids[0]);
      n->ex = h ? h : &ExWhile;
      break;
    }
    case Op::For: {
      const ENode* step = n->kids[2];
      if (step->op == Op::Assign && step->sub == sym::kPlus && step->kids[0]->owner == Owner::Local &&
          step->kids[0]->nidx == 0 && KindOf(step->kids[1]) == Kind::Const)
        n->aux = 1;
      const ExecFn h = CompareHandler<ForCompare>(n->kids[1]);
      n->ex = h ? h : &ExFor;
      break;
    }
    case Op::Return: {
      static constexpr ExecFn kReturn[] = {&ExReturn<Kind::Any>, &ExReturn<Kind::Local>, &ExReturn<Kind::Const>,
                                           &ExReturn<Kind::Arg>, &ExReturn<Kind::Elem>};
      n->ex = kReturn[static_cast<int>(KindOf(n->kids[0]))];
      break;
    }
    case Op::Exit: n->ex = &ExExit; break;
    case Op::Break: n->ex = &ExBreak; break;
    case Op::Continue: n->ex = &ExContinue; break;
    case Op::Switch: {
      auto t = std::make_unique<SwitchLabels>();
      t->stop = n->n;
      for (int32_t i = 1; i < n->n; ++i) {
        const ENode* c = n->kids[i];
        if (c->op == Op::Default || (c->op == Op::Case && c->kids[0]->op != Op::Const)) {
          t->stop = i;
          break;
        }
        if (c->op == Op::Case && c->kids[0]->value.IsReal()) {  // a text label never matches a real
          t->value.push_back(c->kids[0]->k);
          t->at.push_back(i);
        }
      }
      n->labels = std::move(t);
      n->ex = &ExSwitch;
      break;
    }
    case Op::With: n->ex = &ExWith; break;
    case Op::Repeat: n->ex = &ExRepeat; break;
    case Op::Do: n->ex = &ExDo; break;
    case Op::Assign: {
      const ENode* t = n->kids[0];
      ExecFn h = nullptr;
      const Kind sk = KindOf(n->kids[1]);
      const Kind ik = t->nidx == 1 ? KindOf(t->kids[0]) : Kind::Any;
      if (t->owner == Owner::Local && t->nidx == 0)
        h = SourceAssignFor<LocalAssign>(n->sub, sk);
      else if (t->owner == Owner::Local && ik == Kind::Local)
        h = SourceAssignFor<LocalIndexAssign>(n->sub, sk);
      else if (t->owner == Owner::Local && ik == Kind::Const)
        h = SourceAssignFor<ConstIndexAssign>(n->sub, sk);
      else if (t->owner == Owner::Local)
        h = AssignFor<ElementAssign>(n->sub);
      else if (IsOwnBuiltIn(t))
        h = HasDirect(t) ? AssignFor<BuiltInDirectAssign>(n->sub) : AssignFor<BuiltInAssign>(n->sub);
      else if ((t->owner == Owner::Self || t->owner == Owner::Other || t->owner == Owner::Fixed) && t->nidx == 0)
        h = AssignFor<VarAssign>(n->sub);
      if (h) n->ex = h;
      break;
    }
    default: break;
  }
}

ExecHost g_emptyHost;
ExecHost* g_host = &g_emptyHost;
ExecHost* CurrentHost() { return g_host; }
}  // namespace

ExecHost& GetExecHost() { return *g_host; }
void SetExecHost(ExecHost* host) { g_host = host ? host : &g_emptyHost; }

int32_t ExecDepth() { return g_depth; }

bool CanNestExecution() { return CanNest(); }

namespace {
// Runs body in a fresh frame of prog's size; the slots go back however body ends.
template <class Body>
[[gnu::always_inline]] inline bool InFrame(CInstance* self, CInstance* other, CCode& code, ExecProgram& prog,
                                           RValue& result, Body body) {
  DepthScope depth;
  LocalStack::Mark mark;
  LocalSlot* slots = Locals().Acquire(prog.nslots, mark);
  struct Release {
    const LocalStack::Mark& mark;
    LocalSlot* slots;
    int32_t n;
    ~Release() { Locals().Release(mark, slots, n); }
  } release{mark, slots, prog.nslots};
  Frame f{self, other, &code, &prog, &result, slots, nullptr};
  return body(f);
}

inline bool RunLowered(CInstance* self, CInstance* other, CCode& code, ExecProgram& prog, RValue& result) {
  return InFrame(self, other, code, prog, result, [&](Frame& f) {
    if (code.i_kind == CCode::kExpression) return Eval(prog.root, f, result);
    switch (prog.root_kind) {
      case NodeKind::EmptyProgram: return true;
      case NodeKind::Block: return Exec(prog.root, f) != Outcome::Error;
      default: return Fail(f, prog.root->pos, "This is not a program.");
    }
  });
}

inline bool RunLoweredBlock(CInstance* self, CInstance* other, CCode& code, ExecProgram& prog, RValue& result) {
  return InFrame(self, other, code, prog, result,
                 [&](Frame& f) { return RunBody(prog.root, f) != Outcome::Error; });
}
}  // namespace

bool ExecuteCode(CInstance* self, CInstance* other, CCode& code, RValue& result) {
  if (!ErrorsState().error.Clear()) [[unlikely]]  // the call only when there is something to clear
    ClearCodeError();
  if (!code.i_compiled || !code.i_token) {
    ReportCodeError(code, 0, "Internal Error: Executing non-compiled code.");
    return false;
  }
  if (code.i_kind == CCode::kConstantExpression) {
    result = code.i_value;
    return true;
  }
  if (!self || !other) {
    ReportCodeError(code, 0, "Internal Error: Executing code for nil instance.");
    return false;
  }
  if (g_depth >= kMaxExecDepth || !StackRoom(0)) {
    ReportCodeError(code, 0, kMsgNestingTooDeep);
    return false;
  }
  return RunLowered(self, other, code, ProgramOf(code), result);
}

bool ExecuteAndReport(CInstance* self, CInstance* other, CCode& code, RValue& result) {
  if (ExecuteCode(self, other, code, result)) return true;
  ShowPendingCodeError();
  return false;
}

namespace {
bool EvaluateConstant(CCode& code, RValue& value) {
  ExecHost& host = GetExecHost();
  CInstance* temp = host.CreateTempInstance();
  bool ok = ExecuteForValue(temp, temp, code, value);
  if (temp) host.DestroyTempInstance(temp);
  return ok;
}
}  // namespace

void InitInterpreter() {
  InstallRunnerCompileContext();
  SetConstantEvaluator(EvaluateConstant);
}

bool ExecuteForValue(CInstance* self, CInstance* other, CCode& code, RValue& result) {
  if (ExecuteCode(self, other, code, result)) return true;
  result.SetString("ERROR");
  return false;
}
