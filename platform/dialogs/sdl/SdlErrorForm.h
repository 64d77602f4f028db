// The error window through SDL2: a message box showing the end of the memo, with Abort,
// Ignore, Copy and Clear; Copy and Clear keep it open.
#pragma once

#include <optional>
#include <string>

#include "platform/dialogs/ErrorForm.h"

namespace platform {

// nullopt when SDL could not show the box at all.
std::optional<ErrorAnswer> ShowSdlErrorForm(TErrorForm& form, bool ignorable);

// False when there is no clipboard (SDL video not started) or SDL refuses the text.
bool CopyTextToClipboard(const std::string& text);

}  // namespace platform
