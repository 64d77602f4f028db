// SDL2 message boxes; the first button is the default (Enter), the negative one answers Escape.
#include "platform/dialogs/sdl/SdlMessageBox.h"

#include <SDL.h>

#include <vector>

namespace platform {

std::optional<MessageAnswer> ShowSdlMessageBox(const std::string& caption, const std::string& text,
                                               MessageButtons buttons) {
  std::vector<SDL_MessageBoxButtonData> data;
  auto add = [&](MessageAnswer a, const char* label) {
    data.push_back(SDL_MessageBoxButtonData{0, static_cast<int>(a), label});
  };
  switch (buttons) {
    case MessageButtons::Ok: add(MessageAnswer::Ok, "OK"); break;
    case MessageButtons::OkCancel: add(MessageAnswer::Ok, "OK"); add(MessageAnswer::Cancel, "Cancel"); break;
    case MessageButtons::YesNo: add(MessageAnswer::Yes, "Yes"); add(MessageAnswer::No, "No"); break;
    case MessageButtons::YesNoCancel:
      add(MessageAnswer::Yes, "Yes");
      add(MessageAnswer::No, "No");
      add(MessageAnswer::Cancel, "Cancel");
      break;
  }
  data.front().flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  data.back().flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  const SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION, nullptr, caption.c_str(), text.c_str(),
                               static_cast<int>(data.size()), data.data(), nullptr};
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) return std::nullopt;
  if (pressed < 0) return static_cast<MessageAnswer>(data.back().buttonid);  // closed: as Escape
  return static_cast<MessageAnswer>(pressed);
}

}  // namespace platform
