// The Open command on sources at the edge of what a channel file can be: sizes around
// the 2 GiB limit of its signed 32-bit sizes (sparse files, so they cost no disk), and a
// read that fails part-way through the body.
//
// Each check runs after an earlier file passed, so that a refusal shows by disabling
// Convert and letting that file go, not by leaving them as a fresh window has them.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "platform/Boxes.h"
#include "platform/FileIo.h"
#include "support/ChannelFixture.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

using fixture::ChannelFixture;
using platform::IoCall;
using platform::IoVerdict;

namespace {

constexpr int64_t kTwoGiB = int64_t{1} << 31;
constexpr int64_t kFourGiB = int64_t{1} << 32;

const std::vector<std::string> kPassLines = {
    "Service DataBase : OK", "Source File successfully Opened.", "You can proceed."};

QStringList Q(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list;
}

void PutBigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// zlib's crc32 of `length` zero bytes, put together from powers of two with
// crc32_combine instead of being run over gigabytes.
uLong ZeroCrc(int64_t length) {
  const Bytef zero = 0;
  uLong crc = 0;
  uLong power = crc32(0, &zero, 1);
  for (int64_t powerLength = 1; length > 0; length >>= 1, powerLength <<= 1) {
    if ((length & 1) != 0) crc = crc32_combine(crc, power, powerLength);
    power = crc32_combine(power, power, powerLength);
  }
  return crc;
}

// Writes `file` with zeros inserted at offset `at` (in the body) so that it is `size`
// bytes long. The zeros are a hole: the file takes no disk for them. With `seal`, the
// length and CRC fields are written for the long file; without, the file keeps the fields
// of the short one.
void WriteSparse(const std::string& path, std::vector<uint8_t> file, size_t at, int64_t size,
                 bool seal) {
  const int64_t zeros = size - static_cast<int64_t>(file.size());
  QVERIFY(at >= 64 && at <= file.size() && zeros >= 0);
  if (seal) {
    const auto head = static_cast<uInt>(at - 64);
    const auto tail = static_cast<uInt>(file.size() - at);
    uLong crc = crc32(0, file.data() + 64, head);
    crc = crc32_combine(crc, ZeroCrc(zeros), zeros);
    crc = crc32_combine(crc, crc32(0, file.data() + at, tail), tail);
    PutBigEndian(file, 16, static_cast<uint32_t>(size - 64));
    PutBigEndian(file, 60, static_cast<uint32_t>(crc));
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  QVERIFY(fd >= 0);
  const auto tailSize = static_cast<ssize_t>(file.size() - at);
  const bool written = ::pwrite(fd, file.data(), at, 0) == static_cast<ssize_t>(at) &&
                       ::pwrite(fd, file.data() + at, static_cast<size_t>(tailSize),
                                static_cast<off_t>(at) + zeros) == tailSize &&
                       ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  QVERIFY(::close(fd) == 0 && written);
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// True when nobody holds the file: an unshared open of our own gets it.
bool Unlocked(const std::string& path) {
  const platform::THandle probe = platform::FileOpen(path, platform::fmOpenRead);
  platform::FileClose(probe);
  return probe >= 0;
}

// A fresh window on which an earlier file of `dir` has passed: Convert is enabled and
// that file is held.
void OpenEarlierFile(ScriptedSeam& seam, const std::string& dir) {
  MakeMainWindow();
  ChannelFixture().CarriedWord(0x55, 0x66).WriteFile(dir + "/EARLIER.ZCN");
  seam.QueueOpenAnswer(dir + "/EARLIER.ZCN");
  QTest::mouseClick(Form1->Open, Qt::LeftButton);
  QCOMPARE(Q(LogLines()).mid(1), Q(kPassLines));
  QVERIFY(Form1->Convert->isEnabled());
  seam.ClearBoxes();
}

// Checks path on the window and returns the lines it added to the log.
QStringList OpenSource(ScriptedSeam& seam, const std::string& path) {
  const qsizetype before = Q(LogLines()).size();
  seam.QueueOpenAnswer(path);
  QTest::mouseClick(Form1->Open, Qt::LeftButton);
  return Q(LogLines()).mid(before);
}

// The one report of the command's catch-all: the check was given up, nothing is held,
// and the earlier file is let go.
void VerifyCaughtAndLetGo(const ScriptedSeam& seam, const QStringList& lines,
                          const std::string& dir) {
  QCOMPARE(lines, QStringList{"An error occured."});
  const std::vector<ScriptedSeam::Box> boxes = seam.Boxes();
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(QString::fromStdString(boxes[0].text), QStringLiteral("Problem writing to file."));
  QCOMPARE(QString::fromStdString(boxes[0].caption), QStringLiteral("File Error"));
  QCOMPARE(boxes[0].flags, platform::MB_OKCANCEL);
  QVERIFY(!Form1->Convert->isEnabled());
  QVERIFY(!Conversion.SourceHeld());
  QVERIFY(Unlocked(dir + "/SAT.ZCN"));
  QVERIFY(Unlocked(dir + "/EARLIER.ZCN"));
}

}  // namespace

class LargeAndOddFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanupTestCase() { DestroyMainWindow(); }

  // The largest size a channel file can have is taken whole: its body is read into
  // memory and its CRC computed over all of it. The service record lies at the very end,
  // behind 2 GiB of zeros in the first record, so the search runs through the whole body
  // and R and the version word sit just below the limit, where a wrapped size or offset
  // would show. (Reading 2 GiB takes its seconds; one such file is enough.)
  void sourceJustBelowTwoGiBIsChecked() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/SAT.ZCN";
    const ChannelFixture small = ChannelFixture().CarriedWord(0xAB, 0xCD);
    const std::vector<uint8_t> bytes = small.Build();
    const int64_t size = kTwoGiB - 1;
    WriteSparse(path, bytes, static_cast<size_t>(small.R()), size, true);
    if (QTest::currentTestFailed()) return;
    const int64_t r = size - (static_cast<int64_t>(bytes.size()) - small.R());

    ScriptedSeam seam;
    OpenEarlierFile(seam, folder);
    if (QTest::currentTestFailed()) return;
    QElapsedTimer timer;
    timer.start();
    const QStringList lines = OpenSource(seam, path);
    qInfo("checked %lld bytes in %lld ms", static_cast<long long>(size),
          static_cast<long long>(timer.elapsed()));

    QCOMPARE(lines, Q(kPassLines));
    QVERIFY(seam.Boxes().empty());
    QCOMPARE(int64_t{Conversion.RecordOffset}, r);
    QCOMPARE(Conversion.CarriedWord[0], uint8_t{0xAB});
    QCOMPARE(Conversion.CarriedWord[1], uint8_t{0xCD});
    QVERIFY(Form1->Convert->isEnabled());
    QVERIFY(Conversion.SourceHeld());
    QVERIFY(Unlocked(folder + "/EARLIER.ZCN"));
    QCOMPARE(FileSize(path), size);
    DestroyMainWindow();
  }

