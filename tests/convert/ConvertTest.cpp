// The Convert command and the conversion worker, driven end to end through the real main
// window: a fixture is opened with the Open button, Convert is pressed, and the status log,
// the boxes, the target file and what the run leaves behind are checked. The target is
// checked with zlib's own crc32 and inflate, independent of the code under test.

#include <zlib.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMetaObject>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "platform/TApplication.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"
#include "tests/support/ChannelFixture.h"

using platform::IoCall;
using platform::IoVerdict;

Q_DECLARE_METATYPE(ScriptedSeam::IoRule)

namespace {

namespace fs = std::filesystem;

constexpr int64_t kCompressorBlock = 2 * 1024 * 1024;

const QStringList kRunLines = {
    "Compressing the service file",
    "Compression of the Service DataBase Finished",
    "Creating the New A2.xx ZARVO Channel File",
    "The New ZARVO Channel File Successfully Created.",
};
const QStringList kStoppedInCompression = {"Compressing the service file"};

const QString kSuccessBox = "Success: A2_xx_SAT.ZCN Created [worker]";
const QString kCompressionErrorBox =
    "Compression Error: Error[8] : Couldn't Compress the dat file! [worker]";

// A temporary tree for one test: the source goes in source/, and work/ is the current
// directory, where the run makes its temporary files.
class Workspace {
 public:
  Workspace() : sourceDir_(MakeDir("source")), workDir_(MakeDir("work")), cwd_(workDir_) {}

  std::string Source(const std::string& name) const { return sourceDir_ + "/" + name; }
  std::string Work(const std::string& name) const { return workDir_ + "/" + name; }

 private:
  std::string MakeDir(const char* name) {
    const std::string path = root_.path().toStdString() + "/" + name;
    fs::create_directory(path);
    return path;
  }

