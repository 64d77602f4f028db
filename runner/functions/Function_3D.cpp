// Built-in functions of 3D drawing: the mode and its states, the camera, the world transform
// and its stack, lights, 3D primitives, the shapes and the models.
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Support_File.h"
#include "runner/base/Option_Main.h"
#include "runner/graphics/Graphics_3D.h"
#include "runner/graphics/Graphics_3D_Model.h"
#include "runner/graphics/Graphics_Display.h"

namespace {
using Args = RValue*;
using platform::gpu::Vec3;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return IsTrue(v.val()); }
double D(const RValue& v) { return v.val(); }
float Fl(const RValue& v) { return static_cast<float>(v.val()); }
Vec3 V3(const Args a) { return {Fl(a[0]), Fl(a[1]), Fl(a[2])}; }
// The game's angles turn opposite to the matrix helpers.
float Angle(const RValue& v) { return static_cast<float>(-v.val() * kDegToRad); }

// Mode and states.
void d3d_start(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  D3D_Start();
  r = RValue(1.0);
}
void d3d_end(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  D3D_End();
  r = RValue(1.0);
}
void d3d_set_perspective(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_SetPerspective(B(a[0])); }
void d3d_set_hidden(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetHiddenSurface(B(a[0])); }
void d3d_set_lighting(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetLighting(B(a[0])); }
void d3d_set_shading(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetShading(B(a[0])); }
void d3d_set_culling(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetCulling(B(a[0])); }
void d3d_set_fog(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetFog(B(a[0]), I(a[1]), D(a[2]), D(a[3])); }
void d3d_set_depth(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_SetDepth(D(a[0])); }

// Projections.
void d3d_set_projection(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_SetProjection(V3(a), V3(a + 3), V3(a + 6));
}
void d3d_set_projection_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_SetProjectionExt(V3(a), V3(a + 3), V3(a + 6), D(a[9]), D(a[10]), D(a[11]), D(a[12]));
}
void d3d_set_projection_ortho(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_SetProjectionOrtho(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]));
}
void d3d_set_projection_perspective(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_SetProjectionPerspective(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]));
}

// The world transform.
D3DMatrix Translation(const Args a) { return MatrixTranslation(Fl(a[0]), Fl(a[1]), Fl(a[2])); }
D3DMatrix Scaling(const Args a) { return MatrixScaling(Fl(a[0]), Fl(a[1]), Fl(a[2])); }
D3DMatrix RotationX(const Args a) { return MatrixRotationX(Angle(a[0])); }
D3DMatrix RotationY(const Args a) { return MatrixRotationY(Angle(a[0])); }
D3DMatrix RotationZ(const Args a) { return MatrixRotationZ(Angle(a[0])); }
D3DMatrix RotationAxis(const Args a) { return MatrixRotationAxis(Fl(a[0]), Fl(a[1]), Fl(a[2]), Angle(a[3])); }

template <D3DMatrix (*M)(const Args)>
void Set(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_TransformSet(M(a));
}
template <D3DMatrix (*M)(const Args)>
void Add(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_TransformAdd(M(a));
}
void d3d_transform_set_identity(CInstance*, CInstance*, int32_t, Args, RValue&) {
  D3D_TransformSet(D3DMatrix::Identity());
}

template <bool (*F)()>
void Stack(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r = RValue(F() ? 1.0 : 0.0);
}
void d3d_transform_stack_clear(CInstance*, CInstance*, int32_t, Args, RValue&) { D3D_StackClear(); }

// Lights.
void d3d_light_define_ambient(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!a[0].IsReal()) return;
  const double v = a[0].val();
  // The colour is cut, not rounded.
  D3D_LightDefineAmbient(v > -2147483648.0 && v < 2147483648.0 ? static_cast<int32_t>(v) : 0);
}
void d3d_light_define_direction(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_LightDefineDirection(I(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]));
}
void d3d_light_define_point(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_LightDefinePoint(I(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), I(a[5]));
}
void d3d_light_enable(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_LightEnable(I(a[0]), B(a[1])); }

