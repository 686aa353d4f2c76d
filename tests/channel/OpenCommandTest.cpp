// The Open command driven through the real main window: the scripted seam answers the
// dialog and the boxes, the fixture builder makes the files. Every outcome of the check is
// one row of one table, run once on a fresh window and once while the source of an
// earlier successful check is still held.

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "platform/Boxes.h"
#include "platform/FileIo.h"
#include "support/ChannelFixture.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

using fixture::ChannelFixture;
using platform::MB_OK;
using platform::MB_OKCANCEL;

namespace {

const std::vector<std::string> kSuccessLines = {
    "Service DataBase : OK", "Source File successfully Opened.", "You can proceed."};
const std::vector<std::string> kVersionLine = {"Wrong Service DataBase Version"};
const std::vector<std::string> kErrorLine = {"An error occured."};

// How the row's file is offered to the command.
enum class Pick { Written, Missing, ReadOnly, HeldElsewhere, Cancel };

struct Outcome {
  std::optional<ScriptedSeam::Box> box;
  std::vector<std::string> lines;
  bool passes = false;  // Convert enabled and the picked file held
};

Outcome Refused(const char* text, const char* caption, std::vector<std::string> lines = {},
                int flags = MB_OK) {
  return {ScriptedSeam::Box{text, caption, flags, false}, std::move(lines), false};
}
Outcome Passes() {
  return {std::nullopt, kSuccessLines, true};
}

const Outcome kLevel1 = Refused("Level[1] : Wrong File Format.", "Error");
const Outcome kError1 = Refused("Error[1] : Couldn't open ZARVO channel file.\n", "File Error");
const Outcome kError2 = Refused("Error[2] : Wrong file format, Not a ZARVO File!", "File Error");
const Outcome kError3 = Refused("Error[3] : Wrong file format, Not a channel File!", "File Error");
const Outcome kError4 = Refused("Error[4] : Wrong CRC, The file is corrupted!", "CRC Error");
const Outcome kError5 = Refused("Error[5] : Wrong File Format.", "Error", kVersionLine);
const Outcome kCatchAll =
    Refused("Problem writing to file.", "File Error", kErrorLine, MB_OKCANCEL);

struct Case {
  std::string name = "SAT.ZCN";  // may name a sub-folder too
  Pick pick = Pick::Written;
  ChannelFixture file;
  ScriptedSeam::IoRule ioRule;  // installed just before the click
  Outcome expected;
  std::optional<int32_t> r;  // RecordOffset afterwards, where the row pins it
  std::optional<std::array<uint8_t, 2>> carried;
};

// A rule that shortens by one byte every read of `count` bytes.
ScriptedSeam::IoRule ShortReadOf(int64_t count) {
  return [count](platform::IoCall call, int64_t asked, int) {
    platform::IoVerdict verdict;
    if (call == platform::IoCall::FileRead && asked == count) {
      verdict.kind = platform::IoVerdict::Short;
      verdict.shortBy = 1;
    }
    return verdict;
  };
}

int32_t SizeOf(const ChannelFixture& file) {
  return static_cast<int32_t>(file.Build().size());
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
QStringList Q(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << Q(line);
  return list;
}

// True when nobody holds the file: an unshared open of our own gets it.
bool Unlocked(const std::string& path) {
  const platform::THandle probe = platform::FileOpen(path, platform::fmOpenRead);
  platform::FileClose(probe);
  return probe >= 0;
}

void WriteFixture(const ChannelFixture& file, const std::string& path,
                  std::vector<uint8_t>* written) {
  QDir().mkpath(QFileInfo(Q(path)).absolutePath());
  *written = file.WriteFile(path);
}

// Confirms path in the next Open dialog and clicks Open.
void OpenFile(ScriptedSeam& seam, const std::string& path) {
  seam.QueueOpenAnswer(path);
  QTest::mouseClick(Form1->Open, Qt::LeftButton);
}

}  // namespace

Q_DECLARE_METATYPE(Case)

class OpenCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanupTestCase() { DestroyMainWindow(); }

  void outcome_data();
  void outcome();
  void dialogStartsInLastConfirmedDirectory();
  void sameFileTwicePassesTwice();
};

