// A small reader of rich text (RTF) for the game information and text splash screens: the text
// with its paragraph and line breaks, tabs, 8-bit characters in the document's code page and
// Unicode escapes. Formatting is read past. It is iterative, with the nesting of groups capped,
// so a damaged or hostile file gives as much text as is readable, never a crash.
#pragma once

#include <string>
#include <string_view>

// Text without "{\rtf" is plain text and comes back unchanged. The result is UTF-8.
std::string RtfToText(std::string_view rtf);
