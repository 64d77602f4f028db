// The loading window's state: layout from the settings, progress steps, hiding.
#include "runner/shell/Load_Form.h"

#include <algorithm>
#include <cmath>

#include "runner/base/Option_Main.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Game.h"

namespace {

constexpr uint32_t kFormColour = 0xFFF0F0F0;
constexpr uint32_t kDefaultBarBack = 0xFFFFFFFF;
constexpr uint32_t kDefaultBarFrame = 0xFF808080;
constexpr uint32_t kDefaultBarFill = 0xFF0A246A;

void Fill(TBitmap32& canvas, const RLoadRect& r, uint32_t colour) {
  for (int32_t y = r.top; y < r.top + r.height; ++y)
    for (int32_t x = r.left; x < r.left + r.width; ++x) canvas.SetPixel(x, y, colour);
}

// Nearest-neighbour stretch of the picture over r, or the picture at its size clipped to r.
void DrawPicture(TBitmap32& canvas, const TBitmap32& picture, const RLoadRect& r, bool stretch) {
  if (picture.Empty() || r.width <= 0 || r.height <= 0) return;
  for (int32_t y = 0; y < r.height; ++y) {
    for (int32_t x = 0; x < r.width; ++x) {
      int32_t sx = x, sy = y;
      if (stretch) {
        sx = static_cast<int32_t>(int64_t{x} * picture.Width() / r.width);
        sy = static_cast<int32_t>(int64_t{y} * picture.Height() / r.height);
      } else if (x >= picture.Width() || y >= picture.Height()) {
        continue;
      }
      canvas.SetPixel(r.left + x, r.top + y, picture.GetPixel(sx, sy) | 0xFF000000u);
    }
  }
}

void Changed() {
  const RShellState& shell = ShellState();
  const TLoadForm& form = shell.loadForm;
  if (platform::TWindow* window = LoadForm()) {
    window->SetBordered(false);
    window->SetBounds({form.window.left, form.window.top, form.window.width, form.window.height});
    window->SetVisible(form.visible);
    if (form.visible && window->NativeHandle()) {
      const TBitmap32 content = ComposeLoadForm(form);
      window->Present(content.Width(), content.Height(), content.Pixels().data(),
                      form.alphaBlendOn ? form.alphaBlend : 255);
    }
  }
  if (shell.loadFormView) shell.loadFormView(form);
}
}  // namespace

TBitmap32 ComposeLoadForm(const TLoadForm& f) {
  TBitmap32 canvas(f.window.width, f.window.height, kFormColour);
  if (f.LoadImage.visible && f.LoadImage.picture) DrawPicture(canvas, *f.LoadImage.picture, f.LoadImage.bounds, false);
  if (f.LoadEmptyShape.visible) {
    if (f.LoadEmptyShape.picture && !f.LoadEmptyShape.picture->Empty()) {
      DrawPicture(canvas, *f.LoadEmptyShape.picture, f.LoadEmptyShape.bounds, true);
    } else {
      Fill(canvas, f.LoadEmptyShape.bounds, kDefaultBarFrame);
      const RLoadRect& b = f.LoadEmptyShape.bounds;
      Fill(canvas, {b.left + 1, b.top + 1, b.width - 2, b.height - 2}, kDefaultBarBack);
    }
  }
  if (f.LoadFullShape.visible) {
    if (f.LoadFullShape.picture && !f.LoadFullShape.picture->Empty()) {
      DrawPicture(canvas, *f.LoadFullShape.picture, f.LoadFullShape.bounds, f.LoadFullShape.stretch);
    } else {
      Fill(canvas, f.LoadFullShape.bounds, kDefaultBarFill);
    }
  }
  if (f.transparentColorOn) {
    for (uint32_t& p : canvas.Pixels())
      if ((p & 0xFFFFFF) == (f.transparentColor & 0xFFFFFF)) p &= 0x00FFFFFFu;
  }
  return canvas;
}

const TLoadForm& LoadFormState() { return ShellState().loadForm; }
void SetLoadFormView(std::function<void(const TLoadForm&)> view) { ShellState().loadFormView = std::move(view); }
void SetLoadFormScreenSize(int32_t width, int32_t height) {
  ShellState().loadFormScreenWidth = width;
  ShellState().loadFormScreenHeight = height;
}

void SetupLoadForm(bool debugMode) {
  const ROptions& o = Options();
  RShellState& shell = ShellState();
  shell.loadForm.Reset();
  TLoadForm& f = shell.loadForm;
  RLoadPicture& image = f.LoadImage;
  if (o.opt_loadimage && !o.opt_loadimage->Empty()) {
    image.picture = o.opt_loadimage;
    image.visible = true;
    image.bounds = {0, 0, image.picture->Width(), image.picture->Height()};
  }
  if (image.picture && o.opt_loadtransparent) {
    f.transparentColorOn = true;
    f.transparentColor = image.picture->GetPixel(0, image.picture->Height() - 1);
  }
  if (o.opt_loadalpha < 255) {
    f.alphaBlendOn = true;
    f.alphaBlend = o.opt_loadalpha < 0 ? 0 : o.opt_loadalpha;
  }
  if (o.opt_showprogress) {
    f.LoadEmptyShape.picture = o.opt_progressback;
    f.LoadFullShape.picture = o.opt_progressfront;
  }
  Option_ReleasePictures();

  f.LoadEmptyShape.visible = f.LoadFullShape.visible = o.opt_showprogress;
  f.LoadEmptyShape.stretch = true;
  f.LoadFullShape.stretch = o.opt_scaleprogress;
  f.LoadLabel.visible = debugMode && o.opt_showprogress;

  f.window.width = image.picture ? image.picture->Width() : TLoadForm::kDesignWidth;
  f.window.height = image.picture ? image.picture->Height() : TLoadForm::kDesignHeight;
  f.window.left = (shell.loadFormScreenWidth - f.window.width) / 2;
  f.window.top = (shell.loadFormScreenHeight - f.window.height) / 2;

  const int32_t barTop = f.window.height - TLoadForm::kBarFromBottom;
  const int32_t barWidth = std::max(0, f.window.width - 2 * TLoadForm::kBarLeft);
  f.LoadEmptyShape.bounds = {TLoadForm::kBarLeft, barTop, barWidth, TLoadForm::kBarHeight};
  f.LoadFullShape.bounds = {TLoadForm::kBarLeft, barTop, 0, TLoadForm::kBarHeight};
  f.LoadLabel.bounds = {TLoadForm::kLabelLeft, barTop + (TLoadForm::kBarHeight - TLoadForm::kLabelTextHeight) / 2,
                        std::max(0, barWidth - 2 * (TLoadForm::kLabelLeft - TLoadForm::kBarLeft)),
                        TLoadForm::kLabelTextHeight};

  ShowProgress(0, "Loading");
  f.visible = true;
  Changed();
}

void ShowProgress(int32_t percent, const std::string& caption) {
  // Rounded to the nearest integer, halves to even (the default rounding mode).
  TLoadForm& form = ShellState().loadForm;
  form.progress = percent;
  form.LoadFullShape.bounds.width =
      static_cast<int32_t>(std::nearbyint(static_cast<double>(percent) * form.LoadEmptyShape.bounds.width / 100.0));
  form.LoadLabel.caption = caption;
  WriteTrace(caption);
  Changed();
  PumpMessages();
}

void HideLoadForm() {
  TLoadForm& form = ShellState().loadForm;
  form.visible = false;
  form.LoadImage.picture.reset();
  form.LoadEmptyShape.picture.reset();
  form.LoadFullShape.picture.reset();
  Changed();
}
