// Assembles A2.xx targets from fixtures and payloads compressed by TZlib, and checks every
// range of each result with zlib's own crc32 and inflate. The failure cases block the
// target or make one transfer of the pass fall short, and check that no success is claimed
// and nothing is left behind: no partial target, no held source, no held payload.

#include <sys/stat.h>
#include <zlib.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "channel/TargetAssembly.h"
#include "compress/TZlib.h"
#include "platform/Boxes.h"
#include "platform/FileIo.h"
#include "platform/TMemoryStream.h"
#include "platform/TThread.h"
#include "support/ChannelFixture.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

using fixture::ChannelFixture;
using platform::IoCall;
using platform::IoVerdict;

Q_DECLARE_METATYPE(platform::IoCall)

namespace {

const char* const kSuccessLine = "The New ZARVO Channel File Successfully Created.";
const char* const kLevel9 = "Level[9] : Couldn't create New ZCN File.";
const char* const kLevel10 = "Level[10] : Couldn't create New ZCN File.";

QByteArray Range(const std::vector<uint8_t>& bytes, size_t at, size_t count) {
  if (at + count > bytes.size()) return QByteArray("<past the end>");
  return QByteArray(reinterpret_cast<const char*>(bytes.data() + at), static_cast<int>(count));
}

QByteArray All(const std::vector<uint8_t>& bytes) {
  return Range(bytes, 0, bytes.size());
}

QByteArray Zeros(int count) {
  return QByteArray(count, '\0');
}

using fixture::Be32;
using fixture::Le32;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool Logged(const char* line) {
  const std::vector<std::string> lines = LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// What zlib inflates from `at` to the end of the file; a marker unless that is exactly one
// complete zlib stream no longer than `limit`.
QByteArray Inflate(const std::vector<uint8_t>& file, size_t at, size_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return QByteArray("<inflateInit failed>");
  std::vector<uint8_t> out(limit + 1);
  stream.next_in = const_cast<Bytef*>(file.data() + at);
  stream.avail_in = static_cast<uInt>(file.size() - at);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.avail_in == 0;
  out.resize(out.size() - stream.avail_out);
  inflateEnd(&stream);
  return whole ? All(out) : QByteArray("<not one whole zlib stream>");
}

std::vector<uint8_t> CompressWithTZlib(const std::vector<uint8_t>& payload) {
  platform::TMemoryStream source;
  platform::TMemoryStream dest;
  source.Write(payload.data(), static_cast<int32_t>(payload.size()));
  source.Seek(0, platform::soFromBeginning);
  auto zlib = std::make_unique<TZlib>();  // its two blocks are too large for the stack
  if (zlib->Compress(&source, &dest, 9) != 0) return {};
  return dest.Bytes();
}

// A valid source whose headers hold bytes the target must not keep: the file header all
// but the tested magic, the type and the sealed length and CRC fields, and the service
// record header after its magic.
ChannelFixture SpoiledSource(size_t firstRecordSize, size_t payloadSize) {
  const size_t r = 64 + firstRecordSize;
  ChannelFixture source;
  source.FirstRecord(ChannelFixture::Record(firstRecordSize))
      .Payload(fixture::ServicePayload(payloadSize, 3))
      .CarriedWord(0xAB, 0xCD)
      .Patch(4, std::vector<uint8_t>(12, 'x'))
      .Patch(20, std::vector<uint8_t>(12, 0xEE))
      .Patch(36, std::vector<uint8_t>(24, 0xEE))
      .Patch(r + 5, std::vector<uint8_t>(59, 0xEE));
  return source;
}

// A source on disk, held in Conversion as a successful Open and compression leave it.
struct HeldSource {
  ChannelFixture fixture;
  std::string path;
  std::string targetPath;
  std::vector<uint8_t> bytes;       // the source as written
  std::vector<uint8_t> compressed;  // the payload handed to the assembly
};

HeldSource Hold(const ChannelFixture& fixture, const std::string& dir, const std::string& name,
                std::vector<uint8_t> compressed) {
  HeldSource held{fixture, dir + "/" + name, dir + "/A2_xx_" + name, {}, std::move(compressed)};
  held.bytes = fixture.WriteFile(held.path);
  Conversion.SourcePath = held.path;
  Conversion.SourceHandle = platform::FileOpen(held.path, platform::fmOpenReadWrite);
  // The check reads the source and leaves its position well past the start.
  platform::FileSeek(Conversion.SourceHandle, 0, platform::soFromEnd);
  Conversion.RecordOffset = fixture.R();
  Conversion.CarriedWord[0] = fixture.CarriedWord()[0];
  Conversion.CarriedWord[1] = fixture.CarriedWord()[1];
  Conversion.TargetPath = held.targetPath;
  Conversion.CompressedSize = static_cast<int32_t>(held.compressed.size());
  Conversion.CompressedPayload.reset(new uint8_t[held.compressed.size()]);
  std::memcpy(Conversion.CompressedPayload.get(), held.compressed.data(), held.compressed.size());
  Form1->Convert->SetEnabled(true);
  return held;
}

// Every range of the target, against the source and the payload it was given.
void CheckTarget(const std::vector<uint8_t>& t, const HeldSource& held, bool inflates) {
  const size_t r = static_cast<size_t>(held.fixture.R());
  const size_t c = held.compressed.size();
  QCOMPARE(t.size(), r + 80 + c);

  // Both headers come from one template, whatever the source's headers held.
  for (const size_t at : {size_t{0}, r}) {
    QCOMPARE(Range(t, at, 14), QByteArray("PLOVA_V_ZR_ALL"));
    QCOMPARE(Range(t, at + 14, 2), Zeros(2));
    QCOMPARE(Range(t, at + 20, 12), Zeros(12));
    QCOMPARE(Range(t, at + 32, 4), QByteArray("SER\0", 4));
    QCOMPARE(Range(t, at + 36, 12), Zeros(12));
    QCOMPARE(Range(t, at + 48, 6), QByteArray(6, '\xFF'));
    QCOMPARE(Range(t, at + 54, 6), Zeros(6));
  }
  QCOMPARE(Be32(t, 16), static_cast<uint32_t>(t.size() - 64));
  QCOMPARE(Be32(t, 60), fixture::ZlibCrc32(t, 64));

  QCOMPARE(Range(t, 64, r - 64), Range(held.bytes, 64, r - 64));

  QCOMPARE(Be32(t, r + 16), static_cast<uint32_t>(c + 16));
  QCOMPARE(Range(t, r + 60, 4), QByteArray("\x11\x22\x33\x44"));
  QCOMPARE(Range(t, r + 64, 4), QByteArray("-SER"));
  QCOMPARE(Le32(t, r + 68), fixture::ZlibCrc32(t, r + 72));
  QCOMPARE(Le32(t, r + 72), static_cast<uint32_t>(c));
  QCOMPARE(Range(t, r + 76, 2), QByteArray("\x00\x03", 2));
  QCOMPARE(Range(t, r + 78, 2), QByteArray("\xAB\xCD"));
  QCOMPARE(Range(t, r + 80, c), All(held.compressed));
  if (inflates) {
    QCOMPARE(Inflate(t, r + 80, held.fixture.Payload().size()), All(held.fixture.Payload()));
  }
}

// After a run that ended well: both files closed and free, the payload let go, the source
// untouched.
void CheckReleasedAfterSuccess(const HeldSource& held) {
  QCOMPARE(Conversion.SourceHandle, -1);
  QCOMPARE(Conversion.TargetHandle, -1);
  QVERIFY(!Conversion.CompressedPayload);
  QCOMPARE(All(ReadFileBytes(held.path)), All(held.bytes));
  for (const std::string& path : {held.path, held.targetPath}) {
    const platform::THandle handle = platform::FileOpen(path, platform::fmOpenReadWrite);
    QVERIFY2(handle >= 0, ("still held: " + path).c_str());
    platform::FileClose(handle);
  }
}

// After a run that failed or was abandoned: no success claimed, nothing held, the source
// as it was, and a new Open of it passes.
void CheckAbandoned(ScriptedSeam& seam, const HeldSource& held) {
  QVERIFY(!Logged(kSuccessLine));
  for (const ScriptedSeam::Box& box : seam.Boxes()) QVERIFY(box.caption != "Success");
  QCOMPARE(Conversion.SourceHandle, -1);
  QCOMPARE(Conversion.TargetHandle, -1);
  QVERIFY(!Conversion.CompressedPayload);
  QCOMPARE(All(ReadFileBytes(held.path)), All(held.bytes));

  seam.QueueOpenAnswer(held.path);
  Form1->OpenClick(nullptr);
  QVERIFY2(Conversion.SourceHeld(), "the source cannot be opened again");
  QVERIFY(Form1->Convert->Enabled());
  Conversion.CloseSource();
}

void CheckOneBox(ScriptedSeam& seam, const std::string& text, const std::string& caption) {
  const std::vector<ScriptedSeam::Box> boxes = seam.Boxes();
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(boxes[0].text, text);
  QCOMPARE(boxes[0].caption, caption);
  QCOMPARE(boxes[0].flags, platform::MB_OK);
}

class AssemblyThread : public platform::TThread {
 public:
  AssemblyThread() : TThread(false) {}

 protected:
  void Execute() override { AssembleTargetFile(); }
};

// Transfer counts that depend on the compressed size, for the rows of the short-transfer
// table; resolved when the size is known.
enum SizedCount { kPayloadCount = -1, kRecordReadBackCount = -2, kBodyReadBackCount = -3 };

}  // namespace

class TargetAssemblyTest : public QObject {
  Q_OBJECT

