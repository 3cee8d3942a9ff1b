// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a table file must never leave a truncated file behind: a process
// killed at any moment of a save leaves the old or the new file whole, and
// a save that cannot be written leaves the old file and its backup as they
// were.
#include <QtTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <random>

#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::layout;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

CodePlugImage ImageWith(std::uint8_t fill) {
  CodePlugImage image = FactoryDefaultImage();
  for (int i = 16; i < 400; ++i) image[i] = fill;
  return image;
}

// The bytes a save of this image puts on disk.
Bytes SavedBytes(const fs::path& scratch, CodePlugImage image) {
  if (!SaveTableFile(scratch, image, SaveKind::Save).ok) qFatal("cannot save %s", scratch.c_str());
  return *ReadFileBytes(scratch, nullptr);
}

Bytes Read(const fs::path& path) { return ReadFileBytes(path, nullptr).value_or(Bytes{}); }

// Runs body in a child process and returns its exit status (-1 when it died).
int InChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

class SaveDurabilityTest : public QObject {
  Q_OBJECT

 private slots:
  void killedWhileSavingLeavesAWholeFile() {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const fs::path target = folder / "unit.tbl";
    const Bytes first = SavedBytes(folder / "first.tbl", ImageWith(0x11));
    const Bytes second = SavedBytes(folder / "second.tbl", ImageWith(0x22));
    CodePlugImage start = ImageWith(0x11);
    QVERIFY(SaveTableFile(target, start, SaveKind::Save).ok);

    std::mt19937 random(20240517);
    int interrupted = 0;
    for (int round = 0; round < 60; ++round) {
      const pid_t child = ::fork();
      QVERIFY(child >= 0);
      if (child == 0) {
        // Saves the two images in turn until killed.
        for (std::uint8_t fill = 0x11;; fill ^= 0x33) {
          CodePlugImage image = ImageWith(fill);
          SaveTableFile(target, image, SaveKind::Save);
        }
      }
      ::usleep(std::uniform_int_distribution<unsigned>(0, 30000)(random));
      ::kill(child, SIGKILL);
      int status = 0;
      ::waitpid(child, &status, 0);
      interrupted += WIFSIGNALED(status) ? 1 : 0;

      const Bytes now = Read(target);
      QVERIFY2(now == first || now == second,
               qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(now.size())));
      const fs::path backup = BackupPathFor(target);
      if (fs::exists(backup)) {
        const Bytes kept = Read(backup);
        QVERIFY2(kept == first || kept == second, qPrintable(QStringLiteral("round %1: backup broken").arg(round)));
      }
    }
    QCOMPARE(interrupted, 60);
  }

  void failedSaveKeepsFileAndBackup_data() {
    QTest::addColumn<int>("failure");
    QTest::newRow("disk full") << 0;
    QTest::newRow("backup cannot be replaced") << 1;
    QTest::newRow("folder gone") << 2;
  }
  void failedSaveKeepsFileAndBackup() {
    QFETCH(int, failure);
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const fs::path target = folder / "unit.tbl";
    const Bytes older = SavedBytes(folder / "older.tbl", ImageWith(0x11));
    const Bytes old = SavedBytes(folder / "old.tbl", ImageWith(0x22));
    fs::copy_file(folder / "older.tbl", BackupPathFor(target));
    fs::copy_file(folder / "old.tbl", target);

    switch (failure) {
      case 0: {
        // A file-size limit smaller than the image fails the write as a full disk does.
        const int status = InChild([&] {
          ::signal(SIGXFSZ, SIG_IGN);
          const rlimit limit{100, 100};
          ::setrlimit(RLIMIT_FSIZE, &limit);
          CodePlugImage image = ImageWith(0x33);
          const SaveResult result = SaveTableFile(target, image, SaveKind::Save);
          return !result.ok && result.error.find(target.string()) != std::string::npos ? 0 : 1;
        });
        QCOMPARE(status, 0);
        break;
      }
      case 1: {
        // Something that is not a file sits where the backup goes.
        fs::remove(BackupPathFor(target));
        fs::create_directory(BackupPathFor(target));
        CodePlugImage image = ImageWith(0x33);
        const SaveResult result = SaveTableFile(target, image, SaveKind::Save);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.empty());
        QVERIFY(fs::is_directory(BackupPathFor(target)));
        break;
      }
      case 2: {
        CodePlugImage image = ImageWith(0x33);
        const SaveResult result = SaveTableFile(folder / "missing" / "unit.tbl", image, SaveKind::Save);
        QVERIFY(!result.ok);
        QVERIFY(result.error.find("missing") != std::string::npos);
        QVERIFY(!fs::exists(folder / "missing"));
        break;
      }
    }
    QCOMPARE(Read(target), old);
    if (failure != 1) QCOMPARE(Read(BackupPathFor(target)), older);
    // No half-written leftovers beside the file.
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
      const std::string name = entry.path().filename().string();
      QVERIFY2(name.find(".XXXXXX") == std::string::npos && name.rfind(".unit.tbl.", 0) != 0 &&
                   name.find(".part") == std::string::npos,
               name.c_str());
    }
  }
};

QTEST_APPLESS_MAIN(SaveDurabilityTest)
#include "test_save_durability.moc"
