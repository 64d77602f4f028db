// The 3D functions on a device that keeps state only: the world, view and projection matrices
// against hand-computed ones, the transform stack's limits, the mode's states, the geometry a
// model records, and the model file (round trips and damaged files).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "runner/base/Option_Main.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_3D.h"
#include "runner/graphics/Graphics_3D_Model.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"

namespace gpu = platform::gpu;
namespace fs = std::filesystem;

namespace {
RValue Call(const char* name, std::vector<RValue> args = {}) {
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  const RFunction* f = FunctionAt(id);
  if (!f) return RValue(-999.0);
  EXPECT_EQ(f->f_argnumb, static_cast<int32_t>(args.size())) << name;
  RValue argv[kMaxFunctionArgs];
  for (size_t i = 0; i < args.size(); ++i) argv[i] = args[i];
  RValue result;
  f->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv, result);
  return result;
}
double Num(const char* name, std::vector<RValue> args = {}) { return Call(name, std::move(args)).val(); }
std::vector<RValue> R(std::initializer_list<double> v) { return {v.begin(), v.end()}; }

using Rows = std::array<std::array<float, 4>, 4>;
std::string Show(const D3DMatrix& m) {
  std::string s;
  for (auto& row : m.m) {
    for (float v : row) s += std::to_string(v) + " ";
    s += "| ";
  }
  return s;
}
::testing::AssertionResult Near(const D3DMatrix& actual, const Rows& expected) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::fabs(actual.m[r][c] - expected[r][c]) > 1e-5f)
        return ::testing::AssertionFailure() << "got " << Show(actual) << " want " << Show(D3DMatrix{expected});
  return ::testing::AssertionSuccess();
}

class D3DFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFunctions(AllFunctionFamilies());
    SetD3DDevice(gpu::CreateNullDevice());
    D3DDevice()->Reset(64, 48, 0);
  }
  void TearDown() override { SetD3DDevice(nullptr); }
  static D3DMatrix Get(gpu::ETransform t) { return D3DDevice()->GetTransform(t); }
};

struct Call1 {
  const char* name;
  std::vector<RValue> args;
};

TEST_F(D3DFunctions, WorldTransformsMatchHandComputedMatrices) {
  // Rotations turn opposite to the matrix helpers: 90 degrees is a rotation by −π/2.
  const struct {
    std::vector<Call1> calls;
    Rows world;
  } cases[] = {
      {{{"d3d_transform_set_translation", R({1, 2, 3})}}, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}}}},
      {{{"d3d_transform_set_scaling", R({2, 3, 4})}}, {{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_x", R({90})}}, {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_y", R({90})}}, {{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_z", R({90})}}, {{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_axis", R({0, 0, 2, 90})}},
       {{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}},
      // "add" applies after what is there: the translated drawing turns about the origin.
      {{{"d3d_transform_set_translation", R({100, 0, 0})}, {"d3d_transform_add_rotation_z", R({90})}},
       {{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, -100, 0, 1}}}},
      {{{"d3d_transform_set_rotation_z", R({90})}, {"d3d_transform_add_translation", R({100, 0, 0})}},
       {{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {100, 0, 0, 1}}}},
      {{{"d3d_transform_set_translation", R({10, 0, 0})}, {"d3d_transform_add_scaling", R({2, 2, 2})}},
       {{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {20, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_x", R({180})}, {"d3d_transform_add_rotation_x", R({-90})}},
       {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_rotation_y", R({45})}, {"d3d_transform_add_rotation_axis", R({0, 1, 0, 45})}},
       {{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}}},
      {{{"d3d_transform_set_scaling", R({5, 5, 5})}, {"d3d_transform_set_identity", {}}},
       {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}},
  };
  for (const auto& c : cases) {
    for (const Call1& call : c.calls) Call(call.name, call.args);
    EXPECT_TRUE(Near(Get(gpu::ETransform::World), c.world)) << c.calls.back().name;
  }
}

TEST_F(D3DFunctions, ProjectionsMatchHandComputedMatrices) {
  // Eye at the origin looking along +z with y up: the view is the identity.
  Call("d3d_set_projection_ext", R({0, 0, 0, 0, 0, 1, 0, 1, 0, 90, 2, 1, 100}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::View), {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}));
  const float q = 100.0f / 99.0f;
  EXPECT_TRUE(Near(Get(gpu::ETransform::Projection), {{{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, q, 1}, {0, 0, -q, 0}}}));

  // The plain look-at leaves the projection alone.
  Call("d3d_set_projection", R({0, 0, -10, 0, 0, 0, 0, 1, 0}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::View), {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 10, 1}}}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::Projection), {{{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, q, 1}, {0, 0, -q, 0}}}));
  // Looking along +x with z up: world y is to the right.
  Call("d3d_set_projection", R({-5, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::View), {{{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 5, 1}}}));

  // The orthographic and the perspective case of the 2D projection, whatever the mode.
  Call("d3d_start");
  Call("d3d_set_projection_ortho", R({0, 0, 64, 48, 0}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::View), {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-32, -24, 16000, 1}}}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::Projection),
                   {{{2.0f / 64, 0, 0, 0}, {0, -2.0f / 48, 0, 0}, {0, 0, 1.0f / 31999, 0}, {0, 0, -1.0f / 31999, 1}}}));
  Call("d3d_end");
  Call("d3d_set_projection_perspective", R({0, 0, 64, 48, 0}));
  EXPECT_TRUE(Near(Get(gpu::ETransform::View), {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-32, -24, 64, 1}}}));
  const float p = 32000.0f / 31999.0f;
  EXPECT_TRUE(Near(Get(gpu::ETransform::Projection), {{{2, 0, 0, 0}, {0, 2 / 0.75f, 0, 0}, {0, 0, p, 1}, {0, 0, -p, 0}}}));
}