void OpenCommandTest::outcome_data() {
  QTest::addColumn<Case>("row");
  QTest::addColumn<bool>("afterSuccess");
  const auto add = [](const char* name, Case row) {
    QTest::newRow(name) << row << false;
    QTest::newRow((std::string(name) + ", after a success").c_str()) << row << true;
  };
  const int32_t r = ChannelFixture().R();

  add("cancelled", {"SAT.ZCN", Pick::Cancel, {}, {}, {}, {}, {}});

  add("extension .txt", {"list.txt", Pick::Written, {}, {}, kLevel1, {}, {}});
  add("no extension", {"SAT", Pick::Written, {}, {}, kLevel1, {}, {}});
  add("no extension, dotted folder", {"old.zcn/SAT", Pick::Written, {}, {}, kLevel1, {}, {}});

  add("missing file", {"SAT.ZCN", Pick::Missing, {}, {}, kError1, {}, {}});
  add("read-only file", {"SAT.ZCN", Pick::ReadOnly, {}, {}, kError1, {}, {}});
  add("file held by another open", {"SAT.ZCN", Pick::HeldElsewhere, {}, {}, kError1, {}, {}});

  add("fourth magic byte differs",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Patch(3, {'a'}), {}, kError2, {}, {}});
  add("fifth magic byte differs",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Patch(4, {'X'}), {}, Passes(), r, {}});
  add("type CHN",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Patch(32, {'C', 'H', 'N'}), {}, kError3, {}, {}});
  add("SER followed by a non-zero byte",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Patch(35, {'X'}), {}, kError3, {}, {}});

  add("first body byte changed",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Corrupt(64), {}, kError4, {}, {}});
  const int32_t size = SizeOf(ChannelFixture());
  add("last body byte changed",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Corrupt(size - 1), {}, kError4, {}, {}});
  add("stored CRC changed",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Corrupt(63), {}, kError4, {}, {}});
  ChannelFixture untested;
  for (int at = 4; at < 32; ++at) untested.Corrupt(at);
  for (int at = 36; at < 60; ++at) untested.Corrupt(at);
  add("untested header bytes changed", {"SAT.ZCN", Pick::Written, untested, {}, Passes(), r, {}});

  // With fewer than two magics the search ends five bytes before the end of the file.
  const ChannelFixture oneMagic = ChannelFixture().DropServiceMagic();
  add("one magic in the body",
      {"SAT.ZCN", Pick::Written, oneMagic, {}, kError5, SizeOf(oneMagic) - 5, {}});
  const ChannelFixture noMagic = ChannelFixture().DropServiceMagic().Patch(64, {'X'});
  add("no magic in the body",
      {"SAT.ZCN", Pick::Written, noMagic, {}, kError5, SizeOf(noMagic) - 5, {}});
  add("version 00 03",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Version(0x00, 0x03), {}, kError5, r, {}});
  add("version 02 00",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Version(0x02, 0x00), {}, kError5, r, {}});

  // A magic in the first record's data counts: R points into that record.
  add("magic inside the first record",
      {"SAT.ZCN", Pick::Written, ChannelFixture().MagicInFirstRecord(100), {}, kError5, 164, {}});
  const ChannelFixture inner = ChannelFixture().MagicInFirstRecord(100).Patch(164 + 72, {0, 2});
  const std::vector<uint8_t> innerBytes = inner.Build();
  add("magic inside the first record, version behind it",
      {"SAT.ZCN",
       Pick::Written,
       inner,
       {},
       Passes(),
       164,
       std::array<uint8_t, 2>{innerBytes[164 + 74], innerBytes[164 + 75]}});

  add("ends right after the version word",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(r + 74), {}, Passes(), r, {}});
  add("ends right after the carried word", {"SAT.ZCN",
                                            Pick::Written,
                                            ChannelFixture().Truncate(r + 76),
                                            {},
                                            Passes(),
                                            r,
                                            std::array<uint8_t, 2>{0x12, 0x34}});

  add("empty file", {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(0), {}, kError2, {}, {}});
  add("3 bytes", {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(3), {}, kError2, {}, {}});
  add("4 bytes, magic",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(4), {}, kError3, {}, {}});
  add("40 bytes, magic and type",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(40), {}, kCatchAll, {}, {}});
  add("63 bytes", {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(63), {}, kCatchAll, {}, {}});
  add("header only",
      {"SAT.ZCN", Pick::Written, ChannelFixture().Truncate(64), {}, kError5, 64, {}});

  // A read that falls short is an I/O error, not a corrupted file.
  add("short read of the stored CRC",
      {"SAT.ZCN", Pick::Written, {}, ShortReadOf(4), kCatchAll, {}, {}});
  add("short read of the body",
      {"SAT.ZCN", Pick::Written, {}, ShortReadOf(size - 64), kCatchAll, {}, {}});

  add("upper-case name", {"SAT.ZCN",
                          Pick::Written,
                          ChannelFixture().CarriedWord(0xAB, 0xCD),
                          {},
                          Passes(),
                          r,
                          std::array<uint8_t, 2>{0xAB, 0xCD}});
  add("lower-case extension", {"list.zcn", Pick::Written, {}, {}, Passes(), r, {}});
  add("mixed-case extension",
      {"Sat.Zcn", Pick::Written, {}, {}, Passes(), r, std::array<uint8_t, 2>{0x12, 0x34}});
}

