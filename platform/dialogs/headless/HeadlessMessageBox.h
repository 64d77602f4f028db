// Scripted message box: the caption and text go to standard error, the given answer returns.
#pragma once

#include <string>

#include "platform/dialogs/MessageBox.h"

namespace platform {

MessageAnswer ShowHeadlessMessageBox(const std::string& caption, const std::string& text, MessageButtons buttons,
                                     MessageAnswer answer);

}  // namespace platform
