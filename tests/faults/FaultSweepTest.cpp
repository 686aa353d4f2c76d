// Runs one conversion with every file operation in turn made to fail, and reads and
// writes also made to fall one byte short, and checks after each run that nothing was
// lost or claimed: no success for a target that is not whole, the source unchanged, no
// partial target, no temporary file left (but on the exception path), Busy back to 0,
// and the file can be opened again.

#include <sys/stat.h>
#include <zlib.h>

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "support/ChannelFixture.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

using platform::IoCall;
using platform::IoVerdict;

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

using fixture::Be32;
using fixture::Le32;

// A target is whole when both its CRCs and its length fields hold and its payload
// inflates to the source's payload.
bool TargetIsWhole(const std::vector<uint8_t>& target, const fixture::ChannelFixture& source) {
  const size_t r = static_cast<size_t>(source.R());
  if (target.size() < r + 80) return false;
  const uint32_t compressed = Le32(target, r + 72);
  if (target.size() != r + 80 + compressed) return false;
  if (Be32(target, 16) != target.size() - 64) return false;
  if (Be32(target, 60) != fixture::ZlibCrc32(target, 64)) return false;
  if (Le32(target, r + 68) != fixture::ZlibCrc32(target, r + 72)) return false;
  std::vector<uint8_t> inflated(source.Payload().size() + 1);
  uLongf inflatedSize = inflated.size();
  if (uncompress(inflated.data(), &inflatedSize, target.data() + r + 80, compressed) != Z_OK) {
    return false;
  }
  inflated.resize(inflatedSize);
  return inflated == source.Payload();
}

struct RunResult {
  std::vector<ScriptedSeam::Box> boxes;
  std::vector<std::string> log;
  std::vector<ScriptedSeam::Io> io;
  bool convertClicked = false;
};

class FaultSweepTest : public QObject {
  Q_OBJECT

 private:
  fixture::ChannelFixture fixture_ =
      fixture::ChannelFixture().Payload(fixture::ServicePayload(6000, 7));

  // One Open and, when it passes, one Convert, with `rule` deciding every file operation.
  RunResult Run(const std::string& dir, ScriptedSeam::IoRule rule) {
    ScriptedSeam seam;
    MakeMainWindow();
    ScopedCurrentDir cwd(dir);
    seam.SetIoRule(std::move(rule));
    seam.QueueOpenAnswer(dir + "/SAT.ZCN");
    Form1->OpenClick(nullptr);
    RunResult result;
    if (Form1->Convert->isEnabled()) {
      result.convertClicked = true;
      QTest::mouseClick(Form1->Convert, Qt::LeftButton);
      if (!WaitUntilIdle()) qFatal("the conversion did not end");
    }
    result.boxes = seam.Boxes();
    result.log = LogLines();
    result.io = seam.IoLog();
    return result;
  }

 private slots:
  void everyFaultIsReportedAndLosesNothing_data() {
    QTest::addColumn<bool>("oldTarget");
    QTest::newRow("no target yet") << false;
    QTest::newRow("an old target to replace") << true;
  }

  void everyFaultIsReportedAndLosesNothing() {
    QFETCH(bool, oldTarget);
    const std::vector<uint8_t> oldBytes(100, 0x5A);
    QTemporaryDir baseDir;
    const std::string base = baseDir.path().toStdString();
    fixture_.WriteFile(base + "/SAT.ZCN");
    if (oldTarget) WriteFileBytes(base + "/A2_xx_SAT.ZCN", oldBytes);
    const RunResult clean = Run(base, {});
    QVERIFY(TargetIsWhole(ReadFileBytes(base + "/A2_xx_SAT.ZCN"), fixture_));
    const int calls = static_cast<int>(clean.io.size());
    QVERIFY(calls > 20);

    int injected = 0;
    for (int k = 0; k < calls; ++k) {
      const IoCall call = clean.io[k].call;
      const bool transfer = call == IoCall::FileRead || call == IoCall::FileWrite ||
                            call == IoCall::StreamRead || call == IoCall::StreamWrite;
      std::vector<IoVerdict> faults{{IoVerdict::Fail, 0}};
      if (transfer && clean.io[k].count > 0) faults.push_back({IoVerdict::Short, 1});

      for (const IoVerdict& fault : faults) {
        ++injected;
        const QByteArray what = QByteArray("call ") + QByteArray::number(k) + " " +
                                platform::IoCallName(call) +
                                (fault.kind == IoVerdict::Short ? " short by one" : " failing");
        QTemporaryDir runDir;
        const std::string dir = runDir.path().toStdString();
        const std::vector<uint8_t> sourceBytes = fixture_.WriteFile(dir + "/SAT.ZCN");
        if (oldTarget) WriteFileBytes(dir + "/A2_xx_SAT.ZCN", oldBytes);
        const RunResult run = Run(dir, [k, fault](IoCall, int64_t, int index) {
          return index == k ? fault : IoVerdict{};
        });

        const bool success = std::any_of(run.boxes.begin(), run.boxes.end(),
                                         [](const auto& box) { return box.caption == "Success"; });
        const bool successLine =
            std::find(run.log.begin(), run.log.end(),
                      "The New ZARVO Channel File Successfully Created.") != run.log.end();
        const std::string target = dir + "/A2_xx_SAT.ZCN";
        QVERIFY2(success == successLine, what);
        if (success) {
          QVERIFY2(TargetIsWhole(ReadFileBytes(target), fixture_), what);
        } else if (Exists(target)) {
          // Only an old target that could not be deleted may remain, and unchanged.
          QVERIFY2(oldTarget && ReadFileBytes(target) == oldBytes, what);
        }
        QVERIFY2(ReadFileBytes(dir + "/SAT.ZCN") == sourceBytes, what);
        QVERIFY2(Busy == 0 && MYThread == nullptr, what);

        // Temporary files may stay only on the silent exception path, or where their own
        // deletion was the operation that failed.
        const bool silentRun = run.convertClicked && run.boxes.empty();
        const bool deleteFailed = call == IoCall::DeleteFile;
        if (!silentRun && !deleteFailed) {
          QVERIFY2(!Exists(dir + "/ser.tmp") && !Exists(dir + "/comp_ser.tmp"), what);
        }
        // A run always reports itself: with a box, or on the exception path by its log.
        if (run.convertClicked && !silentRun) QVERIFY2(!run.boxes.empty(), what);

        // Nothing is left locked: the same file opens and passes again.
        ScriptedSeam again;
        again.QueueOpenAnswer(dir + "/SAT.ZCN");
        Form1->OpenClick(nullptr);
        QVERIFY2(LogLines().back() == "You can proceed.", what);
      }
    }
    qInfo("%d faults injected over %d file operations", injected, calls);
  }
};

}  // namespace

QTEST_MAIN(FaultSweepTest)
#include "FaultSweepTest.moc"
