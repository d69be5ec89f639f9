// MessageBoxA on the simulated system: no screen, so the box is recorded and answered by the
// scripted user's queue.
#include <stdio.h>

#include <deque>

#include <windows.h>

#include "winsim.h"

namespace winsim {
namespace {

std::deque<int>& Answers() {
  static std::deque<int> answers;
  return answers;
}

std::vector<MessageBoxRecord>& Records() {
  static std::vector<MessageBoxRecord> records;
  return records;
}

}  // namespace

void QueueMessageBoxAnswer(int button) { Answers().push_back(button); }
const std::vector<MessageBoxRecord>& MessageBoxes() { return Records(); }
void ClearMessageBoxes() {
  Records().clear();
  Answers().clear();
}

}  // namespace winsim

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  DWORD error;
  if (winsim::ShouldFail("MessageBoxA", &error)) {
    SetLastError(error);
    return 0;
  }
  // Windows titles a box without a caption "Error".
  winsim::MessageBoxRecord record{owner, caption != nullptr ? caption : "Error",
                                  text != nullptr ? text : "", type, 0};
  if (winsim::Answers().empty()) {
    fprintf(stderr, "winsim: message box \"%s\" (\"%s\") was not answered by the scripted user\n",
            record.title.c_str(), record.text.c_str());
    winsim::Records().push_back(record);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  record.answer = winsim::Answers().front();
  winsim::Answers().pop_front();
  winsim::Records().push_back(record);
  return record.answer;
}
