// SDL2 error window. SDL message boxes cannot scroll, so the box shows the memo's last lines;
// Copy still copies all of it.
#include "platform/dialogs/sdl/SdlErrorForm.h"

#include <SDL.h>

#include <vector>

namespace platform {
namespace {
constexpr size_t kShownLines = 40;
enum Button : int { kAbort = 0, kIgnore = 1, kCopy = 2, kClear = 3 };

std::string MemoTail(const TErrorForm& form) {
  const auto& memo = form.ErrorMemo;
  std::string text;
  for (size_t i = memo.size() > kShownLines ? memo.size() - kShownLines : 0; i < memo.size(); ++i) {
    if (!text.empty()) text += '\n';
    text += memo[i];
  }
  return text;
}
}  // namespace

bool CopyTextToClipboard(const std::string& text) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  return SDL_SetClipboardText(text.c_str()) == 0;
}

std::optional<ErrorAnswer> ShowSdlErrorForm(TErrorForm& form, bool ignorable) {
  std::vector<SDL_MessageBoxButtonData> buttons;
  buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kAbort,
                     "Abort"});
  if (ignorable) buttons.push_back({0, kIgnore, "Ignore"});
  buttons.push_back({0, kCopy, "Copy"});
  buttons.push_back({0, kClear, "Clear"});
  bool shown = false;
  for (;;) {
    const std::string text = MemoTail(form);
    const SDL_MessageBoxData box{SDL_MESSAGEBOX_ERROR, nullptr, TErrorForm::kCaption, text.c_str(),
                                 static_cast<int>(buttons.size()), buttons.data(), nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
      if (!shown) return std::nullopt;
      return ErrorAnswer::Abort;  // the player saw the error once; a box that breaks now is closed
    }
    shown = true;
    switch (pressed) {
      case kIgnore: return ErrorAnswer::Ignore;
      case kCopy: form.CopyBtnClick(); break;
      case kClear: form.ClearBtnClick(); break;
      default: return ErrorAnswer::Abort;  // Abort, the close box, Escape
    }
  }
}

}  // namespace platform
