// The shared board configuration: free COM numbers, and the configuration message boxes.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "board_config.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

// The state lives as long as the library; each case starts from the state of a fresh process.
class BoardConfig : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    memset(ComInUse, 0, sizeof ComInUse);
    ErrorRaised = false;
  }
  static void Mark(int first, int last) {
    for (int n = first; n <= last; ++n) ComInUse[n - 1] = 1;
  }
};

TEST_F(BoardConfig, FreshProcessState) {
  EXPECT_EQ(PortConfig.OwnerWindow, nullptr);
  EXPECT_EQ(PortConfig.IsPci, -1);
  EXPECT_EQ(PortConfig.BusNumber, -1);
  EXPECT_STREQ(PortConfig.IoText, "");
  EXPECT_EQ(BusCount, 0);
}

TEST_F(BoardConfig, FreePortsAreTheLowestUnmarkedNumbers) {
  struct Case {
    int firstMarked, lastMarked;  // 0: none
    int count;
    LONG expected[8];
  } cases[] = {
      {1, 2, 4, {3, 4, 5, 6, -7, -7, -7, -7}},
      {0, 0, 2, {1, 2, -7, -7, -7, -7, -7, -7}},
      // Only four numbers are left: the last four entries keep what they held.
      {1, 252, 8, {253, 254, 255, 256, -7, -7, -7, -7}},
      {1, 256, 8, {-7, -7, -7, -7, -7, -7, -7, -7}},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    Clear();
    if (cases[row].firstMarked > 0) Mark(cases[row].firstMarked, cases[row].lastMarked);
    LONG numbers[9] = {-7, -7, -7, -7, -7, -7, -7, -7, -9};
    AssignFreePorts(cases[row].count, numbers);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(numbers[i], cases[row].expected[i]) << "row " << row << " entry " << i;
    EXPECT_EQ(numbers[8], -9) << "row " << row;
  }
}

TEST_F(BoardConfig, FreePortsSkipMarksBetweenThem) {
  Mark(4, 4);
  Mark(6, 7);
  LONG numbers[5] = {};
  AssignFreePorts(5, numbers);
  const LONG expected[5] = {1, 2, 3, 5, 8};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(numbers[i], expected[i]) << i;
  EXPECT_EQ(ComInUse[0], 0) << "assigning marks nothing";
}

#ifndef _WIN32
// Natively only: the simulated system records each box; under Wine a box waits for a user,
// and the scripted user that answers there arrives with the dialog's timers.
TEST_F(BoardConfig, BoxesShowTheFormattedMessageWithTheirTitles) {
  HWND owner = reinterpret_cast<HWND>(0x1234);
  winsim::QueueMessageBoxAnswer(IDOK);
  winsim::QueueMessageBoxAnswer(IDOK);
  ShowConfigWarning(owner, "COM%d is in use by %s", 5, "another device");
  EXPECT_FALSE(ErrorRaised) << "a warning only informs";
  ShowConfigError(nullptr, "Internal Error: %s", "no board");
  EXPECT_TRUE(ErrorRaised);

  const auto& boxes = winsim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].title, "Configuration Warning");
  EXPECT_EQ(boxes[0].text, "COM5 is in use by another device");
  EXPECT_EQ(boxes[0].style, UINT(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(boxes[1].owner, nullptr);
  EXPECT_EQ(boxes[1].title, "Configuration Error");
  EXPECT_EQ(boxes[1].text, "Internal Error: no board");
  EXPECT_EQ(boxes[1].style, UINT(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(BoardConfig, LongMessagesAreCutAtTheFormatterLimit) {
  std::string path(2000, 'p');
  winsim::QueueMessageBoxAnswer(IDOK);
  ShowConfigWarning(nullptr, "Cannot open %s", path.c_str());
  ASSERT_EQ(winsim::MessageBoxes().size(), 1u);
  EXPECT_EQ(winsim::MessageBoxes()[0].text, "Cannot open " + std::string(1023 - 12, 'p'));
}

TEST_F(BoardConfig, TracesShowNothing) {
  TraceMessage("step %d of %s", 3, "merge");
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}
#endif

}  // namespace
