// Real message box through SDL2.
#pragma once

#include <optional>
#include <string>

#include "platform/dialogs/MessageBox.h"

namespace platform {

// nullopt when SDL could not show the box at all.
std::optional<MessageAnswer> ShowSdlMessageBox(const std::string& caption, const std::string& text,
                                               MessageButtons buttons);

}  // namespace platform
