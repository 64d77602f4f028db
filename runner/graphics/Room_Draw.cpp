// Drawing the room through its views, the merge of tiles, instances and particle systems by
// depth, and the window caption.
#include "runner/graphics/Room_Draw.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gpu/Gpu.h"
#include "runner/code/Variable_Class.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace gpu = platform::gpu;

namespace {
constexpr double kNoParticles = -1e9;

// Clears target and depth of the current viewport.
void ClearTo(int32_t color) {
  if (gpu::IDevice* d = D3DDevice())
    d->Clear(gpu::ClearTarget | gpu::ClearZBuffer, QuadColor(color, 1), 1.0f, 0);
}

void DrawLayers(const CRoom& room, bool foregrounds, double left, double top, double right, double bottom) {
  for (const CBack& b : room.r_background) {
    if (!b.visible || b.foreground != foregrounds) continue;
    const CBackground* back = Backgrounds().Get(b.index);
    if (!back) continue;
    back->DrawTiled(b.x, b.y, b.xscale, b.yscale, b.htiled, b.vtiled, left, top, right - left, bottom - top,
                    int32_t(b.blend), b.alpha);
  }
}

void DrawTile(const RTile& t, double left, double top, double right, double bottom) {
  const double x1 = t.x, x2 = t.x + t.w * t.xscale, y1 = t.y, y2 = t.y + t.h * t.yscale;
  if (std::max(x1, x2) <= left || std::min(x1, x2) >= right || std::max(y1, y2) <= top ||
      std::min(y1, y2) >= bottom)
    return;
  const CBackground* back = Backgrounds().Get(t.index);
  if (!back) return;
  back->DrawPart(t.xo, t.yo, t.w, t.h, t.x, t.y, t.xscale, t.yscale, int32_t(t.blend), t.alpha);
}

void DrawInstance(CInstance* inst) {
  const CObject* obj = Objects().Get(inst->i_objectindex);
  if (const REventRef found = obj ? obj->GetEventRecursive(ev_draw, 0) : REventRef{})
    PerformFoundEvent(inst, inst, found, ev_draw, 0);
  else
    DrawInstanceDefault(*inst);
}

double ParticleDepthBelow(double below) {
  return RunHooks().particleDepthBelow ? RunHooks().particleDepthBelow(below) : kNoParticles;
}

void SetDepth(double depth) {
  SetTextureDrawDepth(std::min(depth, kMaxObjectDrawDepth));
}
}  // namespace

void DrawInstanceDefault(const CInstance& inst) {
  const CSprite* spr = Sprites().Get(inst.i_spriteindex);
  if (!spr || spr->i_numb <= 0 || !std::isfinite(inst.i_imageindex)) return;
  // floor(image_index) reduced into the frames without passing through an integer first.
  double frame = std::fmod(std::floor(inst.i_imageindex), double(spr->i_numb));
  if (frame < 0) frame += spr->i_numb;
  const int32_t ind = int32_t(frame);
  if (inst.i_imagescalex != 1 || inst.i_imagescaley != 1 || inst.i_imageangle != 0 ||
      inst.i_imageblend != 0xFFFFFF || inst.i_imagealpha != 1)
    spr->Draw(ind, inst.i_x, inst.i_y, inst.i_imagescalex, inst.i_imagescaley, inst.i_imageangle,
              int32_t(inst.i_imageblend), inst.i_imagealpha);
  else
    spr->DrawSimple(ind, inst.i_x, inst.i_y);
}