  // A source of 2 GiB or more has a size the program's signed 32-bit sizes can't hold:
  // it is refused before any of its body is read, never checked under a wrapped size.
  // The last row would pass a check that kept only the low 32 bits of its size.
  void sourceOfTwoGiBOrMoreIsRefused_data() {
    QTest::addColumn<int64_t>("size");
    QTest::addColumn<bool>("seal");
    QTest::newRow("exactly 2 GiB") << kTwoGiB << true;
    QTest::newRow("4 GiB + 100") << kFourGiB + 100 << true;
    const auto small = static_cast<int64_t>(ChannelFixture().Build().size());
    QTest::newRow("a valid file with 4 GiB of zeros behind it") << kFourGiB + small << false;
  }

  void sourceOfTwoGiBOrMoreIsRefused() {
    QFETCH(int64_t, size);
    QFETCH(bool, seal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/SAT.ZCN";
    const std::vector<uint8_t> bytes = ChannelFixture().Build();
    WriteSparse(path, bytes, bytes.size(), size, seal);
    if (QTest::currentTestFailed()) return;

    ScriptedSeam seam;
    OpenEarlierFile(seam, folder);
    if (QTest::currentTestFailed()) return;
    const QStringList lines = OpenSource(seam, path);

    VerifyCaughtAndLetGo(seam, lines, folder);
    QCOMPARE(FileSize(path), size);
    DestroyMainWindow();
  }

  // The file opens, but reading its body fails or stops part-way: the check is given up
  // with the catch-all report, and there is nothing Convert could run on.
  void readFailingInTheBodyIsReportedNotConverted_data() {
    QTest::addColumn<bool>("fails");
    QTest::newRow("the body read fails") << true;
    QTest::newRow("the body read stops half-way") << false;
  }

  void readFailingInTheBodyIsReportedNotConverted() {
    QFETCH(bool, fails);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/SAT.ZCN";
    const std::vector<uint8_t> bytes = ChannelFixture().WriteFile(path);
    const auto bodyLength = static_cast<int32_t>(bytes.size()) - 64;
    const IoVerdict verdict =
        fails ? IoVerdict{IoVerdict::Fail, 0} : IoVerdict{IoVerdict::Short, bodyLength / 2};

    ScriptedSeam seam;
    OpenEarlierFile(seam, folder);
    if (QTest::currentTestFailed()) return;
    ScopedCurrentDir cwd(folder);
    seam.SetIoRule([bodyLength, verdict](IoCall call, int64_t count, int) {
      return call == IoCall::FileRead && count == bodyLength ? verdict : IoVerdict{};
    });
    const QStringList lines = OpenSource(seam, path);
    seam.SetIoRule({});

    VerifyCaughtAndLetGo(seam, lines, folder);
    QTest::mouseClick(Form1->Convert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle());
    QCOMPARE(Q(LogLines()).back(), QStringLiteral("An error occured."));
    QVERIFY(!QFile::exists(QString::fromStdString(folder + "/A2_xx_SAT.ZCN")));
    QVERIFY(!QFile::exists(QString::fromStdString(folder + "/ser.tmp")));
    QVERIFY(ReadFileBytes(path) == bytes);
    DestroyMainWindow();
  }
};

QTEST_MAIN(LargeAndOddFilesTest)
#include "LargeAndOddFilesTest.moc"
