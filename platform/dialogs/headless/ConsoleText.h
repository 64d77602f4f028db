// How a message written for a window reads on a terminal: Windows line ends become line feeds,
// and no bare carriage return is left to send the cursor back over what was written.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// CR LF, a lone CR and a lone LF each end a line. A line feed that follows a carriage return
// with nothing but blanks between belongs to that line end: a code excerpt cut from text with
// CR LF line ends starts with the LF of the pair, and the error window drops it too.
std::string ConsoleText(std::string_view message);

}  // namespace platform
