// The parser; see Code_Phase3.h. Every function returns null after reporting an error, and
// nesting is counted so that no input can run the stack out.
#include "runner/code/Code_Phase3.h"

#include <algorithm>
#include <vector>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Code_Token.h"
#include "runner/code/Variable_Main.h"

namespace {
class Parser {
 public:
  Parser(CCode& code, const RTokenList2& t, const CompileContext& ctx, RCodeFaults* faults)
      : code_(code), t_(t), ctx_(ctx), faults_(faults) {
    if (faults_) lineStarts_ = LineStarts(code.GetText());
  }

  RToken* Program() {
    if (Sym() == sym::kEnd) return Make(NodeKind::EmptyProgram, 0, Pos(), {});
    if (Sym() == sym::kBegin) {
      RToken* root = Statement();
      if (!root) return nullptr;
      if (Sym() != sym::kEnd) return Fail("Program ends before end of the code.");
      return root;
    }
    int32_t pos = Pos();
    std::vector<RToken*> items;
    while (Sym() != sym::kEnd) {
      const size_t start = p_;
      RToken* s = Statement();
      if (!s) {
        if (!faults_) return nullptr;
        Recover(start);
        continue;
      }
      items.push_back(s);
    }
    return Make(NodeKind::Block, 0, pos, items);
  }

  RToken* ExpressionCode() {
    if (Sym() == sym::kEnd) return Make(NodeKind::Constant, 0, Pos(), {});
    return Expression();  // tokens after a complete expression are ignored
  }

 private:
  // Counts nesting on the C++ stack.
  struct Depth {
    explicit Depth(Parser& p) : p_(p) { ++p_.depth_; }
    ~Depth() { --p_.depth_; }
    Parser& p_;
  };

  int32_t Sym() const { return t_[p_].symbol; }
  int32_t Pos() const { return t_[p_].position; }
  const RToken2& Cur() const { return t_[p_]; }
  // The end token is never passed.
  void Next() {
    if (p_ + 1 < t_.size()) ++p_;
  }

  RToken* Fail(const char* msg) { return FailAt(Pos(), msg); }
  RToken* FailAt(int32_t pos, std::string_view msg) {
    // A bad character (kept only when going on past faults) is the lexer's fault, already
    // handed over: raised again in the lexer's words it is kept once.
    if (Sym() == sym::kBad && pos == Pos()) msg = "Unexpected symbol.";
    if (msg == kMsgTooDeep) tooDeep_ = true;
    ReportCodeError(code_, pos, msg);
    return nullptr;
  }
  bool TooDeep() { return depth_ > kMaxParseDepth; }

