// Replacing a file's content through a temporary file and a rename.
#include "replace_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder of its own for each test, removed afterwards.
class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "customize-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
    EXPECT_FALSE(fs::exists(folder_));
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(PathOf(name), std::ios::binary) << content;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST_F(ReplaceFileTest, ReplacesTheContentAndKeepsThePermissionBits) {
  for (mode_t mode : {0644, 0755, 0600, 0444, 0751}) {
    Write("install.so", "old content, longer than the new one");
    ASSERT_EQ(chmod(PathOf("install.so").c_str(), mode), 0);
    std::string error;
    ASSERT_TRUE(customize::ReplaceFileContent(PathOf("install.so"), Bytes(std::string("new\0x", 5)),
                                              &error))
        << std::oct << mode << ": " << error;
    EXPECT_EQ(Read("install.so"), std::string("new\0x", 5)) << std::oct << mode;
    EXPECT_EQ(ModeOf(PathOf("install.so")), mode) << std::oct << mode;
    EXPECT_EQ(Names(), std::vector<std::string>{"install.so"}) << "a temporary file is left";
    ASSERT_EQ(chmod(PathOf("install.so").c_str(), 0644), 0);
  }
}

TEST_F(ReplaceFileTest, ReplacesTheFileALinkNamesAndKeepsTheLink) {
  Write("target.so", "old");
  fs::create_symlink("target.so", folder_ / "link.so");
  std::string error;
  ASSERT_TRUE(customize::ReplaceFileContent(PathOf("link.so"), Bytes("new"), &error)) << error;
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.so"));
  EXPECT_EQ(Read("target.so"), "new");
  EXPECT_EQ((std::vector<std::string>{"link.so", "target.so"}), Names());
}

// The rename is the last step; when it fails, the original stays and nothing is left behind.
// A directory in the file's place makes it fail even for a privileged user.
TEST_F(ReplaceFileTest, AFailedRenameLeavesTheOriginalAndNoTemporaryFile) {
  fs::create_directory(folder_ / "install.so");
  Write("install.so/inside", "kept");
  std::string error;
  EXPECT_FALSE(customize::ReplaceFileContent(PathOf("install.so"), Bytes("new"), &error));
  EXPECT_NE(error.find("cannot rename"), std::string::npos) << error;
  EXPECT_EQ(Read("install.so/inside"), "kept");
  EXPECT_EQ(Names(), std::vector<std::string>{"install.so"});
}

TEST_F(ReplaceFileTest, RefusesAFileInAFolderThatIsNotThere) {
  std::string error;
  EXPECT_FALSE(customize::ReplaceFileContent(PathOf("missing/install.so"), Bytes("new"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(Names().empty());
}

TEST_F(ReplaceFileTest, ReadsAWholeFileAndRefusesWhatIsNotOne) {
  std::string big(200000, 'b');
  big[123456] = '\0';
  Write("big", big);
  std::vector<unsigned char> bytes;
  std::string error;
  ASSERT_TRUE(customize::ReadWholeFile(PathOf("big"), &bytes, &error)) << error;
  EXPECT_EQ(bytes, Bytes(big));

  fs::create_directory(folder_ / "folder");
  const char* refused[] = {"missing", "folder"};
  for (const char* name : refused) {
    error.clear();
    EXPECT_FALSE(customize::ReadWholeFile(PathOf(name), &bytes, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
}

}  // namespace