  QTemporaryDir root_;
  std::string sourceDir_;
  std::string workDir_;
  ScopedCurrentDir cwd_;
};

using fixture::Be32;
using fixture::Le32;

bool BytesAre(const std::vector<uint8_t>& b, size_t at, const std::vector<uint8_t>& expected) {
  return at + expected.size() <= b.size() &&
         std::equal(expected.begin(), expected.end(), b.begin() + static_cast<long>(at));
}

// The whole of one zlib stream that fills exactly [data, data + size); nothing when the
// bytes are not such a stream.
std::optional<std::vector<uint8_t>> InflateWhole(const uint8_t* data, size_t size) {
  z_stream s{};
  if (inflateInit(&s) != Z_OK) return std::nullopt;
  s.next_in = const_cast<Bytef*>(data);
  s.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> out;
  std::vector<uint8_t> chunk(1 << 16);
  int rc = Z_OK;
  while (rc == Z_OK) {
    s.next_out = chunk.data();
    s.avail_out = static_cast<uInt>(chunk.size());
    rc = inflate(&s, Z_NO_FLUSH);
    out.insert(out.end(), chunk.begin(), chunk.end() - s.avail_out);
  }
  const bool whole = rc == Z_STREAM_END && s.avail_in == 0;
  inflateEnd(&s);
  if (!whole) return std::nullopt;
  return out;
}

// Empty when target is the A2.xx form of the source built by `made`; otherwise the
// first thing found wrong.
std::string TargetProblem(const std::vector<uint8_t>& target, const std::vector<uint8_t>& source,
                          const fixture::ChannelFixture& made) {
  const size_t r = static_cast<size_t>(made.R());
  if (target.size() < r + 80) return "target missing or shorter than its headers";
  const size_t compressed = Le32(target, r + 72);
  if (target.size() != r + 80 + compressed) return "size is not R + 80 + compressed size";
  if (Be32(target, 16) != target.size() - 64) return "file length field";
  if (Be32(target, 60) != fixture::ZlibCrc32(target, 64)) return "file CRC";
  if (Le32(target, r + 68) != fixture::ZlibCrc32(target, r + 72)) return "record CRC";
  if (Be32(target, r + 16) != compressed + 16) return "record length field";
  if (!BytesAre(target, 0,
                {'P', 'L', 'O', 'V', 'A', '_', 'V', '_', 'Z', 'R', '_', 'A', 'L', 'L'}) ||
      !BytesAre(target, 32, {'S', 'E', 'R', 0})) {
    return "file header name or type";
  }
  if (!std::equal(source.begin() + 64, source.begin() + static_cast<long>(r),
                  target.begin() + 64)) {
    return "bytes 64 to R - 1 differ from the source";
  }
  if (!BytesAre(target, r + 60, {0x11, 0x22, 0x33, 0x44})) return "record header CRC field";
  const auto carried = made.CarriedWord();
  if (!BytesAre(target, r + 64, {'-', 'S', 'E', 'R'}) || !BytesAre(target, r + 76, {0x00, 0x03}) ||
      !BytesAre(target, r + 78, {carried[0], carried[1]})) {
    return "sub-header tag, version word or carried word";
  }
  const auto payload = InflateWhole(target.data() + r + 80, compressed);
  if (!payload) return "the compressed payload is not one whole zlib stream";
  if (*payload != made.Payload()) return "the payload does not inflate to the source's";
  return {};
}

QStringList LinesSince(size_t first) {
  const std::vector<std::string> all = LogLines();
  QStringList lines;
  for (size_t i = first; i < all.size(); ++i) lines << QString::fromStdString(all[i]);
  return lines;
}

QStringList Described(const std::vector<ScriptedSeam::Box>& boxes) {
  QStringList described;
  for (const auto& box : boxes) {
    described << QString::fromStdString(box.caption + ": " + box.text +
                                        (box.forWorker ? " [worker]" : " [ui]"));
  }
  return described;
}

// The program's state once a run has ended, in a form QCOMPARE can show.
QString RunState() {
  return QString("Busy=%1 worker=%2 source=%3 Convert=%4")
      .arg(Busy)
      .arg(MYThread == nullptr ? "none" : "present")
      .arg(Conversion.SourceHeld() ? "open" : "closed")
      .arg(Form1->Convert->isEnabled() ? "on" : "off");
}
const QString kUsedUp = "Busy=0 worker=none source=closed Convert=off";
const QString kStillOpen = "Busy=0 worker=none source=open Convert=on";

// The temporary files of a run that are left in the current directory.
QStringList TempFiles() {
  QStringList left;
  for (const char* name : {"ser.tmp", "comp_ser.tmp"}) {
    if (fs::is_regular_file(name)) left << name;
  }
  return left;
}

QStringList ThreadNames() {
  QStringList names;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    names << QString::fromStdString(name);
  }
  return names;
}

QDialog* VisibleDialog(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == title) return dialog;
  }
  return nullptr;
}

// Gives `verdict` to the k-th call (from 1) of `call` whose byte count `pick` accepts;
// every other call proceeds.
ScriptedSeam::IoRule Nth(IoCall call, int k, IoVerdict verdict,
                         std::function<bool(int64_t)> pick = nullptr) {
  auto seen = std::make_shared<std::atomic<int>>(0);
  return [=](IoCall made, int64_t count, int) {
    if (made != call || (pick && !pick(count))) return IoVerdict{};
    return ++*seen == k ? verdict : IoVerdict{};
  };
}

const IoVerdict kFail{IoVerdict::Fail, 0};
const IoVerdict kOneByteShort{IoVerdict::Short, 1};

enum class Obstacle { SerTmpIsDirectory, CompSerTmpIsDirectory, CompressorWriteFails, ShortSource };

}  // namespace

Q_DECLARE_METATYPE(Obstacle)

class ConvertTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ScriptedSeam> seam_;

  // Opens path with the Open button, as the user would; true when the check passed.
  bool OpenThroughWindow(const std::string& path) {
    seam_->QueueOpenAnswer(path);
    QTest::mouseClick(Form1->Open, Qt::LeftButton);
    const std::vector<std::string> lines = LogLines();
    return !lines.empty() && lines.back() == "You can proceed." && Form1->Convert->isEnabled();
  }

  // Writes a fixture as source/SAT.ZCN and opens it; the boxes of the Open are forgotten.
  std::vector<uint8_t> WriteAndOpen(const Workspace& ws, const fixture::ChannelFixture& made) {
    const std::vector<uint8_t> bytes = made.WriteFile(ws.Source("SAT.ZCN"));
    if (!OpenThroughWindow(ws.Source("SAT.ZCN"))) return {};
    seam_->ClearBoxes();
    return bytes;
  }

  static fixture::ChannelFixture SmallSource() {
    fixture::ChannelFixture made;
    made.Payload(fixture::ServicePayload(4096, 3)).CarriedWord(0xAB, 0xCD);
    return made;
  }

  static void Convert() { QTest::mouseClick(Form1->Convert, Qt::LeftButton); }

 private slots:
  void initTestCase() {
    // A test may close the main window; that must not end the test program's GUI.
    QApplication::setQuitOnLastWindowClosed(false);
  }

  void init() {
    seam_ = std::make_unique<ScriptedSeam>();
    MakeMainWindow();
  }

  void cleanup() {
    // A failed test may leave a real box holding the run; close it so the run can end
    // before the window goes.
    while (QDialog* box = VisibleDialog("Success")) box->done(1);
    QVERIFY(WaitUntilIdle());
    DestroyMainWindow();
    seam_.reset();
  }

  void convertsEndToEnd_data() {
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<bool>("staleTempFiles");
    QTest::newRow("small file") << 4096 << false;
    QTest::newRow("empty service payload") << 0 << false;
    QTest::newRow("payload of several compressor blocks") << 5 * 1024 * 1024 << false;
    // Longer than what the run writes, so a file that was not emptied would show.
    QTest::newRow("stale ser.tmp and comp_ser.tmp") << 4096 << true;
  }

  void convertsEndToEnd() {
    QFETCH(int, payloadSize);
    QFETCH(bool, staleTempFiles);
    Workspace ws;
    fixture::ChannelFixture made;
    made.Payload(fixture::ServicePayload(static_cast<size_t>(payloadSize), 7))
        .CarriedWord(0x5A, 0xA5);
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    if (staleTempFiles) {
      const std::vector<uint8_t> junk(64 * 1024, 'X');
      WriteFileBytes(ws.Work("ser.tmp"), junk);
      WriteFileBytes(ws.Work("comp_ser.tmp"), junk);
    }
    const size_t before = LogLines().size();

    Convert();
    QVERIFY(WaitUntilIdle());

    QCOMPARE(LinesSince(before), kRunLines);
    QCOMPARE(Described(seam_->Boxes()), QStringList{kSuccessBox});
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QVERIFY(ReadFileBytes(ws.Source("SAT.ZCN")) == source);
    QCOMPARE(TempFiles(), QStringList{});
    QCOMPARE(RunState(), kUsedUp);
  }

  void convertPressedTwiceRunsOnce() {
    Workspace ws;
    const fixture::ChannelFixture made = SmallSource();
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    const size_t before = LogLines().size();

    Convert();
    Convert();
    QVERIFY(WaitUntilIdle());

    QCOMPARE(LinesSince(before), kRunLines);
    QCOMPARE(Described(seam_->Boxes()),
             (QStringList{"Warning: W[2] : Application Busy. [ui]", kSuccessBox}));
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QCOMPARE(RunState(), kUsedUp);
  }

  // The Success box holds the run: meanwhile Open is refused without showing its dialog,
  // and the worker thread carries its name.
  void whileTheRunIsHeld() {
    Workspace ws;
    const fixture::ChannelFixture made = SmallSource();
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    const size_t before = LogLines().size();
    const size_t dialogsBefore = seam_->OpenRequests().size();
    QStringList threadNames;
    int busyMeanwhile = -1;
    seam_->onBox = [&](const platform::BoxRequest& box) {
      if (box.caption != "Success") return;
      busyMeanwhile = Busy;
      threadNames = ThreadNames();
      QTest::mouseClick(Form1->Open, Qt::LeftButton);
    };

    Convert();
    QVERIFY(WaitUntilIdle());

    QCOMPARE(busyMeanwhile, 1);
    QCOMPARE(threadNames.count("ExtractThread"), 1);
    QCOMPARE(Described(seam_->Boxes()),
             (QStringList{kSuccessBox, "Warning: W[1] : Application Busy. [ui]"}));
    QCOMPARE(seam_->OpenRequests().size(), dialogsBefore);
    QCOMPARE(LinesSince(before), kRunLines);
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QCOMPARE(RunState(), kUsedUp);
  }

  // A real box shown for the worker holds the run, not the window.
  void realSuccessBoxLeavesWindowUsable() {
    Workspace ws;
    const fixture::ChannelFixture made = SmallSource();
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    seam_->showReal = [](const platform::BoxRequest& box) { return box.caption == "Success"; };

    Convert();
    QDialog* box = nullptr;
    QVERIFY(QTest::qWaitFor([&] { return (box = VisibleDialog("Success")) != nullptr; }, 20000));
    QCOMPARE(Busy, 1);
    QTest::mouseClick(Form1->Open, Qt::LeftButton);
    QCOMPARE(Described(seam_->Boxes()),
             (QStringList{kSuccessBox, "Warning: W[1] : Application Busy. [ui]"}));
    QVERIFY(MYThread != nullptr);

    auto* buttons = box->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr && buttons->button(QDialogButtonBox::Ok) != nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QVERIFY(WaitUntilIdle());

    QVERIFY(VisibleDialog("Success") == nullptr);
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QCOMPARE(RunState(), kUsedUp);
  }

  void compressionFailure_data() {
    QTest::addColumn<ScriptedSeam::IoRule>("fault");
    // The run's first file read is that of the payload from the source.
    QTest::newRow("payload read from the source falls short")
        << Nth(IoCall::FileRead, 1, kOneByteShort);
    QTest::newRow("payload write to ser.tmp falls short")
        << Nth(IoCall::StreamWrite, 1, kOneByteShort);
    // The compressor takes a failed read for the end of its input.
    QTest::newRow("compressor's read of ser.tmp fails") << Nth(IoCall::StreamRead, 1, kFail);
    // The compressor reads whole blocks; the read-back asks for the compressed size.
    QTest::newRow("compressed result read back short")
        << Nth(IoCall::StreamRead, 1, kOneByteShort,
               [](int64_t count) { return count != kCompressorBlock; });
  }

  void compressionFailure() {
    QFETCH(ScriptedSeam::IoRule, fault);
    Workspace ws;
    const std::vector<uint8_t> source = WriteAndOpen(ws, SmallSource());
    QVERIFY(!source.empty());
    const size_t before = LogLines().size();
    seam_->SetIoRule(fault);

    Convert();
    QVERIFY(WaitUntilIdle());

    QCOMPARE(LinesSince(before), kStoppedInCompression);
    QCOMPARE(Described(seam_->Boxes()), QStringList{kCompressionErrorBox});
    QVERIFY(!fs::exists(ws.Source("A2_xx_SAT.ZCN")));
    QCOMPARE(TempFiles(), QStringList{});
    QCOMPARE(RunState(), kUsedUp);
    QVERIFY(ReadFileBytes(ws.Source("SAT.ZCN")) == source);
  }

  // An exception ends the run where it happens, without a box; the source stays open, so
  // the next Convert is accepted and, once the cause is gone, converts.
  void exceptionEndsRunQuietly_data() {
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("ser.tmp cannot be created") << Obstacle::SerTmpIsDirectory;
    QTest::newRow("comp_ser.tmp cannot be created") << Obstacle::CompSerTmpIsDirectory;
    QTest::newRow("compressor's write fails") << Obstacle::CompressorWriteFails;
    QTest::newRow("source ends inside the service sub-header") << Obstacle::ShortSource;
  }

  void exceptionEndsRunQuietly() {
    QFETCH(Obstacle, obstacle);
    Workspace ws;
    fixture::ChannelFixture made = SmallSource();
    // Long enough to pass the check (it reads the version word at R + 72), too short to
    // hold a payload.
    if (obstacle == Obstacle::ShortSource) made.Truncate(static_cast<size_t>(made.R()) + 74);
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    if (obstacle == Obstacle::SerTmpIsDirectory) fs::create_directory(ws.Work("ser.tmp"));
    if (obstacle == Obstacle::CompSerTmpIsDirectory) fs::create_directory(ws.Work("comp_ser.tmp"));
    // The first stream write is the payload's to ser.tmp; the compressor's come after it.
    if (obstacle == Obstacle::CompressorWriteFails) {
      seam_->SetIoRule(Nth(IoCall::StreamWrite, 2, kFail));
    }
    size_t before = LogLines().size();

    Convert();
    QVERIFY(WaitUntilIdle());

    QCOMPARE(LinesSince(before), kStoppedInCompression);
    QCOMPARE(Described(seam_->Boxes()), QStringList{});
    QVERIFY(!fs::exists(ws.Source("A2_xx_SAT.ZCN")));
    QCOMPARE(RunState(), kStillOpen);

    fs::remove(ws.Work("ser.tmp"));
    fs::remove(ws.Work("comp_ser.tmp"));
    seam_->SetIoRule(nullptr);
    before = LogLines().size();

    Convert();
    QVERIFY(WaitUntilIdle());

    if (obstacle == Obstacle::ShortSource) {
      QCOMPARE(LinesSince(before), kStoppedInCompression);
      QCOMPARE(Described(seam_->Boxes()), QStringList{});
      QCOMPARE(RunState(), kStillOpen);
      return;
    }
    QCOMPARE(LinesSince(before), kRunLines);
    QCOMPARE(Described(seam_->Boxes()), QStringList{kSuccessBox});
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QCOMPARE(TempFiles(), QStringList{});
    QCOMPARE(RunState(), kUsedUp);
  }

  void workerThatCannotStart() {
    Workspace ws;
    const fixture::ChannelFixture made = SmallSource();
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    const size_t before = LogLines().size();
    seam_->failThreadStart = true;

    Convert();

    const std::vector<ScriptedSeam::Box> boxes = seam_->Boxes();
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].caption, platform::Application->Title());
    QVERIFY(!boxes[0].forWorker && !boxes[0].text.empty());
    QCOMPARE(LinesSince(before), QStringList{});
    QCOMPARE(RunState(), kStillOpen);

    // Back to idle: Open and Convert both work again.
    seam_->failThreadStart = false;
    QVERIFY(OpenThroughWindow(ws.Source("SAT.ZCN")));
    seam_->ClearBoxes();
    const size_t beforeRun = LogLines().size();
    Convert();
    QVERIFY(WaitUntilIdle());
    QCOMPARE(LinesSince(beforeRun), kRunLines);
    QCOMPARE(Described(seam_->Boxes()), QStringList{kSuccessBox});
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
  }

  // A close asked for while the compressor works waits for the run, which completes.
  void closingDuringRunWaitsForIt() {
    Workspace ws;
    const fixture::ChannelFixture made = SmallSource();
    const std::vector<uint8_t> source = WriteAndOpen(ws, made);
    QVERIFY(!source.empty());
    const size_t before = LogLines().size();
    std::atomic<bool> asked{false};
    bool heldMeanwhile = false;
    bool shownMeanwhile = false;
    // The compressor's first read of ser.tmp: both temporary files exist by then.
    seam_->SetIoRule([&](IoCall call, int64_t, int) {
      if (call == IoCall::StreamRead && !asked.exchange(true)) {
        QMetaObject::invokeMethod(
            Form1,
            [&] {
              Form1->close();
              heldMeanwhile = Form1->CloseHeld();
              shownMeanwhile = Form1->isVisible();
            },
            Qt::BlockingQueuedConnection);
      }
      return IoVerdict{};
    });

    Convert();
    QVERIFY(WaitUntilIdle());

    QVERIFY(asked);
    QVERIFY(heldMeanwhile && shownMeanwhile);
    QVERIFY(!Form1->isVisible());
    QCOMPARE(LinesSince(before), kRunLines);
    const std::string problem =
        TargetProblem(ReadFileBytes(ws.Source("A2_xx_SAT.ZCN")), source, made);
    QVERIFY2(problem.empty(), problem.c_str());
    QCOMPARE(TempFiles(), QStringList{});
  }
};

QTEST_MAIN(ConvertTest)
#include "ConvertTest.moc"
