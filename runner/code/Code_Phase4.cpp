// Rewriting and folding; see Code_Phase4.h. The walk recurses, bounded by kMaxTreeHeight.
#include "runner/code/Code_Phase4.h"

#include <unordered_set>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Code_Operator.h"

namespace {
class Folder {
 public:
  Folder(const CCode& code, RCodeFaults* faults) : code_(code), faults_(faults) {}

  // Children first, in order; then the node itself.
  bool Visit(RToken* n) {
    for (int32_t i = 0; i < n->itemnumb; ++i)
      if (!Visit(n->items[i])) return false;
    switch (n->Kind()) {
      case NodeKind::LocalDecl:
        // Not scoped: every later use in the text is local, inside the block or not.
        for (int32_t i = 0; i < n->itemnumb; ++i) locals_.insert(n->items[i]->ind);
        return true;
      case NodeKind::Variable: return Variable(n);
      case NodeKind::Unary: {
        RToken* a = n->items[0];
        if (a->Kind() != NodeKind::Constant) return true;
        RValue out;
        if (const char* err = UnaryOp(n->ind, a->value, out)) return Fail(a->position, err);
        MakeConstant(n, std::move(out));
        return true;
      }
      case NodeKind::Binary: {
        RToken* l = n->items[0];
        RToken* r = n->items[1];
        if (l->Kind() != NodeKind::Constant || r->Kind() != NodeKind::Constant) return true;
        if (!FoldableSize(n->ind, l->value, r->value)) return true;
        RValue out;
        if (const char* err = BinaryOp(n->ind, l->value, r->value, out)) return Fail(r->position, err);
        MakeConstant(n, std::move(out));
        return true;
      }
      default: return true;
    }
  }

 private:
  bool Variable(RToken* n) {
    RToken* owner = n->items[0];
    if (owner->Kind() != NodeKind::Constant) return true;
    if (owner->value.IsReal() && owner->value.val() == kOwnerUnqualified && locals_.count(n->ind))
      owner->value.SetReal(kOwnerLocal);
    if (n->itemnumb != 1) return true;
    if (owner->value.IsString()) return Fail(owner->position, "Left hand side must be a real value.");
    n->kind = static_cast<int32_t>(NodeKind::SimpleVariable);
    n->ind2 = RoundToInt32(owner->value.val());
    n->itemnumb = 0;
    n->items = nullptr;
    n->height = 1;
    return true;
  }

  // A few bytes of code can spell a huge text (100000000 * "ab"); built here it would stay in
  // the tree, for every such operation, even in code that never runs. A repetition longer than
  // its operands and kMaxFoldedTextBytes is left to run time, where the same operator builds
  // it. One too long for any text still fails here.
  static bool FoldableSize(int32_t op, const RValue& l, const RValue& r) {
    const uint64_t bytes = BinaryTextBytes(op, l, r);
    const uint64_t operands = uint64_t{l.str().size()} + r.str().size();
    return bytes <= kMaxFoldedTextBytes || bytes <= operands || bytes > kMaxStringBytes;
  }

  static void MakeConstant(RToken* n, RValue v) {
    n->kind = static_cast<int32_t>(NodeKind::Constant);
    n->ind = 0;
    n->itemnumb = 0;
    n->items = nullptr;
    n->height = 1;
    n->value = std::move(v);
  }

  // Without faults the walk stops here; with them the node stays as it is and the walk goes on.
  bool Fail(int32_t pos, const char* msg) {
    ReportCodeError(code_, pos, msg);
    if (!faults_) return false;
    faults_->Take();
    return !faults_->Full();
  }

  const CCode& code_;
  RCodeFaults* faults_;
  std::unordered_set<int32_t> locals_;
};
}  // namespace

bool RewriteAndFold(const CCode& code, RToken* root, RCodeFaults* faults) {
  Folder f(code, faults);
  return f.Visit(root);
}