TEST_F(D3DFunctions, TheTransformStackHoldsAThousandAndOneMatrices) {
  EXPECT_EQ(Num("d3d_transform_stack_empty"), 1);
  for (const char* f : {"d3d_transform_stack_pop", "d3d_transform_stack_top", "d3d_transform_stack_discard"})
    EXPECT_EQ(Num(f), 0) << f;
  Call("d3d_transform_set_translation", R({7, 0, 0}));
  EXPECT_EQ(Num("d3d_transform_stack_push"), 1);
  Call("d3d_transform_set_scaling", R({3, 3, 3}));
  for (int i = 1; i < kTransformStackSize; ++i) ASSERT_EQ(Num("d3d_transform_stack_push"), 1) << i;
  EXPECT_EQ(Num("d3d_transform_stack_push"), 0);
  EXPECT_EQ(Num("d3d_transform_stack_empty"), 0);
  // Top sets the world to the top entry and keeps it; discard drops it without setting.
  Call("d3d_transform_set_identity");
  EXPECT_EQ(Num("d3d_transform_stack_top"), 1);
  EXPECT_EQ(Get(gpu::ETransform::World).m[0][0], 3);
  EXPECT_EQ(D3D_StackSize(), kTransformStackSize);
  for (int i = 1; i < kTransformStackSize; ++i) ASSERT_EQ(Num("d3d_transform_stack_discard"), 1);
  Call("d3d_transform_set_identity");
  EXPECT_EQ(Num("d3d_transform_stack_pop"), 1);
  EXPECT_TRUE(Near(Get(gpu::ETransform::World), {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {7, 0, 0, 1}}}));
  EXPECT_EQ(Num("d3d_transform_stack_empty"), 1);
  Call("d3d_transform_stack_push");
  Call("d3d_transform_stack_clear");
  EXPECT_EQ(Num("d3d_transform_stack_empty"), 1);
}

