#include "files/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "files/problem_file.h"
#include "problem_file_test_util.h"

namespace pelvar {
namespace {

namespace fs = std::filesystem;

class AtomicSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("pelvar_save_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // Every entry of a folder, recursively, so a forgotten temporary file shows up.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
      names.insert(fs::relative(entry.path(), folder_).string());
    }
    return names;
  }

  fs::path folder_;
};

TEST_F(AtomicSave, ReplacesTheFileAndKeepsItsPermissions) {
  const fs::path target = folder_ / "Pile.plv";
  Put(target, "old contents");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ProblemData data;
  data.elementCount = 10;
  const FileResult result = WriteProblemFile(data, target.string());
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(Contents(target), test::kExampleFile);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), (std::set<std::string>{"Pile.plv"}));

  // A new file in the current folder, named without any folder.
  const fs::path saved = fs::current_path();
  fs::current_path(folder_);
  EXPECT_TRUE(WriteFileAtomically("Bare.plv", "abc\r\n").ok);
  fs::current_path(saved);
  EXPECT_EQ(Contents(folder_ / "Bare.plv"), "abc\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Bare.plv", "Pile.plv"}));
}

TEST_F(AtomicSave, FailuresLeaveTheOldFileAndNoTemporaryFile) {
  const fs::path target = folder_ / "Keep.plv";
  Put(target, "precious\r\n");
  fs::create_directories(folder_ / "Folder.plv" / "inside");
  ProblemData data;

  struct Case {
    fs::path path;
    std::string reason;
  } cases[] = {
      {folder_ / "missing" / "Keep.plv", "no such file or folder"},
      {target / "Keep.plv", "a part of the path is not a folder"},
      {folder_ / "Folder.plv", "it is a folder"},
      {folder_ / std::string(300, 'n'), "the name is too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const FileResult result = WriteProblemFile(data, c.path.string());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Cannot save \"" + c.path.string() + "\": " + c.reason + ".");
    EXPECT_EQ(Contents(target), "precious\r\n");
    EXPECT_EQ(Entries(), (std::set<std::string>{"Folder.plv", "Folder.plv/inside", "Keep.plv"}));
  }
}

TEST(SystemErrorText, IsFixedEnglishTextWhateverTheLocale) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "no space left on the device");
  EXPECT_EQ(SystemErrorText(EACCES), "permission denied");
  EXPECT_EQ(SystemErrorText(EROFS), "the file system is read-only");
  EXPECT_EQ(SystemErrorText(12345), "system error 12345");
}

}  // namespace
}  // namespace pelvar
