// File system behaviour the product relies on, pinned on both builds: natively against the
// simulated drives, under Wine against Wine's kernel32.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "test_system.h"

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

bool IsShortComponent(const std::string& name) {
  size_t dot = name.find('.');
  std::string base = name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  return !base.empty() && base.size() <= 8 && extension.size() <= 3 &&
         name.find(' ') == std::string::npos && extension.find('.') == std::string::npos;
}

class Files : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
};

TEST_F(Files, ShortPathOfLongNamesIsEightDotThreeAndNamesTheSameFolder) {
  ASSERT_TRUE(scratch_.MakeFolder("Program Files Of Kelo"));
  ASSERT_TRUE(scratch_.MakeFolder("Program Files Of Kelo\\long sub folder.name"));
  std::string longPath = scratch_.Path("Program Files Of Kelo\\long sub folder.name");
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(longPath.c_str(), shortPath, sizeof shortPath);
  ASSERT_GT(length, 0u) << GetLastError();
  EXPECT_EQ(length, strlen(shortPath));
  std::string text = shortPath;
  EXPECT_EQ(text.substr(0, scratch_.Base().size() + 1), scratch_.Base() + "\\");
  for (size_t start = scratch_.Base().size() + 1; start < text.size();) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    EXPECT_TRUE(IsShortComponent(text.substr(start, end - start))) << text;
    start = end + 1;
  }
  EXPECT_EQ(GetFileAttributesA(shortPath), DWORD(FILE_ATTRIBUTE_DIRECTORY)) << text;
}

TEST_F(Files, ShortPathOfAShortPathIsTheSameText) {
  ASSERT_TRUE(scratch_.MakeFolder("KELO"));
  std::string path = scratch_.Path("KELO");
  char shortPath[MAX_PATH];
  EXPECT_EQ(GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath), path.size());
  EXPECT_EQ(std::string(shortPath), path);
}

TEST_F(Files, ShortPathTooLongForTheBufferGivesTheSizeNeeded) {
  ASSERT_TRUE(scratch_.MakeFolder("KELO"));
  std::string path = scratch_.Path("KELO");
  char shortPath[4];
  EXPECT_EQ(GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath), path.size() + 1);
  EXPECT_EQ(GetShortPathNameA(path.c_str(), nullptr, 0), path.size() + 1);
}

TEST_F(Files, ShortPathOfAMissingPathFails) {
  struct Case {
    const char* relative;
    DWORD error;
  } cases[] = {
      {"missing folder", ERROR_FILE_NOT_FOUND},
      // Unlike GetFileAttributesA, a missing folder on the way is reported as a missing file.
      {"missing folder\\below", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    char shortPath[MAX_PATH] = "untouched";
    SetLastError(kSentinel);
    EXPECT_EQ(GetShortPathNameA(scratch_.Path(c.relative).c_str(), shortPath, sizeof shortPath), 0u)
        << c.relative;
    EXPECT_EQ(GetLastError(), c.error) << c.relative;
  }
}

TEST_F(Files, NamesCompareWithoutRegardToCase) {
  ASSERT_TRUE(scratch_.MakeFolder("Mixed Case"));
  EXPECT_EQ(GetFileAttributesA(scratch_.Path("MIXED CASE").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesA(scratch_.Path("mixed case").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateDirectoryA(scratch_.Path("MIXED case").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
}

TEST_F(Files, MissingFileHasNoAttributes) {
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(scratch_.Path("nothing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileAttributesA(scratch_.Path("nothing\\below").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, FilesOpenForReadingOnlyWhenTheyExist) {
  std::string path = scratch_.Path("present.inf");
  HANDLE made = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_TRUE(CloseHandle(made));

  HANDLE opened = CreateFileA(scratch_.Path("PRESENT.INF").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(opened, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(opened));

  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {
      {scratch_.Path("absent.inf"), ERROR_FILE_NOT_FOUND},
      {scratch_.Path("absent\\x.inf"), ERROR_PATH_NOT_FOUND},
      {scratch_.Base(), ERROR_ACCESS_DENIED},  // a folder, without backup semantics
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFileA(c.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE)
        << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr) !=
               INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