 private:
  ScriptedSeam seam_;

 private slots:
  void init() {
    seam_.SetIoRule(nullptr);
    seam_.onBox = nullptr;
    seam_.ClearBoxes();
    seam_.ResetIo();
    MakeMainWindow();
  }

  void cleanup() {
    seam_.SetIoRule(nullptr);
    seam_.onBox = nullptr;
    DestroyMainWindow();
  }

  void assemblesTarget_data() {
    QTest::addColumn<int>("firstRecordSize");
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<int>("handMadeSize");  // 0: the payload compressed by TZlib
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("oldTarget");

    QTest::newRow("worked example: R 200, compressed size 100")
        << 136 << 4096 << 100 << "SAT.ZCN" << false;
    QTest::newRow("R below one copy block") << 300 << 4096 << 0 << "SAT.ZCN" << false;
    QTest::newRow("R two whole copy blocks") << 4032 << 20000 << 0 << "list.zcn" << false;
    QTest::newRow("R past a block boundary, over a longer old target")
        << 4936 << 4096 << 0 << "SAT.ZCN" << true;
  }

  void assemblesTarget() {
    QFETCH(int, firstRecordSize);
    QFETCH(int, payloadSize);
    QFETCH(int, handMadeSize);
    QFETCH(QString, name);
    QFETCH(bool, oldTarget);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const std::string dir = temp.path().toStdString() + "/sets";
    QVERIFY(::mkdir(dir.c_str(), 0755) == 0);

    const ChannelFixture source =
        SpoiledSource(static_cast<size_t>(firstRecordSize), static_cast<size_t>(payloadSize));
    std::vector<uint8_t> compressed;
    if (handMadeSize > 0) {
      for (int i = 0; i < handMadeSize; ++i) compressed.push_back(static_cast<uint8_t>(i * 7 + 3));
    } else {
      compressed = CompressWithTZlib(source.Payload());
      QVERIFY(!compressed.empty());
    }
    const HeldSource held = Hold(source, dir, name.toStdString(), compressed);
    QVERIFY(Conversion.SourceHeld());
    if (oldTarget) WriteFileBytes(held.targetPath, std::vector<uint8_t>(100000, 0x33));

    AssembleTargetFile();

    const std::vector<uint8_t> target = ReadFileBytes(held.targetPath);
    CheckTarget(target, held, handMadeSize == 0);
    if (QTest::currentTestFailed()) return;
    if (handMadeSize > 0) {
      // The numbers of the worked example, as bytes.
      QCOMPARE(target.size(), size_t{380});
      QCOMPARE(Range(target, 16, 4), QByteArray("\x00\x00\x01\x3C", 4));
      QCOMPARE(Range(target, 200 + 16, 4), QByteArray("\x00\x00\x00\x74", 4));
      QCOMPARE(Range(target, 200 + 72, 4), QByteArray("\x64\x00\x00\x00", 4));
      QCOMPARE(Range(target, 200 + 76, 2), QByteArray("\x00\x03", 2));
    }

    QCOMPARE(LogLines().back(), std::string(kSuccessLine));
    CheckOneBox(seam_, "A2_xx_" + name.toStdString() + " Created", "Success");
    if (QTest::currentTestFailed()) return;
    CheckReleasedAfterSuccess(held);
  }