TEST_F(D3DFunctions, ModeSwitchesHiddenSurfacesPerspectiveAndDepth) {
  Display_ApplyAllStates();
  EXPECT_FALSE(D3DDevice()->GetRenderStates().zEnable);
  EXPECT_EQ(Num("d3d_start"), 1);
  EXPECT_TRUE(D3D_Mode());
  EXPECT_TRUE(D3DDevice()->GetRenderStates().zEnable);
  Call("d3d_set_depth", R({20000}));
  EXPECT_EQ(TextureDrawDepth(), 16000);
  Call("d3d_set_depth", R({-123.5}));
  EXPECT_EQ(TextureDrawDepth(), -123.5);
  Call("d3d_set_hidden", R({0}));
  EXPECT_FALSE(D3DDevice()->GetRenderStates().zEnable);
  Call("d3d_start");  // already on: nothing changes
  EXPECT_FALSE(D3DDevice()->GetRenderStates().zEnable);
  EXPECT_EQ(Num("d3d_end"), 1);
  EXPECT_FALSE(RenderStateCache().perspective);
  Call("d3d_set_depth", R({20000}));
  EXPECT_EQ(TextureDrawDepth(), 0);
  Call("d3d_start");
  EXPECT_TRUE(D3DDevice()->GetRenderStates().zEnable);
  EXPECT_TRUE(RenderStateCache().perspective);
  Call("d3d_end");

  // The ambient light: a game colour as the device's 0x00RRGGBB, cut rather than rounded; a
  // string changes nothing.
  Call("d3d_light_define_ambient", R({0x3020FF + 0.9}));
  EXPECT_EQ(D3DDevice()->GetRenderStates().ambient, 0x00FF2030u);
  Call("d3d_light_define_ambient", {RValue("red")});
  EXPECT_EQ(D3DDevice()->GetRenderStates().ambient, 0x00FF2030u);
}

// The vertices a model records, by their x coordinates.
std::vector<float> Xs(const std::vector<RVertex3D>& v) {
  std::vector<float> out;
  for (const RVertex3D& p : v) out.push_back(p.x);
  return out;
}

TEST_F(D3DFunctions, ModelsRecordPrimitivesAsLists) {
  const double m = Num("d3d_model_create");
  auto prim = [&](int kind, int n) {
    Call("d3d_model_primitive_begin", R({m, double(kind)}));
    for (int i = 0; i < n; ++i) Call("d3d_model_vertex", R({m, double(i), 0, 0}));
    Call("d3d_model_primitive_end", R({m}));
  };
  prim(5, 5);  // strip: every other triangle turned round
  prim(6, 4);  // fan
  prim(4, 5);  // list: the stray fifth vertex is left out
  prim(3, 3);  // line strip
  prim(2, 3);  // line list
  prim(1, 2);  // points
  prim(5, 2);  // too few to draw
  prim(9, 3);  // no kind
  Call("d3d_model_draw", R({m, 0, 0, 0, -1}));
  const CGraphicsRecorder* mesh = D3D_Model(static_cast<int32_t>(m))->Mesh();
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(Xs(mesh->Triangles()), (std::vector<float>{0, 1, 2, 3, 2, 1, 2, 3, 4, 0, 1, 2, 0, 2, 3, 0, 1, 2}));
  EXPECT_EQ(Xs(mesh->Lines()), (std::vector<float>{0, 1, 1, 2, 0, 1}));
  EXPECT_EQ(Xs(mesh->Points()), (std::vector<float>{0, 1}));
  // One buffer per family, uploaded once.
  EXPECT_EQ(mesh->BufferCount(), 3);
  const int64_t calls = D3DDevice()->DrawCalls();
  Call("d3d_model_draw", R({m, 0, 0, 0, -1}));
  EXPECT_EQ(mesh->BufferCount(), 3);
  EXPECT_EQ(D3DDevice()->DrawCalls() - calls, 3);
}

