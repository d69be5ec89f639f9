// Tokenizing of script lines.
#include "script_lexer.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string SplitLine(const std::string& line, std::vector<Token>* tokens) {
  tokens->clear();
  size_t end = line.size();
  if (end > 0 && line[end - 1] == '\r') --end;
  if (line.find('\0') < end) return "NUL byte in the line";

  size_t at = 0;
  while (true) {
    while (at < end && IsBlank(line[at])) ++at;
    if (at == end || line[at] == '#') return "";

    Token token{"", line[at] == '"'};
    if (token.quoted) {
      size_t opening = at++;
      while (true) {
        if (at == end) {
          return "unterminated quote (opened at column " + std::to_string(opening + 1) + ")";
        }
        if (line[at] == '"') {
          if (at + 1 < end && line[at + 1] == '"') {
            token.text += '"';
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        token.text += line[at++];
      }
      if (at < end && !IsBlank(line[at])) {
        return "text right after a closing quote at column " + std::to_string(at + 1) +
               "; separate tokens by blanks";
      }
    } else {
      while (at < end && !IsBlank(line[at])) {
        if (line[at] == '"') {
          return "double quote inside an unquoted token at column " + std::to_string(at + 1) +
                 "; quote the whole token and write the quote twice";
        }
        token.text += line[at++];
      }
    }
    tokens->push_back(token);
  }
}

std::string QuoteText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}
