// Reading numbers from installation variables and setup texts, as the C library's "%i" and
// "%u" conversions read them, without its scanf: that would bring mingw's whole formatted input
// into the library (msvcrt has no vsscanf for it to call).
#pragma once

// "%i": blanks skipped, an optional sign, then "0x" or "0X" and hex digits, a leading 0 and
// octal digits, or decimal digits; the number ends at the first character that is none of
// them. False when no digit was read. Values beyond the range of int are held at its limits.
bool ScanInteger(const char* text, int* value);

// "%u": blanks skipped, an optional sign, decimal digits; a minus sign negates in unsigned
// arithmetic, as the C library does. False when no digit was read. Values beyond 32 bits are
// held at 0xFFFFFFFF.
bool ScanUnsigned(const char* text, unsigned int* value);
