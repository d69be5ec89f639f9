// Splits one line of an installation script into tokens.
//
// Tokens are separated by blanks (spaces and tabs). A token that starts with a double quote runs
// to the matching closing quote and may hold blanks and '#'; a double quote inside it is written
// twice (""). Backslashes are ordinary characters, so Windows paths need no escaping. A '#' that
// starts a token, outside quotes, begins a comment that runs to the end of the line. A carriage
// return at the end of the line (a script saved with CR LF) is not part of it.
#pragma once

#include <string>
#include <vector>

struct Token {
  std::string text;  // without the quotes, "" already made one quote
  bool quoted;
};

// Fills `tokens` with the tokens of `line`, a line without its '\n'. Returns "" on success;
// otherwise what is wrong with the line, with `tokens` holding the tokens before the fault.
std::string SplitLine(const std::string& line, std::vector<Token>* tokens);

// `text` as a quoted token: in double quotes, each double quote doubled. SplitLine reads it back
// as `text`, so printed values can be pasted into a script.
std::string QuoteText(const std::string& text);