void OpenCommandTest::outcome() {
  QFETCH(Case, row);
  QFETCH(bool, afterSuccess);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string folder = dir.path().toStdString();
  const std::string path = folder + "/" + row.name;
  const std::string pathDir = QFileInfo(Q(path)).absolutePath().toStdString() + "/";

  std::vector<uint8_t> written;
  if (row.pick != Pick::Missing) WriteFixture(row.file, path, &written);
  if (row.pick == Pick::ReadOnly) QCOMPARE(::chmod(path.c_str(), 0444), 0);
  platform::THandle other = -1;
  if (row.pick == Pick::HeldElsewhere) {
    other = platform::FileOpen(path, platform::fmOpenReadWrite);
    QVERIFY(other >= 0);
  }

  ScriptedSeam seam;
  MakeMainWindow();

  // The earlier source lies in a folder of its own, with its own R and carried word, so
  // that what the row leaves can't be mistaken for it.
  const std::string earlier = folder + "/earlier/EARLIER.ZCN";
  if (afterSuccess) {
    std::vector<uint8_t> earlierBytes;
    WriteFixture(ChannelFixture().FirstRecord(ChannelFixture::Record(200)).CarriedWord(0x55, 0x66),
                 earlier, &earlierBytes);
    OpenFile(seam, earlier);
    QVERIFY(Conversion.SourceHeld());
    QVERIFY(Form1->Convert->isEnabled());
    seam.ClearBoxes();
  }
  const std::string targetBefore = Conversion.TargetPath;
  const int32_t rBefore = Conversion.RecordOffset;
  const std::string openDirBefore = OpenDir;
  const bool heldBefore = Conversion.SourceHeld();
  const size_t linesBefore = LogLines().size();

  if (row.ioRule) seam.SetIoRule(row.ioRule);
  seam.QueueOpenAnswer(row.pick == Pick::Cancel ? std::nullopt : std::optional(path));
  QTest::mouseClick(Form1->Open, Qt::LeftButton);
  seam.SetIoRule({});

  // What the user sees.
  const std::vector<ScriptedSeam::Box> boxes = seam.Boxes();
  QCOMPARE(boxes.size(), row.expected.box ? size_t{1} : size_t{0});
  if (row.expected.box) {
    QCOMPARE(Q(boxes[0].text), Q(row.expected.box->text));
    QCOMPARE(Q(boxes[0].caption), Q(row.expected.box->caption));
    QCOMPARE(boxes[0].flags, row.expected.box->flags);
  }
  const std::vector<std::string> lines = LogLines();
  QCOMPARE(Q(std::vector<std::string>(lines.begin() + static_cast<long>(linesBefore), lines.end())),
           Q(row.expected.lines));
  QCOMPARE(Q(Form1->Edit1->Text()), QStringLiteral("Open a ZARVO Channel File"));

  // What is held afterwards: only a passed check holds a source; a cancel keeps what was.
  const bool cancelled = row.pick == Pick::Cancel;
  const bool held = cancelled ? heldBefore : row.expected.passes;
  QCOMPARE(Conversion.SourceHeld(), held);
  QCOMPARE(Form1->Convert->isEnabled(), held);
  if (afterSuccess) QCOMPARE(Unlocked(earlier), !cancelled);
  if (other >= 0) platform::FileClose(other);
  if (row.pick != Pick::Missing) QCOMPARE(Unlocked(path), !row.expected.passes);

  // The source is only ever read.
  if (row.pick == Pick::Missing) {
    QVERIFY(!QFileInfo::exists(Q(path)));
  } else {
    QVERIFY(ReadFileBytes(path) == written);
  }

  // The texts follow the confirmed name whatever the outcome; a cancel changes nothing.
  if (cancelled) {
    QCOMPARE(Q(OpenDir), Q(openDirBefore));
    QCOMPARE(Q(Conversion.TargetPath), Q(targetBefore));
    QCOMPARE(Conversion.RecordOffset, rBefore);
  } else {
    QCOMPARE(Q(OpenDir), Q(pathDir));
    QCOMPARE(Q(Conversion.SourcePath), Q(path));
    QCOMPARE(Q(Conversion.TargetPath),
             Q(pathDir + "A2_xx_" + QFileInfo(Q(path)).fileName().toStdString()));
  }
  if (row.r) QCOMPARE(Conversion.RecordOffset, *row.r);
  if (row.carried) {
    QCOMPARE(Conversion.CarriedWord[0], (*row.carried)[0]);
    QCOMPARE(Conversion.CarriedWord[1], (*row.carried)[1]);
  }
}

