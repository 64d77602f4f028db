// The system clipboard's text: SDL's clipboard while SDL video runs, otherwise a clipboard kept
// in the process, so games and tests behave the same without a display.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  virtual bool HasText() = 0;
  // Replaces the contents; the text ends at its first NUL, as clipboard text does.
  virtual bool SetText(std::string_view text) = 0;
  virtual std::string Text() = 0;  // "" when there is no text
};

// The clipboard of the current video backend.
IClipboard& Clipboard();

std::unique_ptr<IClipboard> MakeHeadlessClipboard();
std::unique_ptr<IClipboard> MakeSdlClipboard();

}  // namespace platform
