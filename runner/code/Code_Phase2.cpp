// Name resolution; see Code_Phase2.h.
#include "runner/code/Code_Phase2.h"

#include <charconv>
#include <limits>
#include <string>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Code_Token.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Main.h"

double NumberValue(std::string_view text) {
  if (!text.empty() && text[0] == '$') {
    double v = 0.0;
    for (char c : text.substr(1)) {
      int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      v = v * 16.0 + d;
    }
    return v;
  }
  std::string whole, frac;
  bool dot = false;
  for (char c : text) {
    if (c == '.')
      dot = true;
    else
      (dot ? frac : whole) += c;
  }
  std::string num = (whole.empty() ? "0" : whole) + "." + (frac.empty() ? "0" : frac);
  double v = 0.0;
  auto r = std::from_chars(num.data(), num.data() + num.size(), v, std::chars_format::fixed);
  if (r.ec == std::errc::result_out_of_range)
    v = whole.find_first_not_of('0') == std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
  return v;
}

bool Resolve(const CCode& code, const RTokenList1& in, const CompileContext& ctx, RTokenList2& out,
             RResolveInfo& info, RCodeFaults* faults) {
  out.clear();
  out.reserve(in.size());
  const int32_t arg0 = BuiltInArgument0Id(), argArray = BuiltInArgumentArrayId();
  for (size_t i = 0; i < in.size(); ++i) {
    const RToken1& t = in[i];
    RToken2 r;
    r.position = t.position;
    switch (t.symbol) {
      case sym::kIdent: {
        if (i + 1 < in.size() && in[i + 1].symbol == sym::kOpen) {
          if (!ctx.FindFunction(t.str, r.ind)) {
            ReportCodeError(code, t.position, "Unknown function or script: " + t.str);
            if (!faults) return false;
            faults->Take();
            if (faults->Full()) return false;
            r.ind = kUnknownFunctionId;
          }
          r.symbol = sym::kFunction;
          break;
        }
        int32_t index = -1;
        bool found = false;
        for (ResourceKind k : kResourceLookupOrder)
          if (ctx.FindResource(k, t.str, index)) {
            found = true;
            break;
          }
        if (!found) found = ctx.FindTrigger(t.str, index);
        if (found) {
          r.symbol = sym::kConst;
          r.val.SetReal(index);
          break;
        }
        if (ctx.FindConstant(t.str, r.val)) {
          r.symbol = sym::kConst;
          break;
        }
        r.symbol = sym::kVariable;
        r.ind = VarIdOfName(t.str);
        if (r.ind >= arg0 && r.ind <= arg0 + 15) {
          if (r.ind - arg0 > info.max_arg) info.max_arg = r.ind - arg0;
        } else if (r.ind == argArray) {
          info.arg_array = true;
        }
        break;
      }
      case sym::kNumber:
        r.symbol = sym::kConst;
        r.val.SetReal(NumberValue(t.str));
        break;
      case sym::kString:
        if (t.str.size() > kMaxStringBytes) {
          ReportCodeError(code, t.position, "String constant is too long.");
          if (!faults) return false;
          faults->Take();
          if (faults->Full()) return false;
        }
        r.symbol = sym::kConst;
        r.val.SetString(t.str);
        break;
      default: r.symbol = t.symbol; break;
    }
    out.push_back(std::move(r));
  }
  return true;
}