void OpenCommandTest::dialogStartsInLastConfirmedDirectory() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string a = dir.path().toStdString() + "/a";
  const std::string b = dir.path().toStdString() + "/b";
  const std::string c = dir.path().toStdString() + "/c";
  std::vector<uint8_t> written;
  WriteFixture(ChannelFixture(), a + "/list.txt", &written);
  WriteFixture(ChannelFixture(), c + "/SAT.ZCN", &written);

  ScriptedSeam seam;
  MakeMainWindow();
  const std::string start = OpenDir;
  seam.QueueOpenAnswer(a + "/list.txt");     // wrong extension
  seam.QueueOpenAnswer(b + "/missing.zcn");  // open fails
  seam.QueueOpenAnswer(std::nullopt);        // cancelled
  seam.QueueOpenAnswer(c + "/SAT.ZCN");      // passes
  seam.QueueOpenAnswer(std::nullopt);
  for (int i = 0; i < 5; ++i) QTest::mouseClick(Form1->Open, Qt::LeftButton);

  const std::vector<platform::OpenDialogRequest> requests = seam.OpenRequests();
  QCOMPARE(requests.size(), size_t{5});
  QCOMPARE(Q(requests[0].initialDir), Q(start));
  QCOMPARE(Q(requests[1].initialDir), Q(a + "/"));
  QCOMPARE(Q(requests[2].initialDir), Q(b + "/"));
  QCOMPARE(Q(requests[3].initialDir), Q(b + "/"));
  QCOMPARE(Q(requests[4].initialDir), Q(c + "/"));

  // The one pattern, spelt in every letter case: on a file system where case counts the
  // dialog still lists list.zcn and Sat.Zcn.
  const QString filter = Q(requests[0].filter);
  QVERIFY2(filter.startsWith("ZARVO Channel Files"), qPrintable(filter));
  const qsizetype open = filter.lastIndexOf('(');
  QVERIFY(open >= 0 && filter.endsWith(')'));
  QStringList patterns = filter.mid(open + 1, filter.size() - open - 2).split(' ');
  patterns.sort();
  QStringList every = {"*.ZCN", "*.ZCn", "*.ZcN", "*.Zcn", "*.zCN", "*.zCn", "*.zcN", "*.zcn"};
  every.sort();
  QCOMPARE(patterns, every);
  for (const platform::OpenDialogRequest& request : requests) QCOMPARE(Q(request.filter), filter);
}

void OpenCommandTest::sameFileTwicePassesTwice() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string path = dir.path().toStdString() + "/SAT.ZCN";
  std::vector<uint8_t> written;
  WriteFixture(ChannelFixture(), path, &written);

  ScriptedSeam seam;
  MakeMainWindow();
  OpenFile(seam, path);
  OpenFile(seam, path);

  QVERIFY(seam.Boxes().empty());
  std::vector<std::string> expected = {"Please Select A ZARVO Channel File."};
  for (int i = 0; i < 2; ++i)
    expected.insert(expected.end(), kSuccessLines.begin(), kSuccessLines.end());
  QCOMPARE(Q(LogLines()), Q(expected));
  QVERIFY(Conversion.SourceHeld());
  QVERIFY(Form1->Convert->isEnabled());
  QVERIFY(!Unlocked(path));
  QVERIFY(ReadFileBytes(path) == written);
}

QTEST_MAIN(OpenCommandTest)
#include "OpenCommandTest.moc"