// Primitives. Each vertex call takes its arguments in the order of the model entries.
void d3d_primitive_begin(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_PrimitiveBegin(I(a[0]), -1); }
void d3d_primitive_begin_texture(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_PrimitiveBegin(I(a[0]), I(a[1]));
}
void d3d_primitive_end(CInstance*, CInstance*, int32_t, Args, RValue&) { D3D_PrimitiveEnd(); }
void d3d_vertex(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_Vertex(D(a[0]), D(a[1]), D(a[2]), 0, 0, 0, 0, 0); }
void d3d_vertex_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_VertexColor(D(a[0]), D(a[1]), D(a[2]), 0, 0, 0, 0, 0, I(a[3]), D(a[4]));
}
void d3d_vertex_texture(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_Vertex(D(a[0]), D(a[1]), D(a[2]), 0, 0, 0, D(a[3]), D(a[4]));
}
void d3d_vertex_texture_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_VertexColor(D(a[0]), D(a[1]), D(a[2]), 0, 0, 0, D(a[3]), D(a[4]), I(a[5]), D(a[6]));
}
void d3d_vertex_normal(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_Vertex(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), 0, 0);
}
void d3d_vertex_normal_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_VertexColor(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), 0, 0, I(a[6]), D(a[7]));
}
void d3d_vertex_normal_texture(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_Vertex(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]));
}
void d3d_vertex_normal_texture_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_VertexColor(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), I(a[8]), D(a[9]));
}

// Shapes.
void d3d_draw_block(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawBlock(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]));
}
void d3d_draw_cylinder(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawCylinder(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]), B(a[9]), I(a[10]));
}
void d3d_draw_cone(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawCone(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]), B(a[9]), I(a[10]));
}
void d3d_draw_ellipsoid(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawEllipsoid(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]), I(a[9]));
}
void d3d_draw_wall(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawWall(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]));
}
void d3d_draw_floor(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  D3D_DrawFloor(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]), D(a[8]));
}

// Models. Every function but create ignores an id that names no model.
void d3d_model_create(CInstance*, CInstance*, int32_t, Args, RValue& r) { r = RValue(D3D_ModelCreate()); }
void d3d_model_destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) { D3D_ModelDestroy(I(a[0])); }
void d3d_model_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (C3D_Model* m = D3D_Model(I(a[0]))) m->Clear();
}
void d3d_model_load(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  C3D_Model* m = D3D_Model(I(a[0]));
  if (!m) return;
  const std::optional<std::string> path = ResolveExisting(a[1].str());
  if (path)
    m->LoadFromFile(*path);
  else
    m->Clear();
}
void d3d_model_save(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  C3D_Model* m = D3D_Model(I(a[0]));
  // Secure mode keeps every write inside the game's folder, models included.
  if (!m || (SecureMode() && IsPathName(a[1].str()))) return;
  if (const std::optional<std::string> path = ResolveForWrite(a[1].str()))
    m->SaveToFile(ReplaceTarget(*path, SecureMode()));
}
void d3d_model_draw(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (C3D_Model* m = D3D_Model(I(a[0]))) m->Draw(I(a[4]), D(a[1]), D(a[2]), D(a[3]));
}

// Adding entries: the arguments after the id, in order; the primitive kind of entry 0 is kept
// as the real it was given.
template <int32_t Kind, int32_t N>
void Entry(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  C3D_Model* m = D3D_Model(I(a[0]));
  if (!m) return;
  REntry e;
  e.kind = Kind;
  for (int32_t i = 0; i < N; ++i) e.arg[i] = D(a[i + 1]);
  m->AddEntry(e);
}