TEST_F(D3DFunctions, ShapesRecordTheirGeometry) {
  const struct {
    const char* shape;
    std::vector<RValue> args;  // after the model id
    size_t triangleVertices;
  } cases[] = {
      {"d3d_model_block", R({0, 0, 0, 1, 1, 1, 1, 1}), 6 * 2 * 3},
      {"d3d_model_cylinder", R({0, 0, 0, 1, 1, 1, 1, 1, 0, 2}), 3 * 2 * 3},      // steps 2 → 3
      {"d3d_model_cylinder", R({0, 0, 0, 1, 1, 1, 1, 1, 0, 500}), 128 * 2 * 3},  // steps 500 → 128
      {"d3d_model_cylinder", R({0, 0, 0, 1, 1, 1, 1, 1, 1, 4}), (4 * 2 + 4 + 4) * 3},  // with caps
      {"d3d_model_cone", R({0, 0, 0, 1, 1, 1, 1, 1, 1, 6}), (6 * 2 + 6) * 3},
      {"d3d_model_ellipsoid", R({0, 0, 0, 1, 1, 1, 1, 1, 8}), 4 * 8 * 2 * 3},  // 4 bands
      {"d3d_model_ellipsoid", R({0, 0, 0, 1, 1, 1, 1, 1, 5}), 3 * 5 * 2 * 3},  // 3 bands
      {"d3d_model_wall", R({0, 0, 0, 1, 1, 1, 1, 1}), 2 * 3},
      {"d3d_model_wall", R({3, 4, 0, 3, 4, 1, 1, 1}), 0},  // no length: nothing
      {"d3d_model_floor", R({0, 0, 0, 1, 1, 0, 1, 1}), 2 * 3},
  };
  for (const auto& c : cases) {
    const double m = Num("d3d_model_create");
    std::vector<RValue> args{RValue(m)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Call(c.shape, args);
    Call("d3d_model_draw", R({m, 0, 0, 0, -1}));
    EXPECT_EQ(D3D_Model(static_cast<int32_t>(m))->Mesh()->Triangles().size(), c.triangleVertices) << c.shape;
    Call("d3d_model_destroy", R({m}));
  }
  // A block's texture runs 0..hrepeat and 0..vrepeat on every face, and repeat is back off.
  const double m = Num("d3d_model_create");
  Call("d3d_model_block", R({m, 0, 0, 0, 1, 1, 1, 3, 2}));
  Call("d3d_model_draw", R({m, 0, 0, 0, -1}));
  float umax = 0, vmax = 0;
  for (const RVertex3D& v : D3D_Model(static_cast<int32_t>(m))->Mesh()->Triangles())
    umax = std::max(umax, v.u), vmax = std::max(vmax, v.v);
  EXPECT_EQ(umax, 3);
  EXPECT_EQ(vmax, 2);
  EXPECT_FALSE(RenderStateCache().repeat);
}

TEST_F(D3DFunctions, ModelsKeepTheirOwnColoursAndFollowTheDrawingColour) {
  const double plain = Num("d3d_model_create"), own = Num("d3d_model_create");
  for (double m : {plain, own}) Call("d3d_model_primitive_begin", R({m, 4}));
  for (int i = 0; i < 3; ++i) {
    Call("d3d_model_vertex", R({plain, double(i), 0, 0}));
    Call("d3d_model_vertex_color", R({own, double(i), 0, 0, 0x0000FF, 1}));
  }
  for (double m : {plain, own}) Call("d3d_model_primitive_end", R({m}));
  auto colour = [](double m) { return D3D_Model(static_cast<int32_t>(m))->Mesh()->Triangles()[0].color; };
  for (int32_t col : {0x00FF00, 0xFF0000}) {
    Call("draw_set_color", R({double(col)}));
    for (double m : {plain, own}) Call("d3d_model_draw", R({m, 0, 0, 0, -1}));
    EXPECT_EQ(colour(plain), (QuadColor(col, 1) & ~1u)) << col;
    EXPECT_EQ(colour(own), 0xFFFF0001u) << col;  // red, marked as its own
  }
  Call("draw_set_color", R({0xFFFFFF}));
}

// Model files.
struct TempDir {
  fs::path dir = fs::temp_directory_path() / ("d3d_models_" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(dir); }
  ~TempDir() { fs::remove_all(dir); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(D3DFunctions, ModelsSaveAndLoadTheirText) {
  TempDir tmp;
  const double m = Num("d3d_model_create");
  Call("d3d_model_primitive_begin", R({m, 4}));
  Call("d3d_model_vertex_normal_texture_color", R({m, 1.5, -2, 1e-5, 0, 0, 1, 0.25, 0.75, 255, 0.5}));
  Call("d3d_model_primitive_end", R({m}));
  Call("d3d_model_block", R({m, 0, 0, 0, 12345678901.0, 1234567.891234, 1, 1, 1}));
  Call("d3d_model_save", {RValue(m), RValue((tmp.dir / "a.txt").string())});
  const std::string text = tmp.Read("a.txt");
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "100");
  EXPECT_EQ(lines[1], "4");
  EXPECT_EQ(lines[2], "0 4.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000");
  EXPECT_EQ(lines[3], "9 1.5000 -2.0000 0.0000 0.0000 0.0000 1.0000 0.2500 0.7500 255.0000 0.5000");
  EXPECT_EQ(lines[4], "1 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000");
  // Ten significant digits, and the exponent form where they do not reach the decimals.
  EXPECT_EQ(lines[5], "10 0.0000 0.0000 0.0000 1.234567890E+10 1234567.8910 1.0000 1.0000 1.0000 0.0000 0.0000");

  const double n = Num("d3d_model_create");
  Call("d3d_model_load", {RValue(n), RValue((tmp.dir / "a.txt").string())});
  Call("d3d_model_save", {RValue(n), RValue((tmp.dir / "b.txt").string())});
  EXPECT_EQ(tmp.Read("b.txt"), text);
  // A failed load leaves the model empty; a missing file too.
  Call("d3d_model_load", {RValue(n), RValue((tmp.dir / "none.txt").string())});
  EXPECT_TRUE(D3D_Model(static_cast<int32_t>(n))->Entries().empty());
  // Saving over a file replaces it whole.
  Call("d3d_model_save", {RValue(n), RValue((tmp.dir / "a.txt").string())});
  EXPECT_EQ(tmp.Read("a.txt"), "100\r\n0\r\n");
  // Secure mode writes no model through a folder name.
  SetSecureMode(true);
  Call("d3d_model_save", {RValue(m), RValue((tmp.dir / "c.txt").string())});
  EXPECT_FALSE(fs::exists(tmp.dir / "c.txt"));
  SetSecureMode(false);
}

TEST_F(D3DFunctions, DamagedModelFilesLoadAsFarAsTheyAreReadable) {
  const std::string entry = "2 1.0000 2.0000 3.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000\r\n";
  const struct {
    const char* what;
    std::string text;
    bool ok;
    size_t count;
    double firstX;  // arg0 of the first entry when there is one
  } cases[] = {
      {"whole", "100\r\n2\r\n" + entry + entry, true, 2, 1},
      {"wrong version", "101\r\n1\r\n" + entry, false, 0, 0},
      {"no version", "", false, 0, 0},
      {"text for the count", "100\r\nmany\r\n" + entry, false, 0, 0},
      // A count the file cannot hold is cut to what it could: no two-billion-entry array.
      {"huge count", "100\r\n2000000000\r\n" + entry, false, 3, 1},
      {"negative count", "100\r\n-5\r\n" + entry, true, 0, 0},
      {"missing lines", "100\r\n3\r\n" + entry + entry.substr(0, 20), false, 3, 1},
      {"kind outside the table", "100\r\n1\r\n99 1 0 0 0 0 0 0 0 0 0\r\n", true, 1, 1},
      {"kind not an integer", "100\r\n1\r\n2.5 1 0 0 0 0 0 0 0 0 0\r\n", false, 1, 0},
      {"NaN", "100\r\n2\r\n" + entry + "2 nan 0 0 0 0 0 0 0 0 0\r\n", false, 2, 1},
      {"infinity", "100\r\n1\r\n2 1e999 0 0 0 0 0 0 0 0 0\r\n", false, 1, 0},
      {"comma decimals", "100\r\n1\r\n2 1,5 0 0 0 0 0 0 0 0 0\r\n", true, 1, 1.5},
      {"LF line ends and extra words", "100\n1\n2 -4 0 0 0 0 0 0 0 0 0 extra\n", true, 1, -4},
      {"entry spread over lines", "100\r\n1\r\n2\r\n7 0 0 0 0\r\n0 0 0 0 0\r\n", true, 1, 7},
  };
  for (const auto& c : cases) {
    std::vector<REntry> entries;
    EXPECT_EQ(ParseModelText(c.text, entries), c.ok) << c.what;
    EXPECT_EQ(entries.size(), c.count) << c.what;
    if (!entries.empty()) {
      EXPECT_EQ(entries[0].arg[0], c.firstX) << c.what;
    }
  }
}
}  // namespace
