// The system-sound library's reading of its argument and its table of sounds.
#include "tonelet/Tonelet_Sounds.h"

int ToneletNumber(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  int n = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (++digits <= 7) n = n * 10 + (*p - '0');
  return negative ? -n : n;
}

const char* ToneletEventId(int number) {
  // The Windows aliases SystemAsterisk, SystemExclamation, SystemExit, SystemHand,
  // SystemQuestion and SystemStart, as the freedesktop sound theme names them.
  static const char* const kEvents[] = {"dialog-information", "dialog-warning",  "service-logout",
                                        "dialog-error",       "window-question", "service-login"};
  return number >= 1 && number <= 6 ? kEvents[number - 1] : nullptr;
}
