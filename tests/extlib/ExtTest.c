/* A library for the tests of external calls: functions of each signature the runner can call,
   and a counter that tells whether two definitions share one loaded copy. */
#include <stdio.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static int calls;
static char text[256];

EXPORT double ext_zero(void) { return 42.0; }
EXPORT double ext_add(double a, double b) { return a + b; }
EXPORT double ext_length(const char* s) { return s ? (double)strlen(s) : -1.0; }
EXPORT const char* ext_concat(const char* a, const char* b) {
  snprintf(text, sizeof text, "%s%s", a, b);
  return text;
}
/* Mixed kinds: the order of the arguments must survive. */
EXPORT const char* ext_mixed(double a, const char* b, double c, const char* d) {
  snprintf(text, sizeof text, "%g|%s|%g|%s", a, b, c, d);
  return text;
}
EXPORT const char* ext_null(void) { return NULL; }
EXPORT double ext_sum8(double a, double b, double c, double d, double e, double f, double g, double h) {
  return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h;
}
/* Weighted, so that arguments out of place change the result. */
EXPORT double ext_sum16(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8,
                        double a9, double a10, double a11, double a12, double a13, double a14, double a15,
                        double a16) {
  return a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 +
         12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16;
}
EXPORT double ext_count(void) { return ++calls; }
/* Writes into its argument, which must be the runner's own copy. */
EXPORT double ext_scribble(char* s) {
  if (s && *s) s[0] = '#';
  return 0.0;
}