  // The worker's status line and box are carried out on the UI thread, the line first,
  // and the files stay held until the box is closed.
  void reportsFromTheWorkerOnTheUiThread() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const ChannelFixture source = SpoiledSource(300, 4096);
    const HeldSource held =
        Hold(source, temp.path().toStdString(), "SAT.ZCN", CompressWithTZlib(source.Payload()));
    QVERIFY(Conversion.SourceHeld());

    bool onUiThread = false;
    bool lineBeforeBox = false;
    bool targetHeldDuringBox = false;
    seam_.onBox = [&](const platform::BoxRequest&) {
      onUiThread = QThread::currentThread() == qApp->thread();
      lineBeforeBox = Logged(kSuccessLine);
      const platform::THandle probe = platform::FileOpen(held.targetPath, platform::fmOpenRead);
      targetHeldDuringBox = probe < 0;
      platform::FileClose(probe);
    };
    bool ended = false;
    auto* thread = new AssemblyThread;
    thread->SetOnTerminate([&](platform::TThread*) { ended = true; });
    QVERIFY(QTest::qWaitFor([&] { return ended; }, 20000));
    const bool raised = static_cast<bool>(thread->FatalException());
    delete thread;
    QVERIFY(!raised);

    CheckOneBox(seam_, "A2_xx_SAT.ZCN Created", "Success");
    QVERIFY(seam_.Boxes()[0].forWorker);
    QVERIFY(onUiThread);
    QVERIFY(lineBeforeBox);
    QVERIFY(targetHeldDuringBox);
    CheckTarget(ReadFileBytes(held.targetPath), held, true);
    if (QTest::currentTestFailed()) return;
    CheckReleasedAfterSuccess(held);
  }

