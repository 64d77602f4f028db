// Chooses the clipboard by the video backend; the headless one lives as long as the process,
// as the system clipboard it stands for.
#include "platform/clipboard/Clipboard.h"

#include <SDL.h>

namespace platform {
namespace {

class HeadlessClipboard final : public IClipboard {
 public:
  bool HasText() override { return has_; }
  bool SetText(std::string_view text) override {
    text_ = std::string(text.substr(0, text.find('\0')));
    has_ = true;
    return true;
  }
  std::string Text() override { return text_; }

 private:
  std::string text_;
  bool has_ = false;
};

class SdlClipboard final : public IClipboard {
 public:
  bool HasText() override { return SDL_HasClipboardText() == SDL_TRUE; }
  bool SetText(std::string_view text) override {
    const std::string copy(text.substr(0, text.find('\0')));
    return SDL_SetClipboardText(copy.c_str()) == 0;
  }
  std::string Text() override {
    char* text = SDL_GetClipboardText();
    if (!text) return {};
    std::string result(text);
    SDL_free(text);
    return result;
  }
};

}  // namespace

std::unique_ptr<IClipboard> MakeHeadlessClipboard() { return std::make_unique<HeadlessClipboard>(); }
std::unique_ptr<IClipboard> MakeSdlClipboard() { return std::make_unique<SdlClipboard>(); }

IClipboard& Clipboard() {
  static const std::unique_ptr<IClipboard> headless = MakeHeadlessClipboard();
  static const std::unique_ptr<IClipboard> sdl = MakeSdlClipboard();
  // SDL's clipboard belongs to its video subsystem and refuses everything without it.
  return SDL_WasInit(SDL_INIT_VIDEO) != 0 ? *sdl : *headless;
}

}  // namespace platform
