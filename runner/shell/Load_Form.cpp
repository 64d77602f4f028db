// The loading window's state: layout from the settings, progress steps, hiding.
#include "runner/shell/Load_Form.h"

#include <cmath>

#include "runner/shell/Option_Main.h"
#include "runner/shell/Runner.h"

namespace {
TLoadForm g_form;
std::function<void(const TLoadForm&)> g_view;
int32_t g_screenW = 1024;
int32_t g_screenH = 768;

void Changed() {
  if (g_view) g_view(g_form);
}
}  // namespace

const TLoadForm& LoadForm() { return g_form; }
void SetLoadFormView(std::function<void(const TLoadForm&)> view) { g_view = std::move(view); }
void SetLoadFormScreenSize(int32_t width, int32_t height) {
  g_screenW = width;
  g_screenH = height;
}

void SetupLoadForm(bool debugMode) {
  const ROptions& o = Options();
  g_form.Reset();
  TLoadForm& f = g_form;
  if (o.opt_loadimage && !o.opt_loadimage->Empty()) f.LoadImage = o.opt_loadimage;
  if (f.LoadImage && o.opt_loadtransparent) {
    f.transparentColorOn = true;
    f.transparentColor = f.LoadImage->GetPixel(0, f.LoadImage->Height() - 1);
  }
  if (o.opt_loadalpha < 255) {
    f.alphaBlendOn = true;
    f.alphaBlend = o.opt_loadalpha < 0 ? 0 : o.opt_loadalpha;
  }
  if (o.opt_showprogress) {
    f.LoadEmptyShape = o.opt_progressback;
    f.LoadFullShape = o.opt_progressfront;
  }
  Option_ReleasePictures();

  f.emptyVisible = f.fullVisible = o.opt_showprogress;
  f.fullStretch = o.opt_scaleprogress;
  f.labelVisible = debugMode && o.opt_showprogress;

  f.window.width = f.LoadImage ? f.LoadImage->Width() : TLoadForm::kDesignWidth;
  f.window.height = f.LoadImage ? f.LoadImage->Height() : TLoadForm::kDesignHeight;
  f.window.left = (g_screenW - f.window.width) / 2;
  f.window.top = (g_screenH - f.window.height) / 2;

  const int32_t barTop = f.window.height - TLoadForm::kBarFromBottom;
  f.emptyRect = {TLoadForm::kBarLeft, barTop, f.window.width - 2 * TLoadForm::kBarLeft, TLoadForm::kBarHeight};
  if (f.emptyRect.width < 0) f.emptyRect.width = 0;
  f.fullRect = {TLoadForm::kBarLeft, barTop, 0, TLoadForm::kBarHeight};
  f.labelRect = {TLoadForm::kLabelLeft, barTop + (TLoadForm::kBarHeight - TLoadForm::kLabelTextHeight) / 2,
                 f.emptyRect.width - 2 * (TLoadForm::kLabelLeft - TLoadForm::kBarLeft), TLoadForm::kLabelTextHeight};
  if (f.labelRect.width < 0) f.labelRect.width = 0;

  ShowProgress(0, "Loading");
  f.visible = true;
  Changed();
}

void ShowProgress(int32_t percent, const std::string& caption) {
  // Rounded to the nearest integer, halves to even (the default rounding mode).
  g_form.progress = percent;
  g_form.fullRect.width = static_cast<int32_t>(std::nearbyint(static_cast<double>(percent) * g_form.emptyRect.width / 100.0));
  g_form.caption = caption;
  WriteTrace(caption);
  Changed();
  PumpMessages();
}

void HideLoadForm() {
  g_form.visible = false;
  g_form.LoadImage.reset();
  g_form.LoadEmptyShape.reset();
  g_form.LoadFullShape.reset();
  Changed();
}