  void refusesBlockedTarget_data() {
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("text");

    QTest::newRow("read-only file at the target path") << "read-only" << kLevel9;
    QTest::newRow("directory at the target path") << "directory" << kLevel10;
    QTest::newRow("target would reach 2 GiB") << "too large" << kLevel10;
  }

  void refusesBlockedTarget() {
    QFETCH(QString, blocker);
    QFETCH(QString, text);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const ChannelFixture source = SpoiledSource(300, 4096);
    const HeldSource held =
        Hold(source, temp.path().toStdString(), "SAT.ZCN", CompressWithTZlib(source.Payload()));
    QVERIFY(Conversion.SourceHeld());
    const std::vector<uint8_t> old(5000, 0x33);
    if (blocker == "read-only") {
      WriteFileBytes(held.targetPath, old);
      QVERIFY(::chmod(held.targetPath.c_str(), 0444) == 0);
    } else if (blocker == "directory") {
      QVERIFY(::mkdir(held.targetPath.c_str(), 0755) == 0);
    } else {
      // Only the size is claimed: nothing of the payload may be touched before the refusal.
      Conversion.CompressedSize = INT32_MAX - 50;
    }

    AssembleTargetFile();

    CheckOneBox(seam_, text.toStdString(), "Error");
    QVERIFY(!Form1->Convert->Enabled());
    CheckAbandoned(seam_, held);
    struct stat st {};
    if (blocker == "read-only") {
      QCOMPARE(All(ReadFileBytes(held.targetPath)), All(old));
      QVERIFY(::stat(held.targetPath.c_str(), &st) == 0 && (st.st_mode & 0777) == 0444);
    } else if (blocker == "directory") {
      QVERIFY(::stat(held.targetPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    } else {
      QVERIFY(!Exists(held.targetPath));
    }
  }

  // R = 5000 makes the prefix two whole blocks and a last part of 904 bytes. A row picks
  // one transfer by its call, its byte count and how many such transfers came before it.
  void failsWhenATransferFallsShort_data() {
    QTest::addColumn<platform::IoCall>("call");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<bool>("fails");  // the call fails outright instead of falling one short

    QTest::newRow("source read of the second block") << IoCall::FileRead << 2048 << 1 << false;
    QTest::newRow("prefix, first block") << IoCall::FileWrite << 2048 << 0 << false;
    QTest::newRow("prefix, last part") << IoCall::FileWrite << 904 << 0 << false;
    QTest::newRow("service record header") << IoCall::FileWrite << 64 << 0 << false;
    QTest::newRow("sub-header tag") << IoCall::FileWrite << 4 << 0 << false;
    QTest::newRow("record CRC placeholder") << IoCall::FileWrite << 4 << 1 << false;
    QTest::newRow("compressed size") << IoCall::FileWrite << 4 << 2 << false;
    QTest::newRow("version word") << IoCall::FileWrite << 2 << 0 << false;
    QTest::newRow("carried word") << IoCall::FileWrite << 2 << 1 << false;
    QTest::newRow("payload") << IoCall::FileWrite << int{kPayloadCount} << 0 << false;
    QTest::newRow("payload, I/O error") << IoCall::FileWrite << int{kPayloadCount} << 0 << true;
    QTest::newRow("record CRC patch") << IoCall::FileWrite << 4 << 3 << false;
    QTest::newRow("record length patch") << IoCall::FileWrite << 4 << 4 << false;
    QTest::newRow("file header") << IoCall::FileWrite << 64 << 1 << false;
    QTest::newRow("record read-back")
        << IoCall::FileRead << int{kRecordReadBackCount} << 0 << false;
    QTest::newRow("body read-back") << IoCall::FileRead << int{kBodyReadBackCount} << 0 << false;
    QTest::newRow("seek to the record CRC") << IoCall::FileSeek << 0 << 3 << true;
    QTest::newRow("flush of the target") << IoCall::FileFlush << 0 << 0 << true;
  }

  void failsWhenATransferFallsShort() {
    QFETCH(platform::IoCall, call);
    QFETCH(int, count);
    QFETCH(int, occurrence);
    QFETCH(bool, fails);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const ChannelFixture source = SpoiledSource(4936, 4096);
    const HeldSource held =
        Hold(source, temp.path().toStdString(), "SAT.ZCN", CompressWithTZlib(source.Payload()));
    QVERIFY(Conversion.SourceHeld());
    QCOMPARE(source.R(), 5000);

    const int c = static_cast<int>(held.compressed.size());
    if (count == kPayloadCount) count = c;
    if (count == kRecordReadBackCount) count = c + 8;
    if (count == kBodyReadBackCount) count = source.R() + c + 16;

    auto seen = std::make_shared<int>(0);
    auto hit = std::make_shared<bool>(false);
    seam_.SetIoRule([=](IoCall made, int64_t asked, int) {
      if (made != call || asked != count || (*seen)++ != occurrence) return IoVerdict{};
      *hit = true;
      return fails ? IoVerdict{IoVerdict::Fail, 0} : IoVerdict{IoVerdict::Short, 1};
    });
    AssembleTargetFile();
    seam_.SetIoRule(nullptr);

    QVERIFY2(*hit, "the chosen transfer was never made");
    CheckOneBox(seam_, kLevel10, "Error");
    QVERIFY(!Form1->Convert->Enabled());
    QVERIFY(!Exists(held.targetPath));
    CheckAbandoned(seam_, held);
  }

  // An exception inside the assembly (here from the read-back) leaves it with no box, and
  // takes the partial target, the held source and the payload with it.
  void exceptionLeavesNothingBehind() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const ChannelFixture source = SpoiledSource(300, 4096);
    const HeldSource held =
        Hold(source, temp.path().toStdString(), "SAT.ZCN", CompressWithTZlib(source.Payload()));
    QVERIFY(Conversion.SourceHeld());
    const int64_t readBack = static_cast<int64_t>(held.compressed.size()) + 8;
    seam_.SetIoRule([readBack](IoCall made, int64_t asked, int) {
      if (made == IoCall::FileRead && asked == readBack) throw std::bad_alloc();
      return IoVerdict{};
    });

    bool raised = false;
    try {
      AssembleTargetFile();
    } catch (const std::bad_alloc&) {
      raised = true;
    }
    seam_.SetIoRule(nullptr);

    QVERIFY(raised);
    QVERIFY(seam_.Boxes().empty());
    QVERIFY(!Exists(held.targetPath));
    CheckAbandoned(seam_, held);
  }
};

QTEST_MAIN(TargetAssemblyTest)
#include "TargetAssemblyTest.moc"
