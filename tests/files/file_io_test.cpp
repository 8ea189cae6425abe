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
      names.insert(entry.path().lexically_relative(folder_).string());
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

  // A problem whose file would not read back is not written at all.
  data.stiffnessEI = 1e200;
  const FileResult result = WriteProblemFile(data, target.string());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Cannot save \"" + target.string() +
                                "\": EI or the width has too many digits for the data file.");
  EXPECT_EQ(Contents(target), "precious\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Folder.plv", "Folder.plv/inside", "Keep.plv"}));
}

TEST_F(AtomicSave, LinksAreFollowedSpecialFilesRefusedLongNamesSaved) {
  // A link stays a link, and the file it leads to gets the new contents.
  fs::create_directories(folder_ / "real");
  Put(folder_ / "real" / "Pile.plv", "old\r\n");
  fs::create_symlink(fs::path("real") / "Pile.plv", folder_ / "Link.plv");
  FileResult result = WriteFileAtomically((folder_ / "Link.plv").string(), "new\r\n");
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_TRUE(fs::is_symlink(folder_ / "Link.plv"));
  EXPECT_EQ(Contents(folder_ / "real" / "Pile.plv"), "new\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Link.plv", "real", "real/Pile.plv"}));

  // A pipe (or a device such as /dev/null) is never swapped for a plain file, also not through
  // a link.
  const fs::path pipe = folder_ / "pipe.plv";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink("pipe.plv", folder_ / "PipeLink.plv");
  for (const fs::path& path : {pipe, folder_ / "PipeLink.plv"}) {
    result = WriteFileAtomically(path.string(), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Cannot save \"" + path.string() + "\": it is not a regular file.");
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_TRUE(fs::is_symlink(folder_ / "PipeLink.plv"));
  EXPECT_EQ(Entries(), (std::set<std::string>{"Link.plv", "PipeLink.plv", "pipe.plv", "real",
                                              "real/Pile.plv"}));

  // The longest name the folder takes can be saved: the temporary name does not outgrow it.
  const std::string longName = std::string(251, 'L') + ".plv";
  result = WriteFileAtomically((folder_ / longName).string(), "long\r\n");
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(Contents(folder_ / longName), "long\r\n");
  EXPECT_EQ(Entries().size(), 6u);
}

TEST(SystemErrorText, IsFixedEnglishTextWhateverTheLocale) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "no space left on the device");
  EXPECT_EQ(SystemErrorText(EACCES), "permission denied");
  EXPECT_EQ(SystemErrorText(EROFS), "the file system is read-only");
  EXPECT_EQ(SystemErrorText(12345), "system error 12345");
}

}  // namespace
}  // namespace pelvar
