// SPDX-License-Identifier: GPL-3.0-or-later
// Saving into a folder other users may write to: links planted at names the
// tool picks are never written through, a replaced file keeps its mode and
// owner, a link of the user's is saved through, read-only files are refused,
// savers of one file take turns, and killed saves leave nothing for ever.
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "codeplug/SafeFile.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::layout;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr uid_t kOtherUser = 65534;

// The whole file: table-file reading stops after 513 bytes, a dump is longer.
Bytes Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CodePlugImage ImageWithGap(std::uint8_t gap) {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  image[kGapMax] = gap;
  return image;
}

SaveResult Save(const fs::path& path, std::uint8_t gap) {
  CodePlugImage image = ImageWithGap(gap);
  return SaveTableFile(path, image, SaveKind::Save);
}

int GapIn(const fs::path& path) {
  const Bytes bytes = Read(path);
  return bytes.size() > kGapMax ? bytes[kGapMax] : -1;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void AgeBy(const fs::path& path, int seconds) {
  const timespec times[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Restores the umask a test sets.
struct UmaskScope {
  explicit UmaskScope(mode_t mask) : previous(::umask(mask)) {}
  ~UmaskScope() { ::umask(previous); }
  mode_t previous;
};

// A second local user for the tests of shared folders: made with useradd
// (as root) and removed at the end; the helper parts of a test run as that
// user in a forked child.
class LocalUser {
 public:
  LocalUser() {
    if (::geteuid() != 0) {
      skip_ = "needs root to make a second local user";
      return;
    }
    if (QStandardPaths::findExecutable("useradd").isEmpty() && !QFileInfo::exists("/usr/sbin/useradd")) {
      skip_ = "useradd is missing";
      return;
    }
    name_ = "zt310t" + std::to_string(::getpid() % 100000);
    const std::string command =
        "useradd --no-create-home --user-group --shell /usr/sbin/nologin " + name_ + " >/dev/null 2>&1";
    const struct passwd* entry = std::system(command.c_str()) == 0 ? ::getpwnam(name_.c_str()) : nullptr;
    if (!entry) {
      skip_ = "useradd could not make a user";
      return;
    }
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
  }
  ~LocalUser() {
    if (uid_ == 0) return;
    [[maybe_unused]] const int removed = std::system(("userdel " + name_ + " >/dev/null 2>&1").c_str());
  }
  const char* Skip() const { return skip_.empty() ? nullptr : skip_.c_str(); }
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }

 private:
  std::string name_;
  std::string skip_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

// Runs part in a child as uid (groups: gid and extra), umask 022; returns its
// exit status (0 when part returned true).
pid_t StartAs(uid_t uid, gid_t gid, std::vector<gid_t> extra, const std::function<bool()>& part) {
  const pid_t child = ::fork();
  if (child == 0) {
    extra.push_back(gid);
    if (::setgroups(extra.size(), extra.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0) {
      ::_exit(90);
    }
    ::umask(022);
    ::_exit(part() ? 0 : 1);
  }
  return child;
}

int Finish(pid_t child) {
  int status = -1;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

int RunAs(uid_t uid, gid_t gid, std::vector<gid_t> extra, const std::function<bool()>& part) {
  return Finish(StartAs(uid, gid, std::move(extra), part));
}

}  // namespace

class SafeSavingTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  fs::path Path(const std::string& name) const { return fs::path(dir_.path().toStdString()) / name; }

 private slots:
  void init() {
    for (const auto& entry : fs::directory_iterator(dir_.path().toStdString())) fs::remove_all(entry.path());
  }

  // Links planted where the save puts its backup, its old ".part" name, or
  // where errtbl.tbl goes: the file they point at is left alone and the link
  // itself is replaced.
  void plantedLinksAreReplacedNotWrittenThrough_data() {
    QTest::addColumn<QString>("planted");
    QTest::newRow("backup") << "site.BAK";
    QTest::newRow("old backup part name") << "site.BAK.part";
    QTest::newRow("earlier temporary name") << ".site.tbl.AAAAAA";
  }
  void plantedLinksAreReplacedNotWrittenThrough() {
    QFETCH(QString, planted);
    WriteText(Path("victim"), "precious");
    ::chmod(Path("victim").c_str(), 0600);
    QVERIFY(Save(Path("site.tbl"), 1).ok);
    fs::create_symlink(Path("victim"), Path(planted.toStdString()));

    QVERIFY(Save(Path("site.tbl"), 2).ok);
    QVERIFY(Save(Path("site.tbl"), 3).ok);
    QCOMPARE(ReadText(Path("victim")), std::string("precious"));
    QCOMPARE(ModeOf(Path("victim")), mode_t(0600));
    QCOMPARE(GapIn(Path("site.tbl")), 3);
    QCOMPARE(GapIn(Path("site.BAK")), 2);
    QVERIFY(!fs::is_symlink(Path("site.BAK")));
  }

  void dumpReplacesALinkAtItsName() {
    WriteText(Path("victim"), "precious");
    fs::create_symlink(Path("victim"), Path("errtbl.tbl"));
    QCOMPARE(ReplaceFileWith(Path("errtbl.tbl"), Bytes(1024, 0x5A)), std::string());
    QCOMPARE(ReadText(Path("victim")), std::string("precious"));
    QVERIFY(!fs::is_symlink(Path("errtbl.tbl")));
    QCOMPARE(Read(Path("errtbl.tbl")), Bytes(1024, 0x5A));

    fs::create_directory(Path("blocked"));
    fs::create_directory(Path("blocked/errtbl.tbl"));
    QVERIFY(!ReplaceFileWith(Path("blocked/errtbl.tbl"), Bytes(1024, 0)).empty());
    QCOMPARE(Names(Path("blocked")), std::vector<std::string>{"errtbl.tbl"});
  }

  // What the log is opened on decides whether a line is appended.
  void logOpensOnlyARegularFile() {
    WriteText(Path("victim"), "precious");
    fs::create_symlink(Path("victim"), Path("linked.log"));
    fs::create_symlink(Path("nowhere"), Path("dangling.log"));
    fs::create_directory(Path("folder.log"));
    QCOMPARE(::mkfifo(Path("fifo.log").c_str(), 0600), 0);
    for (const char* name : {"linked.log", "dangling.log", "folder.log", "fifo.log"}) {
      QCOMPARE(OpenForAppend(Path(name)).status, AppendFile::Status::NotRegular);
    }
    QCOMPARE(ReadText(Path("victim")), std::string("precious"));
    QVERIFY(!fs::exists(Path("nowhere")));

    AppendFile first = OpenForAppend(Path("day.log"));
    QCOMPARE(first.status, AppendFile::Status::Opened);
    QVERIFY(first.created);
    AppendFile second = OpenForAppend(Path("day.log"));
    QCOMPARE(second.status, AppendFile::Status::Opened);
    QVERIFY(!second.created);
    QCOMPARE(OpenForAppend(Path("missing/day.log")).status, AppendFile::Status::CannotCreate);
  }

  // A new file gets the umask's mode; a replaced one keeps its own.
  void modesFollowTheUmaskOrTheOldFile_data() {
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("oldMode");  // -1: no old file
    QTest::addColumn<int>("expected");
    QTest::newRow("new, umask 022") << 022 << -1 << 0644;
    QTest::newRow("new, umask 077") << 077 << -1 << 0600;
    QTest::newRow("new, umask 002") << 002 << -1 << 0664;
    QTest::newRow("private file, umask 022") << 022 << 0600 << 0600;
    QTest::newRow("group file, umask 077") << 077 << 0660 << 0660;
  }
  void modesFollowTheUmaskOrTheOldFile() {
    QFETCH(int, umask);
    QFETCH(int, oldMode);
    QFETCH(int, expected);
    if (oldMode >= 0) {
      QVERIFY(Save(Path("m.tbl"), 1).ok);
      ::chmod(Path("m.tbl").c_str(), static_cast<mode_t>(oldMode));
    }
    const UmaskScope scope(static_cast<mode_t>(umask));
    QVERIFY(Save(Path("m.tbl"), 2).ok);
    QCOMPARE(ModeOf(Path("m.tbl")), mode_t(expected));
    if (oldMode >= 0) QCOMPARE(ModeOf(Path("m.BAK")), mode_t(oldMode));
  }

  void replacedFileKeepsItsOwner() {
    if (::geteuid() != 0) QSKIP("only root can give a file to another user");
    QVERIFY(Save(Path("o.tbl"), 1).ok);
    QCOMPARE(::chown(Path("o.tbl").c_str(), kOtherUser, kOtherUser), 0);
    QVERIFY(Save(Path("o.tbl"), 2).ok);
    struct stat info {};
    ::stat(Path("o.tbl").c_str(), &info);
    QCOMPARE(info.st_uid, kOtherUser);
    QCOMPARE(info.st_gid, gid_t(kOtherUser));
  }

  void readOnlyFileIsRefusedAndKept() {
    QVERIFY(Save(Path("r.tbl"), 1).ok);
    ::chmod(Path("r.tbl").c_str(), 0444);
    const SaveResult saved = Save(Path("r.tbl"), 2);
    QVERIFY(!saved.ok);
    QVERIFY2(Contains(saved.error, "r.tbl") && Contains(saved.error, "read-only"), saved.error.c_str());
    QCOMPARE(GapIn(Path("r.tbl")), 1);
    QCOMPARE(ModeOf(Path("r.tbl")), mode_t(0444));
    QVERIFY(!fs::exists(Path("r.BAK")));
  }

  void notARegularFileIsRefusedWithoutWaiting() {
    QCOMPARE(::mkfifo(Path("pipe.tbl").c_str(), 0600), 0);
    fs::create_directory(Path("dir.tbl"));
    for (const char* name : {"pipe.tbl", "dir.tbl"}) {
      const SaveResult saved = Save(Path(name), 1);
      QVERIFY(!saved.ok);
      QVERIFY2(Contains(saved.error, "not a regular file"), saved.error.c_str());
    }
  }

  // The user's own link is saved through to its file and stays a link; the
  // backup goes beside the real file.
  void linkedTableFileIsSavedToItsTarget() {
    fs::create_directory(Path("real"));
    QVERIFY(Save(Path("real/site.tbl"), 1).ok);
    ::chmod(Path("real/site.tbl").c_str(), 0640);
    fs::create_symlink("real/site.tbl", Path("link.tbl"));  // relative, as users make them
    fs::create_symlink(Path("link.tbl"), Path("chain.tbl"));

    const SaveResult saved = Save(Path("chain.tbl"), 2);
    QVERIFY2(saved.ok, saved.error.c_str());
    QVERIFY(fs::is_symlink(Path("link.tbl")) && fs::is_symlink(Path("chain.tbl")));
    QCOMPARE(GapIn(Path("real/site.tbl")), 2);
    QCOMPARE(GapIn(Path("real/site.BAK")), 1);
    QCOMPARE(ModeOf(Path("real/site.tbl")), mode_t(0640));
    QCOMPARE(saved.backup, Path("real/site.BAK"));
  }

  void linkOfAnotherUserIsNotFollowed() {
    if (::geteuid() != 0) QSKIP("only root can plant a link as another user");
    WriteText(Path("victim"), "precious");
    fs::create_symlink(Path("victim"), Path("planted.tbl"));
    QCOMPARE(::lchown(Path("planted.tbl").c_str(), kOtherUser, kOtherUser), 0);
    const SaveResult saved = Save(Path("planted.tbl"), 1);
    QVERIFY(!saved.ok);
    QVERIFY2(Contains(saved.error, "another user"), saved.error.c_str());
    QCOMPARE(ReadText(Path("victim")), std::string("precious"));
  }

  // Leftovers of killed saves of this file go once they are a minute old;
  // fresh ones, other files' and anything not ours stay.
  void staleTemporariesAreRemovedAtTheNextSave() {
    QVERIFY(Save(Path("s.tbl"), 1).ok);
    const std::string mine = TemporaryPrefixFor("s.tbl");
    const std::string others = TemporaryPrefixFor("t.tbl");
    struct Leftover {
      std::string name;
      int ageSeconds;
      std::size_t size;
      bool removed;
    };
    const std::vector<Leftover> leftovers = {
        {mine + "abc123", 120, 512, true},    {".s.tbl.Xy7Q2z", 120, 512, true},  // the earlier naming
        {".s.tbl.Xy7Q2w", 120, 4000, false},                                      // too big to be one of ours
        {".s.tbl.my-copy", 120, 512, false},  {mine + "fresh1", 5, 512, false},
        {others + "abc123", 120, 512, false}, {"s.tbl.notes", 120, 10, false},
    };
    for (const Leftover& l : leftovers) {
      WriteText(Path(l.name), std::string(l.size, 'x'));
      AgeBy(Path(l.name), l.ageSeconds);
    }
    QVERIFY(Save(Path("s.tbl"), 2).ok);
    for (const Leftover& l : leftovers) QVERIFY2(fs::exists(Path(l.name)) != l.removed, l.name.c_str());
  }

  void longNamesAndBakFilesAreSaved() {
    const std::string longest = std::string(251, 'n') + ".tbl";  // 255 bytes, the most a name may have
    const SaveResult saved = Save(Path(longest), 1);
    QVERIFY2(saved.ok, saved.error.c_str());
    QVERIFY(Save(Path(longest), 2).ok);
    QCOMPARE(GapIn(Path(longest)), 2);
    QCOMPARE(GapIn(Path(std::string(251, 'n') + ".BAK")), 1);

    QVERIFY(Save(Path("X.BAK"), 1).ok);
    const SaveResult again = Save(Path("X.BAK"), 2);
    QVERIFY(again.ok);
    QCOMPARE(again.backup, Path("X.BAK.BAK"));
    QCOMPARE(GapIn(Path("X.BAK")), 2);
    QCOMPARE(GapIn(Path("X.BAK.BAK")), 1);
  }

  // Several processes each load the file, add one to a byte and save it,
  // under the lock: no increment may be lost.
  void lockedLoadAndSaveLosesNoEdit() {
    const fs::path target = Path("count.tbl");
    QVERIFY(Save(target, 0).ok);
    constexpr int kProcesses = 4;
    constexpr int kRounds = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      const pid_t child = ::fork();
      if (child == 0) {
        for (int round = 0; round < kRounds; ++round) {
          std::string error;
          const auto lock = TableFileLock::Acquire(target, &error, 60000);
          if (!lock) ::_exit(1);
          CodePlugImage image = FactoryDefaultImage();
          if (OpenTableFile(target, image).status != OpenStatus::Opened) ::_exit(2);
          image[kGapMax] = static_cast<std::uint8_t>(image[kGapMax] + 1);
          if (!SaveTableFile(*lock, image, SaveKind::Save).ok) ::_exit(3);
        }
        ::_exit(0);
      }
      children.push_back(child);
    }
    for (const pid_t child : children) {
      int status = -1;
      ::waitpid(child, &status, 0);
      QVERIFY(WIFEXITED(status));
      QCOMPARE(WEXITSTATUS(status), 0);
    }
    QCOMPARE(GapIn(target), kProcesses * kRounds);
  }

  void lockHeldTooLongIsReportedNamingTheFile() {
    QVERIFY(Save(Path("busy.tbl"), 1).ok);
    std::string error;
    const auto held = TableFileLock::Acquire(Path("busy.tbl"), &error);
    QVERIFY(held);
    const pid_t child = ::fork();
    if (child == 0) {
      std::string childError;
      const bool refused = !TableFileLock::Acquire(Path("busy.tbl"), &childError, 200) &&
                           Contains(childError, Path("busy.tbl").string());
      ::_exit(refused ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
  }

  // A user who may only read the file, its folder or a backups folder takes
  // every lock that needs no more than reading (flock, an fcntl read lock,
  // the save lock as the tool takes it): another user's save over the file
  // and into the folder goes through at once.
  void readOnlyLocksDoNotDelaySaves() {
    const LocalUser reader;
    if (reader.Skip()) QSKIP(reader.Skip());
    const fs::path folder = Path("bench");
    fs::create_directory(folder);
    ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
    ::chmod(folder.c_str(), 0755);
    const fs::path target = folder / "shared.tbl";
    QVERIFY(Save(target, 1).ok);
    int ready[2], done[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(done) == 0);
    const pid_t child = StartAs(reader.uid(), reader.gid(), {}, [&] {
      const int file = ::open(target.c_str(), O_RDONLY);
      const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
      struct flock share {};
      share.l_type = F_RDLCK;
      share.l_whence = SEEK_SET;
      std::string error;
      const auto held = TableFileLock::Acquire(target, &error, 100);
      const bool locked = file >= 0 && dir >= 0 && ::flock(file, LOCK_EX) == 0 && ::flock(dir, LOCK_EX) == 0 &&
                          ::fcntl(file, F_OFD_SETLK, &share) == 0 && held.has_value();
      char byte = locked ? 'y' : 'n';
      [[maybe_unused]] ssize_t n = ::write(ready[1], &byte, 1);
      n = ::read(done[0], &byte, 1);
      return locked;
    });
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
    QCOMPARE(byte, 'y');
    const auto start = std::chrono::steady_clock::now();
    const SaveResult over = Save(target, 2);
    const SaveResult fresh = Save(folder / "SERIAL-20261211-120000.tbl", 3);
    const auto took = std::chrono::steady_clock::now() - start;
    QVERIFY2(over.ok, over.error.c_str());
    QVERIFY2(fresh.ok, fresh.error.c_str());
    QVERIFY(took < std::chrono::seconds(2));
    [[maybe_unused]] ssize_t n = ::write(done[1], "x", 1);
    QCOMPARE(Finish(child), 0);
    QCOMPARE(GapIn(target), 2);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
  }

  // In a sticky folder (as /tmp) a save over a file, or over a backup, of
  // another user fails once naming the reason, and leaves no name behind.
  void saveOverAnotherUsersFileInAStickyFolder() {
    const LocalUser saver;
    if (saver.Skip()) QSKIP(saver.Skip());
    const fs::path folder = Path("drop");
    fs::create_directory(folder);
    ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
    ::chmod(folder.c_str(), 01777);
    const fs::path theirs = folder / "theirs.tbl";
    const fs::path mine = folder / "mine.tbl";
    QCOMPARE(RunAs(kOtherUser, kOtherUser, {},
                   [&] {
                     ::umask(0);
                     return Save(theirs, 1).ok && Save(folder / "mine.BAK", 1).ok;
                   }),
             0);
    const std::vector<std::string> before = Names(folder);
    QCOMPARE(
        RunAs(saver.uid(), saver.gid(), {},
              [&] {
                const SaveResult first = Save(theirs, 2);
                if (first.ok || !Contains(first.error, "belongs to") || !Contains(first.error, "nothing was written"))
                  return false;
                // Mine to save, but its backup is theirs: refused before mine appears.
                CodePlugImage image = ImageWithGap(3);
                if (!SaveTableFile(mine, image, SaveKind::Save).ok) return false;  // new: no backup needed
                const SaveResult again = Save(mine, 4);
                return !again.ok && Contains(again.error, "mine.BAK");
              }),
        0);
    std::vector<std::string> after = Names(folder);
    after.erase(std::remove(after.begin(), after.end(), "mine.tbl"), after.end());
    QCOMPARE(after, before);
    QCOMPARE(GapIn(theirs), 1);
    QCOMPARE(GapIn(mine), 3);
  }

  // The day's log in a group's folder (setgid, group-writable): made by one
  // member with umask 022, it takes the lines of another member too.
  void groupLogTakesLinesFromTwoUsers() {
    const LocalUser first;
    if (first.Skip()) QSKIP(first.Skip());
    const fs::path folder = Path("line");
    fs::create_directory(folder);
    ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
    QCOMPARE(::chown(folder.c_str(), 0, first.gid()), 0);
    QCOMPARE(::chmod(folder.c_str(), 02770), 0);
    const fs::path log = folder / "2026-12-11.log";
    auto append = [&](const std::string& line) {
      AppendFile file = OpenForAppend(log);
      return file.status == AppendFile::Status::Opened &&
             WriteAll(file.fd.get(), reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
    };
    QCOMPARE(RunAs(first.uid(), first.gid(), {}, [&] { return append("first\n"); }), 0);
    QCOMPARE(ModeOf(log) & 0060, mode_t(0060));
    QCOMPARE(RunAs(kOtherUser, kOtherUser, {first.gid()}, [&] { return append("second\n"); }), 0);
    QCOMPARE(ReadText(log), std::string("first\nsecond\n"));
  }

  void privateFoldersAndFiles() {
    UmaskScope open(022);
    const fs::path folder = Path("settings/zt310prog");
    QVERIFY(MakePrivateFolder(folder));
    QCOMPARE(ModeOf(folder), mode_t(0700));
    MakePrivateFile(folder / "zt310prog.conf");
    QCOMPARE(ModeOf(folder / "zt310prog.conf"), mode_t(0600));
    // Ones already there are tightened.
    ::chmod(folder.c_str(), 0755);
    WriteText(folder / "old.conf", "x");
    ::chmod((folder / "old.conf").c_str(), 0644);
    QVERIFY(MakePrivateFolder(folder));
    MakePrivateFile(folder / "old.conf");
    QCOMPARE(ModeOf(folder), mode_t(0700));
    QCOMPARE(ModeOf(folder / "old.conf"), mode_t(0600));
    QCOMPARE(ReadText(folder / "old.conf"), std::string("x"));
  }
};

QTEST_APPLESS_MAIN(SafeSavingTest)
#include "test_safe_saving.moc"
