// CCode compilation driver, node arena, compile context and tree dump; see Code_Main.h.
#include "runner/code/Code_Main.h"

#include <algorithm>
#include <charconv>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Phase1.h"
#include "runner/code/Code_Phase2.h"
#include "runner/code/Code_Phase3.h"
#include "runner/code/Code_Phase4.h"
#include "runner/code/Variable_Main.h"

namespace {
constexpr size_t kNodeBlock = 256;
constexpr size_t kItemBlock = 1024;

// Finds nothing and holds nothing: the context while none is set.
CompileContext g_emptyContext;
}  // namespace

RToken* CodeArena::NewNode() {
  if (node_used_ == node_cap_) {
    node_blocks_.push_back(std::make_unique<RToken[]>(kNodeBlock));
    node_used_ = 0;
    node_cap_ = kNodeBlock;
  }
  return &node_blocks_.back()[node_used_++];
}

RToken** CodeArena::NewItems(size_t n) {
  if (n > kItemBlock / 4) {
    item_big_.push_back(std::make_unique<RToken*[]>(n));
    return item_big_.back().get();
  }
  if (item_cap_ - item_used_ < n) {
    item_blocks_.push_back(std::make_unique<RToken*[]>(kItemBlock));
    item_used_ = 0;
    item_cap_ = kItemBlock;
  }
  RToken** p = item_blocks_.back().get() + item_used_;
  item_used_ += n;
  return p;
}

CompileContext& GetCompileContext() {
  CompileContext* ctx = LanguageState().context;
  return ctx ? *ctx : g_emptyContext;
}
void SetCompileContext(CompileContext* ctx) { LanguageState().context = ctx; }

CCode::CCode(std::string_view str, bool isexp) : i_kind(isexp ? kExpression : kProgram), i_str(str) {}

namespace {
// The one compilation. Without faults it stops at the first fault, as a game sees it; with
// them each phase goes on past what it can, and the code stays uncompiled when any was found.
bool CompileCode(CCode& code, RCodeFaults* faults) {
  ClearCodeError();
  if (code.i_compiled) {
    ReportCodeError(code, 0, "Internal Error: Recompiling compiled code.");
    return false;
  }
  RTokenList1 raw;
  if (!Lex(code, raw, faults)) return false;
  RTokenList2 tokens;
  RResolveInfo info;
  const CompileContext& ctx = GetCompileContext();
  if (!Resolve(code, raw, ctx, tokens, info, faults)) return false;
  raw.clear();
  RToken* root = Parse(code, tokens, ctx, faults);
  if (!root) return false;
  if (!RewriteAndFold(code, root, faults)) return false;
  if (faults && !faults->list.empty()) return false;
  if (code.i_kind == CCode::kExpression && root->Kind() == NodeKind::Constant) {
    code.i_value = root->value;
    code.i_kind = CCode::kConstantExpression;
  }
  code.i_token = root;
  code.i_compiled = true;
  code.i_Args = info.max_arg + 1;
  code.i_ArgArray = info.arg_array;
  return true;
}
}  // namespace

bool CCode::Compile() { return CompileCode(*this, nullptr); }

void RCodeFaults::Take() {
  const RCodeError& e = CodeError();
  if (!e.pending) return;
  if (!Full() && seen_.emplace(e.position, e.text).second) list.push_back(e);
  ClearCodeError();
}

std::vector<RCodeError> CompileEveryFault(CCode& code) {
  RCodeFaults faults;
  if (!CompileCode(code, &faults)) faults.Take();
  ClearCodeError();
  std::stable_sort(faults.list.begin(), faults.list.end(),
                   [](const RCodeError& a, const RCodeError& b) { return a.position < b.position; });
  if (faults.Full()) {
    RCodeError rest = faults.list.back();
    rest.text = "Too many faults; the code after this one was not checked.";
    rest.message.clear();
    faults.list.push_back(std::move(rest));
  }
  return std::move(faults.list);
}

std::string RealText(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

namespace {
std::string ValueText(const RValue& v) {
  if (v.IsReal()) return RealText(v.val());
  std::string s = "\"";
  for (char c : v.str()) {
    if (c == '\r')
      s += "\\r";
    else if (c == '\n')
      s += "\\n";
    else if (c == '"' || c == '\\')
      s += std::string("\\") + c;
    else
      s += c;
  }
  return s + "\"";
}

void Dump(const RToken* n, int depth, const CompileContext* ctx, bool inDecl, std::string& out) {
  out.append(static_cast<size_t>(depth) * 2, ' ');
  const RNodeKindInfo* info = NodeKindInfo(n->kind);
  if (inDecl) {
    out += "name " + VarNameOfId(n->ind);
  } else {
    out += info ? std::string(info->name) : "kind" + std::to_string(n->kind);
    switch (n->Kind()) {
      case NodeKind::Constant: out += " " + ValueText(n->value); break;
      case NodeKind::Call:
        out += " " + (ctx ? ctx->FunctionName(n->ind) : "#" + std::to_string(n->ind));
        break;
      case NodeKind::Variable: out += " " + VarNameOfId(n->ind); break;
      case NodeKind::SimpleVariable:
        out += " " + VarNameOfId(n->ind) + " owner " + std::to_string(n->ind2);
        break;
      case NodeKind::Assign:
      case NodeKind::Unary:
      case NodeKind::Binary: out += " " + std::string(OperatorText(n->ind)); break;
      default: break;
    }
  }
  out += " @" + std::to_string(n->position) + "\n";
  bool decl = n->Kind() == NodeKind::LocalDecl || n->Kind() == NodeKind::GlobalDecl;
  for (int32_t i = 0; i < n->itemnumb; ++i) Dump(n->items[i], depth + 1, ctx, decl, out);
}
}  // namespace

std::string DumpTree(const RToken* node, const CompileContext* ctx) {
  std::string out;
  if (node) Dump(node, 0, ctx, false, out);
  return out;
}
