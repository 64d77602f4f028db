// A small fixed world for compiler tests: a few functions, resources, triggers and constants,
// some of them deliberately clashing so the lookup order shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Main.h"

class TestContext : public CompileContext {
 public:
  struct Fn {
    std::string name;
    int32_t id;
    int32_t argc;
  };
  struct Res {
    ResourceKind kind;
    std::string name;
    int32_t index;
  };
  struct Const {
    std::string name;
    RValue value;
  };

  TestContext() {
    // Scripts first, then extension functions, then built-ins: the first match wins.
    fns = {
        {"scr_a", 100000, -1},  {"scr_b", 100001, -1},    {"dup", 100002, -1},
        {"ext_f", 500000, 2},   {"ext_v", 500001, -1},    {"dup", 500002, 1},
        {"dup2", 500003, 1},    {"f0", 0, 0},             {"f1", 1, 1},
        {"f2", 2, 2},           {"fv", 3, -1},            {"dup", 4, 0},
        {"dup2", 5, 0},         {"instance_create", 6, 3},
    };
    res = {
        {ResourceKind::Object, "obj_player", 0}, {ResourceKind::Object, "obj_wall", 1},
        {ResourceKind::Object, "direction", 2},  {ResourceKind::Sprite, "obj_wall", 7},
        {ResourceKind::Sprite, "spr_a", 3},      {ResourceKind::Sound, "snd_a", 4},
        {ResourceKind::Background, "bg_a", 5},   {ResourceKind::Path, "pth_a", 6},
        {ResourceKind::Font, "fnt_a", 8},        {ResourceKind::TimeLine, "tl_a", 9},
        {ResourceKind::Script, "scr_a", 0},      {ResourceKind::Room, "rm_a", 10},
        {ResourceKind::Room, "spr_a", 11},
    };
    triggers = {{ResourceKind::Object, "tr_go", 12}};
    consts = {
        {"self", RValue(-1.0)},       {"other", RValue(-2.0)},     {"all", RValue(-3.0)},
        {"noone", RValue(-4.0)},      {"global", RValue(-5.0)},    {"local", RValue(-7.0)},
        {"true", RValue(1.0)},        {"false", RValue(0.0)},      {"c_red", RValue(255.0)},
        {"obj_player", RValue(99.0)}, {"tr_go", RValue(98.0)},     {"c_dup", RValue(1.0)},
        {"c_dup", RValue(2.0)},       {"greeting", RValue("hi")},
    };
  }

  bool FindFunction(std::string_view name, int32_t& id) const override {
    for (const Fn& f : fns)
      if (f.name == name) {
        id = f.id;
        return true;
      }
    return false;
  }
  int32_t FunctionArgCount(int32_t id) const override {
    for (const Fn& f : fns)
      if (f.id == id) return f.argc;
    return -100;
  }
  std::string FunctionName(int32_t id) const override {
    for (const Fn& f : fns)
      if (f.id == id) return f.name + "#" + std::to_string(id);
    return "#" + std::to_string(id);
  }
  bool FindResource(ResourceKind kind, std::string_view name, int32_t& index) const override {
    for (const Res& r : res)
      if (r.kind == kind && r.name == name) {
        index = r.index;
        return true;
      }
    return false;
  }
  bool FindTrigger(std::string_view name, int32_t& index) const override {
    for (const Res& r : triggers)
      if (r.name == name) {
        index = r.index;
        return true;
      }
    return false;
  }
  bool FindConstant(std::string_view name, RValue& value) const override {
    for (size_t i = consts.size(); i-- > 0;)
      if (consts[i].name == name) {
        value = consts[i].value;
        return true;
      }
    return false;
  }

  std::vector<Fn> fns;
  std::vector<Res> res;
  std::vector<Res> triggers;
  std::vector<Const> consts;
};

// Installs a TestContext for the lifetime of the guard.
struct ScopedTestContext {
  ScopedTestContext() { SetCompileContext(&ctx); }
  ~ScopedTestContext() { SetCompileContext(nullptr); }
  TestContext ctx;
};

// Whether every node of a tree has a known kind and a child count its kind allows; returns
// the first fault found, or an empty string.
inline std::string TreeFault(const RToken* root) {
  std::vector<std::pair<const RToken*, int32_t>> todo{{root, 1}};
  while (!todo.empty()) {
    auto [n, depth] = todo.back();
    todo.pop_back();
    if (!n) return "null node";
    const RNodeKindInfo* info = NodeKindInfo(n->kind);
    if (!info) return "unknown kind " + std::to_string(n->kind);
    if (n->itemnumb < info->min_items || (info->max_items >= 0 && n->itemnumb > info->max_items))
      return std::string(info->name) + " with " + std::to_string(n->itemnumb) + " children";
    if (depth > kMaxTreeHeight) return "tree too deep";
    bool decl = n->Kind() == NodeKind::LocalDecl || n->Kind() == NodeKind::GlobalDecl;
    for (int32_t i = 0; i < n->itemnumb; ++i) {
      if (decl && n->items[i]->Kind() != NodeKind::Constant) return "declaration of a non-name";
      todo.push_back({n->items[i], depth + 1});
    }
  }
  return "";
}
