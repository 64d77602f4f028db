// What the system-sound library plays for a text: the number it reads from the text and the
// sound of the freedesktop theme that stands for each of the six system sounds.
#pragma once

// The text's decimal number: leading blanks and tabs skipped, one optional sign, then digits
// up to the first non-digit. No digits (or no text) give 0. Past seven digits the value stops
// growing, which keeps it from overflowing and outside 1 ... 6 all the same.
int ToneletNumber(const char* text);

// The theme's event id for sound number 1 ... 6 (asterisk, exclamation, exit, hand, question,
// start); null for every other number, which plays nothing.
const char* ToneletEventId(int number);
