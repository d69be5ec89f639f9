// wsprintfA and wvsprintfA: Windows' own small formatter. It knows no floating point and no
// pointers, and fills at most 1024 bytes: 1023 characters and the terminator.
#include <string.h>

#include <windows.h>

namespace {

constexpr int kOutputMax = 1023;

struct Output {
  char* buffer;
  int used = 0;
  bool cut = false;
  void Put(char c) {
    if (used < kOutputMax) {
      buffer[used++] = c;
    } else {
      cut = true;
    }
  }
};

void PutPadded(Output& out, const char* text, int length, int width, bool left, char pad) {
  if (!left) {
    for (int i = length; i < width; ++i) out.Put(pad);
  }
  for (int i = 0; i < length; ++i) out.Put(text[i]);
  if (left) {
    for (int i = length; i < width; ++i) out.Put(' ');
  }
}

}  // namespace

extern "C" int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
  Output out{buffer};
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      out.Put(*p);
      continue;
    }
    const char* start = p++;
    bool left = false, zero = false, alternate = false;
    for (;; ++p) {
      if (*p == '-') left = true;
      else if (*p == '0') zero = true;
      else if (*p == '#') alternate = true;
      else break;
    }
    int width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
    int precision = -1;
    if (*p == '.') {
      precision = 0;
      ++p;
      while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
    }
    if (*p == 'l' || *p == 'h') ++p;  // every integer argument is 32 bits here

    char digits[16];
    int length = 0;
    switch (*p) {
      case 'd':
      case 'i': {
        int value = va_arg(arguments, int);
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        char reversed[12];
        int count = 0;
        do {
          reversed[count++] = static_cast<char>('0' + magnitude % 10);
          magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0) digits[length++] = '-';
        while (count > 0) digits[length++] = reversed[--count];
        PutPadded(out, digits, length, width, left, zero && !left ? '0' : ' ');
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        unsigned value = va_arg(arguments, unsigned);
        unsigned base = *p == 'u' ? 10 : 16;
        const char* alphabet = *p == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        char reversed[12];
        int count = 0;
        do {
          reversed[count++] = alphabet[value % base];
          value /= base;
        } while (value != 0);
        if (alternate && base == 16) {
          digits[length++] = '0';
          digits[length++] = *p;
        }
        while (count > 0) digits[length++] = reversed[--count];
        PutPadded(out, digits, length, width, left, zero && !left ? '0' : ' ');
        break;
      }
      case 'c': {
        char c = static_cast<char>(va_arg(arguments, int));
        PutPadded(out, &c, 1, width, left, ' ');
        break;
      }
      case 's': {
        const char* text = va_arg(arguments, const char*);
        if (text == nullptr) text = "(null)";
        int textLength = 0;
        while (text[textLength] != '\0' && (precision < 0 || textLength < precision)) ++textLength;
        PutPadded(out, text, textLength, width, left, ' ');
        break;
      }
      case '%':
        out.Put('%');
        break;
      default:
        // An unknown type is copied as it stands, as far as it went.
        for (const char* q = start + 1; q <= p && *q != '\0'; ++q) out.Put(*q);
        if (*p == '\0') --p;
        break;
    }
  }
  buffer[out.used] = '\0';
  // A cut output counts the whole buffer, terminator included, as Wine's does.
  return out.cut ? kOutputMax + 1 : out.used;
}

extern "C" int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int written = wvsprintfA(buffer, format, arguments);
  va_end(arguments);
  return written;
}
