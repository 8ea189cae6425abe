#include "files/safe_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "problem_file_test_util.h"

namespace pelvar {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kNobody = 65534;
constexpr unsigned kDaemon = 1;

// An access list as the kernel keeps it in system.posix_acl_access: version 2, then per entry
// its tag, permissions and id, little endian.
constexpr unsigned kOwner = 0x01, kUser = 0x02, kGroup = 0x04, kMask = 0x10, kOthers = 0x20;
constexpr unsigned kNoId = 0xFFFFFFFF;
std::string AccessList(std::initializer_list<std::array<unsigned, 3>> entries) {
  std::string list{'\x02', '\0', '\0', '\0'};
  for (const auto& [tag, permissions, id] : entries) {
    for (const unsigned byte :
         {tag, tag >> 8, permissions, permissions >> 8, id, id >> 8, id >> 16, id >> 24}) {
      list.push_back(static_cast<char>(byte & 0xFF));
    }
  }
  return list;
}

std::string Attribute(const std::filesystem::path& path, const char* name) {
  char value[512];
  const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(size));
}

unsigned Mode(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
}

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

TEST_F(AtomicSave, ReplacesTheFileAndKeepsItsPermissionsAndAttributes) {
  const fs::path target = folder_ / "Pile.plv";
  Put(target, "old contents");
  // Only a privileged process may keep another user's ownership.
  const bool privileged = ::geteuid() == 0;
  if (privileged) {
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
  }
  // An access list that lets nobody write and the owning group only read: the mode's group
  // bits are its mask (rw-), which given to a file without the list would let the group write.
  const std::string list = AccessList({{kOwner, 6, kNoId},
                                       {kUser, 6, kNobody},
                                       {kGroup, 4, kNoId},
                                       {kMask, 6, kNoId},
                                       {kOthers, 0, kNoId}});
  const bool attributes =
      ::setxattr(target.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) == 0 &&
      ::setxattr(target.c_str(), "user.project", "quay", 4, 0) == 0;
  if (!attributes) {
    ASSERT_EQ(::chmod(target.c_str(), 0660), 0);
  }
  ProblemData data;
  data.elementCount = 10;
  const FileResult result = WriteProblemFile(data, target.string());
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(Contents(target), test::kExampleFile);
  EXPECT_EQ(Mode(target), 0660u);
  if (attributes) {
    EXPECT_EQ(Attribute(target, "system.posix_acl_access"), list);
    EXPECT_EQ(Attribute(target, "user.project"), "quay");
  }
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  if (privileged) {
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);
  }
  EXPECT_EQ(Entries(), (std::set<std::string>{"Pile.plv"}));

  // A new file in the current folder, named without any folder. Nobody else may read or write
  // the temporary file while it is written, whatever the umask; the file then gets what any new
  // file gets.
  const fs::path saved = fs::current_path();
  fs::current_path(folder_);
  const mode_t umaskBefore = ::umask(0);
  PendingFile bare;
  ASSERT_TRUE(bare.Create("Bare.plv").ok);
  EXPECT_EQ(Mode(bare.TemporaryPath()), 0600u) << bare.TemporaryPath();
  EXPECT_TRUE(bare.Write("abc\r\n").ok);
  EXPECT_TRUE(bare.Commit().ok);
  ::umask(umaskBefore);
  fs::current_path(saved);
  EXPECT_EQ(Contents(folder_ / "Bare.plv"), "abc\r\n");
  EXPECT_EQ(Mode(folder_ / "Bare.plv"), 0666u);
  EXPECT_EQ(Entries(), (std::set<std::string>{"Bare.plv", "Pile.plv"}));

  // In a folder with a default access list a new file gets the list a file made there with
  // mode 0666 gets, as the kernel makes one beside it.
  const fs::path shared = folder_ / "team";
  fs::create_directories(shared);
  const std::string defaults = AccessList({{kOwner, 7, kNoId},
                                           {kUser, 7, kNobody},
                                           {kGroup, 5, kNoId},
                                           {kMask, 7, kNoId},
                                           {kOthers, 5, kNoId}});
  if (::setxattr(shared.c_str(), "system.posix_acl_default", defaults.data(), defaults.size(), 0) !=
      0) {
    GTEST_SKIP() << "this file system keeps no access lists";
  }
  const int made = ::open((shared / "made.plv").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  ASSERT_GE(made, 0);
  ::close(made);
  ASSERT_TRUE(WriteFileAtomically((shared / "saved.plv").string(), "x").ok);
  EXPECT_EQ(Attribute(shared / "saved.plv", "system.posix_acl_access"),
            Attribute(shared / "made.plv", "system.posix_acl_access"));
  EXPECT_EQ(Mode(shared / "saved.plv"), Mode(shared / "made.plv"));
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

TEST_F(AtomicSave, OtherUsersLinksInSharedFoldersAreNotFollowed) {
  // The kernel's protected-links rule: in a folder that is sticky and writable by all, a link is
  // followed only when it belongs to the user saving or to the folder's owner.
  struct Case {
    unsigned follower;  // the effective user that saves
    unsigned folderMode, folderOwner, linkOwner;
    bool linkIsAFolder;  // the link stands for a folder on the way, not for the file
    bool followed;
  };
  const unsigned me = ::geteuid();
  const Case cases[] = {
      {me, 01777, me, me, false, true},
      {0, 01777, 0, kNobody, false, false},  // root, in a folder such as /tmp
      {0, 01777, 0, kNobody, true, false},
      {kNobody, 01777, 0, kDaemon, false, false},  // an ordinary user's private file
      {0, 00777, 0, kNobody, false, true},         // not sticky
      {0, 01775, 0, kNobody, false, true},         // not writable by all
      {0, 01777, kNobody, kNobody, false, true},   // the folder owner's link
  };
  int skipped = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    if (me != 0 && (c.follower != me || c.folderOwner != me || c.linkOwner != me)) {
      ++skipped;
      continue;
    }
    const fs::path shared = folder_ / ("shared" + std::to_string(i));
    const fs::path secret = folder_ / ("private" + std::to_string(i));
    fs::create_directories(shared);
    fs::create_directories(secret);
    Put(secret / "victim", "secret");
    for (const fs::path& mine : {secret, secret / "victim"}) {
      ASSERT_EQ(::chown(mine.c_str(), c.follower, c.follower), 0);
    }
    ASSERT_EQ(::chmod(secret.c_str(), 0700), 0);
    ASSERT_EQ(::chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);
    ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
    const fs::path link = shared / (c.linkIsAFolder ? "folder" : "out.csv");
    fs::create_symlink(c.linkIsAFolder ? secret : secret / "victim", link);
    ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
    const fs::path path = c.linkIsAFolder ? link / "victim" : link;

    if (c.follower != me) {
      ASSERT_EQ(::seteuid(c.follower), 0);
    }
    const FileResult result = WriteFileAtomically(path.string(), "written");
    if (c.follower != me) {
      ASSERT_EQ(::seteuid(me), 0);
    }
    if (c.followed) {
      EXPECT_TRUE(result.ok) << result.message;
      EXPECT_EQ(Contents(secret / "victim"), "written");
    } else {
      EXPECT_EQ(result.message, "Cannot save \"" + path.string() + "\": \"" + link.string() +
                                    "\" is another user's symbolic link in a folder that is "
                                    "sticky and writable by all; it is not followed.");
      EXPECT_EQ(Contents(secret / "victim"), "secret");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(secret), fs::directory_iterator()), 1);
  }
  if (skipped > 0) GTEST_SKIP() << skipped << " cases need root, for links of other users";
}

