#include "number_text.h"

#include <limits.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Reads digits of `base` from `*text` into a magnitude held at `limit`; false when none.
bool ReadDigits(const char** text, unsigned base, unsigned long long limit, unsigned long long* magnitude) {
  bool any = false;
  *magnitude = 0;
  for (const char* p = *text;; ++p) {
    unsigned digit = static_cast<unsigned>(DigitValue(*p));
    if (digit >= base) {
      *text = p;
      return any;
    }
    any = true;
    *magnitude = *magnitude * base + digit;
    if (*magnitude > limit) *magnitude = limit;
  }
}

const char* SkipSign(const char* text, bool* negative) {
  while (IsBlank(*text)) ++text;
  *negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  return text;
}

}  // namespace

bool ScanInteger(const char* text, int* value) {
  bool negative;
  const char* p = SkipSign(text, &negative);
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
    base = 16;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  unsigned long long limit = negative ? static_cast<unsigned long long>(INT_MAX) + 1 : INT_MAX;
  unsigned long long magnitude;
  if (!ReadDigits(&p, base, limit, &magnitude)) return false;
  *value = negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
  return true;
}

bool ScanUnsigned(const char* text, unsigned int* value) {
  bool negative;
  const char* p = SkipSign(text, &negative);
  unsigned long long magnitude;
  if (!ReadDigits(&p, 10, UINT_MAX, &magnitude)) return false;
  unsigned int number = static_cast<unsigned int>(magnitude);
  *value = negative ? 0u - number : number;
  return true;
}
