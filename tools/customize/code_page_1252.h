// The customization texts are 8-bit text in code page 1252, the ANSI code page of Western
// Windows, which the library converts through; the command line speaks UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace customize {

// Converts UTF-8 to code page 1252. False, with the reason in *error, for bytes that are not
// UTF-8 and for characters 1252 has no byte for (C1 control characters among them).
bool Utf8ToCp1252(std::string_view utf8, std::string* cp1252, std::string* error);

// Converts code page 1252 to UTF-8 for display; the five bytes 1252 leaves undefined come out
// as \xNN.
std::string Cp1252ToUtf8(std::string_view cp1252);

}  // namespace customize
