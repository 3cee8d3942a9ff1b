// Saving into a folder other users may write to: links planted at names the
// tool picks are never written through, a replaced file keeps its mode and
// owner, a link of the user's is saved through, read-only files are refused,
// savers of one file take turns, and killed saves leave nothing for ever.
#include <QtTest>

#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
        {mine + "abc123", 120, 512, true},
        {".s.tbl.Xy7Q2z", 120, 512, true},   // the earlier naming
        {".s.tbl.Xy7Q2w", 120, 4000, false},  // too big to be one of ours
        {".s.tbl.my-copy", 120, 512, false},
        {mine + "fresh1", 5, 512, false},
        {others + "abc123", 120, 512, false},
        {"s.tbl.notes", 120, 10, false},
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
};

QTEST_APPLESS_MAIN(SafeSavingTest)
#include "test_safe_saving.moc"
