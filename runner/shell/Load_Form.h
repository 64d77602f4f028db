// The loading window: loading image, progress bar and caption shown while the game loads.
// Kept as plain state; whatever draws it (the graphics layer, a test) watches it through a
// view callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "runner/base/BM32_Bitmap.h"

struct RLoadRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct RLoadPicture {
  std::shared_ptr<const TBitmap32> picture;
  RLoadRect bounds;  // client coordinates
  bool visible = false;
  bool stretch = false;  // the picture fills bounds; otherwise drawn at its size, clipped
};

struct RLoadLabel {
  std::string caption;
  RLoadRect bounds;  // black text, transparent background
  bool visible = false;
};

struct TLoadForm {
  // Design sizes of the window and its controls.
  static constexpr int32_t kDesignWidth = 332;
  static constexpr int32_t kDesignHeight = 92;
  static constexpr int32_t kBarLeft = 24;
  static constexpr int32_t kBarHeight = 16;
  static constexpr int32_t kBarFromBottom = 32;
  static constexpr int32_t kLabelLeft = 32;
  static constexpr int32_t kLabelTextHeight = 11;

  bool visible = false;
  RLoadRect window;  // screen position and client size
  int32_t progress = 0;
  RLoadPicture LoadImage;
  RLoadPicture LoadEmptyShape;
  RLoadPicture LoadFullShape;
  RLoadLabel LoadLabel;
  bool transparentColorOn = false;
  uint32_t transparentColor = 0;  // 0xAARRGGBB of the loading image's bottom-left pixel
  bool alphaBlendOn = false;
  int32_t alphaBlend = 255;

  void Reset() { *this = TLoadForm(); }
};

// The loading window's state. (LoadForm() is the platform window it is shown in.)
const TLoadForm& LoadFormState();

// Sets the form up from the settings (the pictures move over from them) and shows it.
void SetupLoadForm(bool debugMode);
// Sets the bar to percent, the caption, traces the caption and pumps messages.
void ShowProgress(int32_t percent, const std::string& caption);
void HideLoadForm();

// Called after every change of the form, after the platform window has taken the new size and
// visibility; the graphics layer draws the pictures and the caption from here.
void SetLoadFormView(std::function<void(const TLoadForm&)> view);
// The window's content: the form colour, the loading image at its natural size, the bar back
// stretched over its bounds, the filled part stretched or clipped; a default bar when the game
// gives no pictures. Pixels of the transparent colour come out with alpha 0.
TBitmap32 ComposeLoadForm(const TLoadForm& form);

// The screen the window is centred on; 1024 x 768 until the display layer says otherwise.
void SetLoadFormScreenSize(int32_t width, int32_t height);