void DrawRoomRectangle(CRoom& room, double left, double top, double right, double bottom, bool instancesShown) {
  if (RenderStateCache().mode_3d)
    if (gpu::IDevice* d = D3DDevice()) d->Clear(gpu::ClearZBuffer, 0, 1.0f, 0);
  if (room.r_showcolor) ClearTo(int32_t(room.r_color));

  SetTextureDrawDepth(kBackgroundDrawDepth);
  DrawLayers(room, false, left, top, right, bottom);

  // Draw events may add instances and tiles (the lists grow; removal only marks), so both are
  // reached by index on every turn and a tile is copied before it is drawn. With no instance
  // shown the merge starts past them: no draw event runs that could add one.
  int32_t i = instancesShown ? 0 : room.r_numb(), j = 0;
  double p = ParticleDepthBelow(std::numeric_limits<double>::infinity());
  while (i < room.r_numb() || j < room.r_tnumb() || p > -1e8) {
    CInstance* inst = room.Instance(i);
    if (inst && (inst->i_marked || !inst->i_visible)) {
      ++i;
      continue;
    }
    const RTile* tile = j < room.r_tnumb() ? &room.r_tile[size_t(j)] : nullptr;
    if (tile && !tile->visible) {
      ++j;
      continue;
    }
    if (p > -1e8 && (!inst || p >= inst->i_depth) && (!tile || p >= tile->depth)) {
      SetDepth(p);
      if (RunHooks().drawParticles) RunHooks().drawParticles(p);
      const double below = ParticleDepthBelow(p);
      p = below < p ? below : kNoParticles;
    } else if (tile && (!inst || tile->depth > inst->i_depth)) {
      const RTile t = *tile;
      SetDepth(t.depth);
      DrawTile(t, left, top, right, bottom);
      ++j;
    } else if (inst) {
      SetDepth(inst->i_depth);
      DrawInstance(inst);
      ++i;
    } else {
      break;
    }
  }

  SetTextureDrawDepth(kForegroundDrawDepth);
  DrawLayers(room, true, left, top, right, bottom);

  SetTextureDrawDepth(kCursorDrawDepth);
  if (const CSprite* cursor = Sprites().Get(GameState().cursor_sprite))
    cursor->Draw(GameState().cursor_image, MouseX(), MouseY(), 1, 1, 0, 0xFFFFFF, 1);
  SetTextureDrawDepth(0);
}

std::string RoomWindowCaption(const std::string& roomCaption, const RGameState& g) {
  std::string caption = roomCaption;
  if (g.show_score && (g.score_chosen || g.score > 0))
    caption += " " + g.caption_score + std::to_string(g.score);
  if (g.show_lives) caption += " " + g.caption_lives + std::to_string(g.lives);
  if (g.show_health) caption += " " + g.caption_health + std::to_string(RoundToInt32(g.health));
  return caption;
}

void DrawRoomViews(bool instancesShown) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  RGameState& game = GameState();
  if (room->r_enableviews) {
    Display_SetViewport(0, 0, Display_UsedWidth(), Display_UsedHeight());
    ClearTo(WindowState().color);
    for (int32_t n = 0; n < kRoomViews; ++n) {
      const CView v = room->r_view[size_t(n)];  // a draw event may move the view
      if (!v.visible) continue;
      game.view_current = n;
      Display_SetViewport(v.xport, v.yport, v.wport, v.hport);
      Display_Set2DProjection(v.xview, v.yview, v.wview, v.hview, v.angle);
      double left = v.xview, top = v.yview, right = double(v.xview) + v.wview,
             bottom = double(v.yview) + v.hview;
      if (std::fabs(v.angle) >= 0.01) {
        // A turned view shows room beyond its rectangle in its corners.
        left -= v.hview / 2;
        right += v.hview / 2;
        top -= v.wview / 2;
        bottom += v.wview / 2;
      }
      DrawRoomRectangle(*room, left, top, right, bottom, instancesShown);
    }
    const RWindowState& w = WindowState();
    Display_SetViewport(0, 0, w.region_width, w.region_height);
    Display_Set2DProjection(0, 0, w.region_width, w.region_height, 0);
  } else {
    game.view_current = 0;
    Display_SetViewport(0, 0, room->r_width, room->r_height);
    Display_Set2DProjection(0, 0, room->r_width, room->r_height, 0);
    DrawRoomRectangle(*room, 0, 0, room->r_width, room->r_height, instancesShown);
  }
  const std::string caption = RoomWindowCaption(room->r_caption, game);
  if (caption != WindowState().caption) Window_SetCaption(caption);
  game.view_current = 0;
}