constexpr RFunctionDef k3DFunctions[] = {
    {"d3d_start", 0, d3d_start},
    {"d3d_end", 0, d3d_end},
    {"d3d_set_perspective", 1, d3d_set_perspective},
    {"d3d_set_hidden", 1, d3d_set_hidden},
    {"d3d_set_lighting", 1, d3d_set_lighting},
    {"d3d_set_shading", 1, d3d_set_shading},
    {"d3d_set_culling", 1, d3d_set_culling},
    {"d3d_set_fog", 4, d3d_set_fog},
    {"d3d_set_depth", 1, d3d_set_depth},
    {"d3d_set_projection", 9, d3d_set_projection},
    {"d3d_set_projection_ext", 13, d3d_set_projection_ext},
    {"d3d_set_projection_ortho", 5, d3d_set_projection_ortho},
    {"d3d_set_projection_perspective", 5, d3d_set_projection_perspective},
    {"d3d_transform_set_identity", 0, d3d_transform_set_identity},
    {"d3d_transform_set_translation", 3, Set<Translation>},
    {"d3d_transform_set_scaling", 3, Set<Scaling>},
    {"d3d_transform_set_rotation_x", 1, Set<RotationX>},
    {"d3d_transform_set_rotation_y", 1, Set<RotationY>},
    {"d3d_transform_set_rotation_z", 1, Set<RotationZ>},
    {"d3d_transform_set_rotation_axis", 4, Set<RotationAxis>},
    {"d3d_transform_add_translation", 3, Add<Translation>},
    {"d3d_transform_add_scaling", 3, Add<Scaling>},
    {"d3d_transform_add_rotation_x", 1, Add<RotationX>},
    {"d3d_transform_add_rotation_y", 1, Add<RotationY>},
    {"d3d_transform_add_rotation_z", 1, Add<RotationZ>},
    {"d3d_transform_add_rotation_axis", 4, Add<RotationAxis>},
    {"d3d_transform_stack_clear", 0, d3d_transform_stack_clear},
    {"d3d_transform_stack_empty", 0, Stack<D3D_StackEmpty>},
    {"d3d_transform_stack_push", 0, Stack<D3D_StackPush>},
    {"d3d_transform_stack_pop", 0, Stack<D3D_StackPop>},
    {"d3d_transform_stack_top", 0, Stack<D3D_StackTop>},
    {"d3d_transform_stack_discard", 0, Stack<D3D_StackDiscard>},
    {"d3d_light_define_ambient", 1, d3d_light_define_ambient},
    {"d3d_light_define_direction", 5, d3d_light_define_direction},
    {"d3d_light_define_point", 6, d3d_light_define_point},
    {"d3d_light_enable", 2, d3d_light_enable},
    {"d3d_primitive_begin", 1, d3d_primitive_begin},
    {"d3d_primitive_begin_texture", 2, d3d_primitive_begin_texture},
    {"d3d_primitive_end", 0, d3d_primitive_end},
    {"d3d_vertex", 3, d3d_vertex},
    {"d3d_vertex_color", 5, d3d_vertex_color},
    {"d3d_vertex_texture", 5, d3d_vertex_texture},
    {"d3d_vertex_texture_color", 7, d3d_vertex_texture_color},
    {"d3d_vertex_normal", 6, d3d_vertex_normal},
    {"d3d_vertex_normal_color", 8, d3d_vertex_normal_color},
    {"d3d_vertex_normal_texture", 8, d3d_vertex_normal_texture},
    {"d3d_vertex_normal_texture_color", 10, d3d_vertex_normal_texture_color},
    {"d3d_draw_block", 9, d3d_draw_block},
    {"d3d_draw_cylinder", 11, d3d_draw_cylinder},
    {"d3d_draw_cone", 11, d3d_draw_cone},
    {"d3d_draw_ellipsoid", 10, d3d_draw_ellipsoid},
    {"d3d_draw_wall", 9, d3d_draw_wall},
    {"d3d_draw_floor", 9, d3d_draw_floor},
    {"d3d_model_create", 0, d3d_model_create},
    {"d3d_model_destroy", 1, d3d_model_destroy},
    {"d3d_model_clear", 1, d3d_model_clear},
    {"d3d_model_load", 2, d3d_model_load},
    {"d3d_model_save", 2, d3d_model_save},
    {"d3d_model_draw", 5, d3d_model_draw},
    {"d3d_model_primitive_begin", 2, Entry<0, 1>},
    {"d3d_model_primitive_end", 1, Entry<1, 0>},
    {"d3d_model_vertex", 4, Entry<2, 3>},
    {"d3d_model_vertex_color", 6, Entry<3, 5>},
    {"d3d_model_vertex_texture", 6, Entry<4, 5>},
    {"d3d_model_vertex_texture_color", 8, Entry<5, 7>},
    {"d3d_model_vertex_normal", 7, Entry<6, 6>},
    {"d3d_model_vertex_normal_color", 9, Entry<7, 8>},
    {"d3d_model_vertex_normal_texture", 9, Entry<8, 8>},
    {"d3d_model_vertex_normal_texture_color", 11, Entry<9, 10>},
    {"d3d_model_block", 9, Entry<10, 8>},
    {"d3d_model_cylinder", 11, Entry<11, 10>},
    {"d3d_model_cone", 11, Entry<12, 10>},
    {"d3d_model_ellipsoid", 10, Entry<13, 9>},
    {"d3d_model_wall", 9, Entry<14, 8>},
    {"d3d_model_floor", 9, Entry<15, 8>},
};
}  // namespace

FunctionFamily D3DFunctions() { return k3DFunctions; }
