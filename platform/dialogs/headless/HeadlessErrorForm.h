// Scripted error window: the message goes to standard error with the answer given.
#pragma once

#include <string_view>

#include "platform/dialogs/ErrorForm.h"

namespace platform {

// Writes "<caption>: <message> [<answer>]", the message's line breaks as line feeds.
ErrorAnswer ShowHeadlessErrorForm(std::string_view caption, std::string_view message, ErrorAnswer answer);

}  // namespace platform