TEST_F(AtomicSave, TheTemporaryIsLockedAndStaysInTheFolderFirstFound) {
  const fs::path work = folder_ / "work";
  fs::create_directories(work);
  const std::string target = (work / "Beam.plv").string();
  PendingFile file;
  ASSERT_TRUE(file.Create(target).ok);
  EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), work);
  // Locked while it is written: a second lock on it is refused.
  const int other = ::open(file.TemporaryPath().c_str(), O_RDONLY);
  EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), -1);
  ::close(other);
  // The folder renamed and another one put in its place: the save still goes where it began.
  fs::rename(work, folder_ / "moved");
  fs::create_directories(work);
  ASSERT_TRUE(file.Write("new\r\n").ok);
  ASSERT_TRUE(file.Commit().ok);
  EXPECT_EQ(Contents(folder_ / "moved" / "Beam.plv"), "new\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"moved", "moved/Beam.plv", "work"}));

  // A temporary swapped for a link (to a file the swapper wants written) is not put in the
  // target's place, and the file it leads to is not written.
  Put(folder_ / "victim", "victim");
  ASSERT_TRUE(file.Create(target).ok);
  fs::remove(file.TemporaryPath());
  fs::create_symlink(folder_ / "victim", file.TemporaryPath());
  ASSERT_TRUE(file.Write("swapped\r\n").ok);
  EXPECT_EQ(file.Commit().message, "Cannot save \"" + target +
                                       "\": its temporary file was removed or replaced meanwhile.");
  EXPECT_EQ(Contents(folder_ / "victim"), "victim");
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(AtomicSave, WriteFailuresSayWhyAndOnlyEndedSavesOfTheUserAreCleanedUp) {
  const fs::path target = folder_ / "Keep.plv";
  Put(target, "precious\r\n");
  const std::string big(5000, 'x');
  // Under a file size limit, with its signal ignored, the write fails and the system says why.
  int status = InChild(1000, true, [&] {
    const FileResult result = WriteFileAtomically(target.string(), big);
    return result.message == "Cannot save \"" + target.string() + "\": File too large." ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Contents(target), "precious\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Keep.plv"}));

  // A save killed by the limit leaves its temporary file, which the next save into the folder
  // removes; so is one of a process that still runs (number 1) once its save has ended.
  status =
      InChild(1000, false, [&] { return WriteFileAtomically(target.string(), big).ok ? 0 : 1; });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  ASSERT_EQ(Entries().size(), 2u);
  Put(folder_ / ".Keep.plv.pelvar-1-0.tmp", "ended");
  // Kept: files of other names, a save still being written by a process this system does not
  // see (a container sharing the folder: its number runs nowhere here, but it holds its lock),
  // and another user's file.
  std::set<std::string> kept = {".Keep.plv.pelvar-x-0.tmp", "Keep.plv.pelvar-99999999-0.tmp",
                                ".Keep.plv.pelvar-99999998-0.tmp"};
  for (const std::string& name : kept) Put(folder_ / name, "other");
  const int live = ::open((folder_ / ".Keep.plv.pelvar-99999998-0.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
  if (::geteuid() == 0) {
    const fs::path foreign = folder_ / ".Keep.plv.pelvar-99999997-0.tmp";
    Put(foreign, "nobody's");
    ASSERT_EQ(::chown(foreign.c_str(), kNobody, kNobody), 0);
    kept.insert(foreign.filename().string());
  }
  ASSERT_TRUE(WriteFileAtomically((folder_ / "Other.plv").string(), "o").ok);
  ::close(live);
  kept.insert({"Keep.plv", "Other.plv"});
  EXPECT_EQ(Entries(), kept);
  EXPECT_EQ(Contents(target), "precious\r\n");
}

TEST_F(AtomicSave, AnotherUsersFileIsWrittenIntoAndStaysTheirs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, for files of other users";
  // Nobody may write daemon's files through an access list entry or the group; a rename would
  // give them to nobody, so they are written into and keep their inode, owner, mode and list.
  const std::string list = AccessList({{kOwner, 6, kNoId},
                                       {kUser, 6, kNobody},
                                       {kGroup, 4, kNoId},
                                       {kMask, 6, kNoId},
                                       {kOthers, 0, kNoId}});
  const std::string writeOnly = AccessList({{kOwner, 6, kNoId},
                                            {kUser, 2, kNobody},
                                            {kGroup, 0, kNoId},
                                            {kMask, 2, kNoId},
                                            {kOthers, 0, kNoId}});
  struct Case {
    const char* name;
    unsigned group, mode;
    const std::string* accessList;
    const char* refusal;  // empty where the file is written
  } cases[] = {
      {"listed.plv", kDaemon, 0660, &list, ""},
      {"group.plv", kNobody, 0664, nullptr, ""},
      {"unreadable.plv", kDaemon, 0620, &writeOnly,
       "it can only be written into, to keep its owner and group, and it cannot be read to put "
       "its content back should that fail"},
  };
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = folder_ / c.name;
    Put(target, "old contents of a longer file\r\n");
    ASSERT_EQ(::chown(target.c_str(), kDaemon, c.group), 0);
    ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
    if (c.accessList != nullptr && ::setxattr(target.c_str(), "system.posix_acl_access",
                                              c.accessList->data(), c.accessList->size(), 0) != 0) {
      GTEST_SKIP() << "this file system keeps no access lists";
    }
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    ASSERT_EQ(::setegid(kNobody), 0);
    ASSERT_EQ(::seteuid(kNobody), 0);
    const FileResult result = WriteFileAtomically(target.string(), "new\r\n");
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(::setegid(0), 0);
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    if (*c.refusal != '\0') {
      EXPECT_EQ(result.message, "Cannot save \"" + target.string() + "\": " + c.refusal + ".");
      EXPECT_EQ(Contents(target), "old contents of a longer file\r\n");
    } else {
      EXPECT_TRUE(result.ok) << result.message;
      EXPECT_EQ(Contents(target), "new\r\n");
    }
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, kDaemon);
    EXPECT_EQ(after.st_gid, c.group);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (c.accessList != nullptr) {
      EXPECT_EQ(Attribute(target, "system.posix_acl_access"), *c.accessList);
    }
    EXPECT_EQ(Entries().count(std::string(c.name)), 1u);
    EXPECT_EQ(Entries().size(), static_cast<std::size_t>(&c - cases + 1)) << "a copy was left";
  }
}

TEST(SystemErrorText, IsTheSystemsEnglishTextWhateverTheLocale) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "No space left on device");
  EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
  EXPECT_EQ(SystemErrorText(EROFS), "Read-only file system");
  EXPECT_EQ(SystemErrorText(12345), "System error 12345");
}

}  // namespace
}  // namespace pelvar
