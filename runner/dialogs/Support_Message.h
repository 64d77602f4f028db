// The game's message dialog (TMessageForm): a message with up to three buttons, a question, a
// one-line input box; its look set by the message_* functions. Also the text preparation of the
// message functions and the character-set conversion of the dialogs' text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runner/code/Variable_Class.h"
#include "runner/dialogs/Dialog_State.h"

// A real becomes an integer text when whole, else two decimals; "#" becomes a line break except
// "\#", which becomes "#".
std::string PrepareMessageText(const RValue& v);

// What a character set's font shows for text: the low byte of every UTF-16 unit, decoded with
// the set's code page (R4's rule for sets without one). And back: typed text encoded with the
// code page, one character per byte.
std::u32string DecodeForCharset(std::string_view utf8, int32_t charset);
std::string EncodeForCharset(std::u32string_view text, int32_t charset);
const char* CharsetCodePage(int32_t charset);  // null: the system default (UTF-8, else CP1252)

// Message dialog: 0 when closed with Escape, else the tag (1..3) of the button chosen. Empty
// captions have no button.
int32_t MessageDialog(const std::string& text, const std::string& c1, const std::string& c2, const std::string& c3);
// Input dialog: the box's text when it closes, Escape included.
std::string InputDialog(const std::string& text, const std::string& def);

// The dialogs themselves, as the modal loop runs them, for driving them with input events:
// Result() is the tag chosen, or the box's text.
std::unique_ptr<TModalDialog> MakeMessageWindow(const std::string& text, const std::string& c1, const std::string& c2,
                                                const std::string& c3);
std::unique_ptr<TModalDialog> MakeInputWindow(const std::string& text, const std::string& def);

// The built-in pictures of the dialog, made on first use.
RMessageLook& MessageLook();

// The layout of CalculatePositions: the client size and the places of label, buttons and box.
struct RMessageLayout {
  int32_t width = 0, height = 0;
  int32_t labelX = 24, labelY = 16, labelW = 0, labelH = 0;
  int32_t buttonTop = 0, buttonLeft[3] = {0, 0, 0}, buttonW = 0, buttonH = 0;
  int32_t boxX = 24, boxY = 0, boxW = 0, boxH = 0;
};
RMessageLayout LayoutMessage(const RMessageLook& look, std::u32string_view label, bool box);
