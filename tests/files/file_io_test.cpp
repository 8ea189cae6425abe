#include "files/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "files/problem_file.h"
#include "problem_file_test_util.h"

namespace pelvar {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kNobody = 65534;

// Runs work in a child process under a file size limit (RLIMIT_FSIZE, in bytes), with the
// signal of the limit ignored or not, and returns the child's wait status.
int InChild(rlim_t sizeLimit, bool ignoreSizeSignal, const std::function<int()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit limit{sizeLimit, sizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(99);
    if (ignoreSizeSignal) std::signal(SIGXFSZ, SIG_IGN);
    ::_exit(work());
  }
  int status = -1;
  ::waitpid(pid, &status, 0);
  return status;
}

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
  // Only a privileged process may keep another user's ownership.
  const bool privileged = ::geteuid() == 0;
  if (privileged) {
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
  }
  ProblemData data;
  data.elementCount = 10;
  const FileResult result = WriteProblemFile(data, target.string());
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(Contents(target), test::kExampleFile);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (privileged) {
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);
  }
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
      {folder_ / "missing" / "Keep.plv", "No such file or directory"},
      {target / "Keep.plv", "Not a directory"},
      {folder_ / "Folder.plv", "Is a directory"},
      {folder_ / std::string(300, 'n'), "File name too long"},
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

  // A dangling link, reached through a second link, makes the file it names.
  fs::create_symlink(fs::path("real") / "New.plv", folder_ / "Dangling.plv");
  fs::create_symlink("Dangling.plv", folder_ / "Chain.plv");
  result = WriteFileAtomically((folder_ / "Chain.plv").string(), "made\r\n");
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_TRUE(fs::is_symlink(folder_ / "Chain.plv"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "Dangling.plv"));
  EXPECT_EQ(Contents(folder_ / "real" / "New.plv"), "made\r\n");
  fs::create_symlink("Loop.plv", folder_ / "Loop.plv");
  result = WriteFileAtomically((folder_ / "Loop.plv").string(), "x");
  EXPECT_EQ(result.message, "Cannot save \"" + (folder_ / "Loop.plv").string() +
                                "\": Too many levels of symbolic links.");
  for (const char* name : {"Chain.plv", "Dangling.plv", "Loop.plv", "real/New.plv"}) {
    fs::remove(folder_ / name);
  }

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

TEST_F(AtomicSave, WriteFailuresSayWhyAndLeftoversOfDeadSavesAreRemoved) {
  const fs::path target = folder_ / "Keep.plv";
  Put(target, "precious\r\n");
  const std::string big(5000, 'x');
  // Under a file size limit, with its signal ignored, the write fails and the system says why.
  int status = InChild(1000, true, [&] {
    const FileResult result = WriteFileAtomically(target.string(), big);
    if (result.ok || result.message != "Cannot save \"" + target.string() + "\": File too large.") {
      return 1;
    }
    PendingFile file;
    if (!file.Create((folder_ / "New.pdf").string()).ok || !file.Write(big.substr(0, 900)).ok) {
      return 2;
    }
    return file.WriteError() == EFBIG ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Contents(target), "precious\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Keep.plv"}));

  // A save killed by the limit leaves its temporary file. The next save into the folder removes
  // it, but not one of a process that still runs (process 1) nor files of other names.
  status =
      InChild(1000, false, [&] { return WriteFileAtomically(target.string(), big).ok ? 0 : 1; });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  ASSERT_EQ(Entries().size(), 2u);
  const std::set<std::string> others = {".Keep.plv.pelvar-1-0.tmp", ".Keep.plv.pelvar-x-0.tmp",
                                        "Keep.plv.pelvar-99999999-0.tmp"};
  for (const std::string& name : others) Put(folder_ / name, "other");
  ASSERT_TRUE(WriteFileAtomically((folder_ / "Other.plv").string(), "o").ok);
  std::set<std::string> expected = others;
  expected.insert({"Keep.plv", "Other.plv"});
  EXPECT_EQ(Entries(), expected);
  EXPECT_EQ(Contents(target), "precious\r\n");
}

TEST(SystemErrorText, IsTheSystemsEnglishTextWhateverTheLocale) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "No space left on device");
  EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
  EXPECT_EQ(SystemErrorText(EROFS), "Read-only file system");
  EXPECT_EQ(SystemErrorText(12345), "System error 12345");
}

}  // namespace
}  // namespace pelvar