  // The UTF-16 position where each line after the first starts; CR LF, CR and LF end a line.
  static std::vector<int32_t> LineStarts(std::string_view text) {
    const std::vector<int32_t> at = Utf16Positions(text);
    std::vector<int32_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
        starts.push_back(at[i + 1]);
    return starts;
  }
  size_t LineOf(size_t token) const {
    return static_cast<size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), t_[token].position) -
                               lineStarts_.begin());
  }

  static bool StartsStatement(int32_t s) {
    switch (s) {
      case sym::kIf:
      case sym::kWhile:
      case sym::kWith:
      case sym::kFor:
      case sym::kRepeat:
      case sym::kSwitch:
      case sym::kCase:
      case sym::kDefault:
      case sym::kExit:
      case sym::kBreak:
      case sym::kContinue:
      case sym::kReturn:
      case sym::kVar:
      case sym::kGlobalVar: return true;
      default: return false;
    }
  }

  // After the statement of a list that began at token start failed: hands its fault over and
  // skips to where the next statement most likely begins, so that one slip gives one fault.
  // That is past the next ";" (in a broken for, only once its parentheses are closed), at the
  // "}" that closes the list, at a keyword that begins a statement, at an "else" (passed, the
  // rest of a broken if), at the first token of a later line once the brackets opened in the
  // broken statement are closed, or at a "{": the broken statement's block, whose statements
  // are checked in turn. Nested too deeply, the rest of the code is given up.
  void Recover(size_t start) {
    faults_->Take();
    if (tooDeep_ || faults_->Full()) return GiveUp();
    const bool inFor = t_[start].symbol == sym::kFor;
    int32_t open = 0;  // ( and [ open since the statement began
    auto count = [&open](int32_t s) {
      if (s == sym::kOpen || s == sym::kOpenBracket) ++open;
      if (s == sym::kClose || s == sym::kCloseBracket) --open;
    };
    for (size_t i = start; i < p_; ++i) count(t_[i].symbol);
    const size_t line = LineOf(p_);
    if (p_ == start) {
      count(Sym());
      Next();
    }
    for (;;) {
      const int32_t s = Sym();
      if (s == sym::kEnd || s == sym::kEndKw || StartsStatement(s)) return;
      if (s == sym::kSemicolon && (!inFor || open <= 0)) {
        Next();
        break;
      }
      if (s == sym::kElse) break;
      if (s == sym::kBegin) {
        if (!Statement()) faults_->Take();
        if (tooDeep_ || faults_->Full()) return GiveUp();
        break;
      }
      if (open <= 0 && LineOf(p_) > line) return;
      count(s);
      Next();
    }
    if (Sym() == sym::kElse) Next();
  }
  void GiveUp() {
    while (Sym() != sym::kEnd) Next();
  }

  RToken* Make(NodeKind kind, int32_t ind, int32_t pos, const std::vector<RToken*>& items) {
    RToken* n = code_.Arena().NewNode();
    n->kind = static_cast<int32_t>(kind);
    n->ind = ind;
    n->position = pos;
    int32_t h = 0;
    for (RToken* c : items)
      if (c->height > h) h = c->height;
    n->height = h + 1;
    if (n->height > kMaxTreeHeight) return FailAt(pos, kMsgTooDeep);
    n->itemnumb = static_cast<int32_t>(items.size());
    if (!items.empty()) {
      n->items = code_.Arena().NewItems(items.size());
      for (size_t i = 0; i < items.size(); ++i) n->items[i] = items[i];
    }
    return n;
  }

  RToken* Const(const RValue& v, int32_t pos) {
    RToken* n = Make(NodeKind::Constant, 0, pos, {});
    if (n) n->value = v;
    return n;
  }

  void SkipSemicolons() {
    while (Sym() == sym::kSemicolon) Next();
  }

  RToken* Statement() {
    Depth d(*this);
    if (TooDeep()) return Fail(kMsgTooDeep);
    RToken* s = StatementBody();
    if (s) SkipSemicolons();
    return s;
  }

  // Parses "keyword" then the statement's parts; kw position is the keyword's own.
  RToken* StatementBody() {
    const int32_t kwPos = Pos();
    switch (Sym()) {
      case sym::kBegin: {
        Next();
        return Body(NodeKind::Block, kwPos, {});
      }
      case sym::kFunction: return Call();
      case sym::kIf: {
        Next();
        int32_t pos = Pos();
        RToken* c = Expression();
        if (!c) return nullptr;
        if (Sym() == sym::kThen) Next();
        RToken* a = Statement();
        if (!a) return nullptr;
        if (Sym() != sym::kElse) return Make(NodeKind::If, 0, pos, {c, a});
        Next();
        RToken* b = Statement();
        if (!b) return nullptr;
        return Make(NodeKind::If, 0, pos, {c, a, b});
      }
      case sym::kWhile:
      case sym::kWith: {
        NodeKind kind = Sym() == sym::kWhile ? NodeKind::While : NodeKind::With;
        Next();
        int32_t pos = Pos();
        RToken* c = Expression();
        if (!c) return nullptr;
        if (Sym() == sym::kDo) Next();
        RToken* b = Statement();
        if (!b) return nullptr;
        return Make(kind, 0, pos, {c, b});
      }
      case sym::kDo: {
        Next();
        int32_t pos = Pos();
        RToken* b = Statement();
        if (!b) return nullptr;
        if (Sym() != sym::kUntil) return Fail("Keyword until expected.");
        Next();
        RToken* c = Expression();
        if (!c) return nullptr;
        return Make(NodeKind::Do, 0, pos, {b, c});
      }
      case sym::kFor: {
        Next();
        int32_t pos = Pos();
        if (Sym() != sym::kOpen) return Fail("Symbol ( expected.");
        Next();
        RToken* init = Statement();
        if (!init) return nullptr;
        if (Sym() == sym::kSemicolon) Next();
        RToken* cond = Expression();
        if (!cond) return nullptr;
        if (Sym() == sym::kSemicolon) Next();
        RToken* step = Statement();
        if (!step) return nullptr;
        if (Sym() != sym::kClose) return Fail("Symbol ) expected.");
        Next();
        RToken* body = Statement();
        if (!body) return nullptr;
        return Make(NodeKind::For, 0, pos, {init, cond, step, body});
      }
      case sym::kRepeat: {
        Next();
        int32_t pos = Pos();
        RToken* c = Expression();
        if (!c) return nullptr;
        RToken* b = Statement();
        if (!b) return nullptr;
        return Make(NodeKind::Repeat, 0, pos, {c, b});
      }
      case sym::kSwitch: {
        Next();
        int32_t pos = Pos();
        RToken* v = Expression();
        if (!v) return nullptr;
        if (Sym() != sym::kBegin) return Fail("Symbol { expected.");
        Next();
        return Body(NodeKind::Switch, pos, {v});
      }
      case sym::kCase: {
        Next();
        int32_t pos = Pos();
        RToken* v = Expression();
        if (!v) return nullptr;
        if (Sym() != sym::kColon) return Fail("Symbol : expected.");
        Next();
        return Make(NodeKind::Case, 0, pos, {v});
      }
      case sym::kDefault: {
        Next();
        int32_t pos = Pos();
        if (Sym() != sym::kColon) return Fail("Symbol : expected.");
        Next();
        return Make(NodeKind::Default, 0, pos, {});
      }
      case sym::kExit:
      case sym::kBreak:
      case sym::kContinue: {
        NodeKind kind = static_cast<NodeKind>(Sym());
        Next();
        return Make(kind, 0, kwPos, {});
      }
      case sym::kReturn: {
        Next();
        int32_t pos = Pos();
        RToken* v = Expression();
        if (!v) return nullptr;
        return Make(NodeKind::Return, 0, pos, {v});
      }
      case sym::kVar:
      case sym::kGlobalVar: return Declaration();
      case sym::kSemicolon: {
        Next();
        return Make(NodeKind::EmptyStatement, 0, kwPos, {});
      }
      case sym::kEnd: return Fail("Unexpected end of code reached.");
      default: return Assignment();
    }
  }

  // Statements up to the closing brace, after the opening one; first holds leading children.
  RToken* Body(NodeKind kind, int32_t pos, std::vector<RToken*> items) {
    if (kind == NodeKind::Block) pos = Pos();
    while (Sym() != sym::kEndKw) {
      if (Sym() == sym::kEnd) return Fail("Symbol } expected.");
      const size_t start = p_;
      RToken* s = Statement();
      if (!s) {
        if (!faults_) return nullptr;
        Recover(start);
        continue;
      }
      items.push_back(s);
    }
    Next();
    return Make(kind, 0, pos, items);
  }

  RToken* Declaration() {
    NodeKind kind = Sym() == sym::kVar ? NodeKind::LocalDecl : NodeKind::GlobalDecl;
    Next();
    int32_t pos = Pos();
    std::vector<RToken*> names;
    while (Sym() == sym::kVariable) {
      if (Cur().ind < kFirstUserVarId) return Fail("Cannot redeclare a builtin variable.");
      RToken* n = Make(NodeKind::Constant, Cur().ind, Pos(), {});
      if (!n) return nullptr;
      names.push_back(n);
      Next();
      if (Sym() == sym::kComma) Next();
    }
    return Make(kind, 0, pos, names);
  }

  RToken* Assignment() {
    int32_t pos = Pos();
    RToken* target = Unary();
    if (!target) return nullptr;
    if (target->Kind() != NodeKind::Variable) return FailAt(pos, "Variable name expected.");
    int32_t op = Sym();
    switch (op) {
      case sym::kAssign:
      case sym::kAddAssign:
      case sym::kSubAssign:
      case sym::kMulAssign:
      case sym::kDivAssign:
      case sym::kOrAssign:
      case sym::kAndAssign:
      case sym::kXorAssign: break;
      default: return Fail("Assignment operator expected.");
    }
    Next();
    RToken* v = Expression();
    if (!v) return nullptr;
    return Make(NodeKind::Assign, op, pos, {target, v});
  }

  RToken* Call() {
    int32_t pos = Pos();
    int32_t id = Cur().ind;
    Next();
    if (Sym() != sym::kOpen) return Fail("Symbol ( expected.");
    Next();
    std::vector<RToken*> args;
    if (Sym() != sym::kClose) {
      for (;;) {
        RToken* a = Expression();
        if (!a) return nullptr;
        args.push_back(a);
        if (Sym() == sym::kComma) {
          Next();
          continue;
        }
        if (Sym() == sym::kClose) break;
        if (Sym() == sym::kEnd) return Fail("Symbol ) expected.");
        return Fail("Symbol , or ) expected.");
      }
    }
    const int32_t want = id == kUnknownFunctionId ? kArgsAny : ctx_.FunctionArgCount(id);
    if (args.size() > 16 || (want != -1 && static_cast<size_t>(want) != args.size()))
      return Fail("Wrong number of arguments to function or script.");
    Next();
    return Make(NodeKind::Call, id, pos, args);
  }

  // A variable name with optional [i] or [i,j]; owner null means "no owner named".
  RToken* VariableRef(RToken* owner, int32_t pos) {
    int32_t id = Cur().ind;
    if (!owner) owner = Const(RValue(static_cast<double>(kOwnerUnqualified)), Pos());
    if (!owner) return nullptr;
    Next();
    std::vector<RToken*> items{owner};
    if (Sym() == sym::kOpenBracket) {
      Next();
      if (Sym() == sym::kCloseBracket) {
        Next();
      } else {
        for (;;) {
          if (items.size() == 3) return Fail("Only 1- and 2-dimensional arrays are supported.");
          RToken* e = Expression();
          if (!e) return nullptr;
          items.push_back(e);
          if (Sym() == sym::kComma) {
            Next();
            continue;
          }
          if (Sym() == sym::kCloseBracket) break;
          if (Sym() == sym::kEnd) return Fail("Symbol ] expected.");
          return Fail("Symbol , or ] expected.");
        }
        Next();
      }
    }
    return Make(NodeKind::Variable, id, pos, items);
  }

  RToken* Expression() {
    Depth d(*this);
    if (TooDeep()) return Fail(kMsgTooDeep);
    return Level(1);
  }

  static bool AtLevel(int level, int32_t s) {
    switch (level) {
      case 1: return s == sym::kAnd || s == sym::kOr || s == sym::kXor;
      case 2:
        return s == sym::kAssign || s == sym::kEqual || s == sym::kLess || s == sym::kLessEqual ||
               s == sym::kNotEqual || s == sym::kGreaterEqual || s == sym::kGreater;
      case 3: return s == sym::kBitOr || s == sym::kBitAnd || s == sym::kBitXor;
      case 4: return s == sym::kShiftLeft || s == sym::kShiftRight;
      case 5: return s == sym::kPlus || s == sym::kMinus;
      default: return s == sym::kMul || s == sym::kDivide || s == sym::kDiv || s == sym::kMod;
    }
  }

  // Binary levels 1 (loosest) to 6, left-associative, built in a loop.
  RToken* Level(int level) {
    int32_t pos = Pos();
    RToken* left = level == 6 ? Unary() : Level(level + 1);
    while (left && AtLevel(level, Sym())) {
      int32_t op = Sym();
      Next();
      RToken* right = level == 6 ? Unary() : Level(level + 1);
      if (!right) return nullptr;
      left = Make(NodeKind::Binary, op, pos, {left, right});
    }
    return left;
  }

  // A primary followed by any number of .name member accesses.
  RToken* Unary() {
    int32_t pos = Pos();
    RToken* e = Primary();
    while (e && Sym() == sym::kDot) {
      Next();
      if (Sym() != sym::kVariable) return Fail("Variable name expected.");
      e = VariableRef(e, pos);
    }
    return e;
  }

  RToken* Primary() {
    int32_t pos = Pos();
    switch (Sym()) {
      case sym::kConst: {
        RToken* n = Const(Cur().val, pos);
        if (n) Next();
        return n;
      }
      case sym::kFunction: return Call();
      case sym::kVariable: return VariableRef(nullptr, pos);
      case sym::kOpen: {
        Next();
        RToken* e = Expression();
        if (!e) return nullptr;
        if (Sym() != sym::kClose) return Fail("Symbol ) expected.");
        Next();
        return e;
      }
      case sym::kNot:
      case sym::kMinus:
      case sym::kPlus:
      case sym::kBitNot: {
        Depth d(*this);
        if (TooDeep()) return Fail(kMsgTooDeep);
        int32_t op = Sym();
        Next();
        RToken* e = Unary();
        if (!e) return nullptr;
        return Make(NodeKind::Unary, op, pos, {e});
      }
      default: return Fail("Unexpected symbol in expression.");
    }
  }

  CCode& code_;
  const RTokenList2& t_;
  const CompileContext& ctx_;
  RCodeFaults* faults_;
  std::vector<int32_t> lineStarts_;
  size_t p_ = 0;
  int32_t depth_ = 0;
  bool tooDeep_ = false;
};
}  // namespace

RToken* Parse(CCode& code, const RTokenList2& tokens, const CompileContext& ctx, RCodeFaults* faults) {
  if (tokens.empty()) return nullptr;
  Parser p(code, tokens, ctx, faults);
  return code.IsProgram() ? p.Program() : p.ExpressionCode();
}
