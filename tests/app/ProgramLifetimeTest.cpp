// Runs the program's own start and end, the way its entry does. The process must end
// normally with exit code 0: the window and the GUI were once torn down among the exit
// handlers, after parts of Qt, and the program crashed on its way out.
//
// Without arguments the window is closed as soon as the loop runs. With
// --close-during-conversion a conversion is started and the window closed while the
// compressor works: the close is held, carried out when the run has ended, and the program
// then ends at once, while its worker thread is only just leaving. The target must be
// whole, the source unchanged and no temporary file left.

#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "platform/TApplication.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"
#include "tests/support/ChannelFixture.h"

using platform::Application;

namespace {

int Fail(const char* why) {
  std::fprintf(stderr, "%s\n", why);
  return 1;
}

int CloseDuringConversion() {
  QTemporaryDir temp;
  if (!temp.isValid()) return Fail("no scratch directory");
  const std::string dir = temp.path().toStdString();
  const ScopedCurrentDir inDir(dir);
  const std::string source = dir + "/SAT.ZCN";
  const std::vector<uint8_t> bytes =
      fixture::ChannelFixture().Payload(fixture::ServicePayload(3 << 20, 5)).WriteFile(source);

  bool held = false;
  {
    ScriptedSeam seam;
    seam.QueueOpenAnswer(source);
    // The compressor's first read of ser.tmp: the window is closed then, and the worker
    // goes on only once the close has been asked for.
    std::atomic<bool> asked{false};
    seam.SetIoRule([&](platform::IoCall call, int64_t, int) {
      if (call == platform::IoCall::StreamRead && !asked.exchange(true)) {
        QMetaObject::invokeMethod(
            Form1,
            [&held] {
              Form1->close();
              held = Form1->CloseHeld();
            },
            Qt::BlockingQueuedConnection);
      }
      return platform::IoVerdict{};
    });
    QTimer::singleShot(0, Form1, [] {
      Form1->OpenClick(nullptr);
      Form1->ConvertClick(nullptr);
    });
    Application->Run();
    bool succeeded = false;
    for (const ScriptedSeam::Box& box : seam.Boxes()) succeeded |= box.caption == "Success";
    if (!succeeded) return Fail("no Success box");
  }

  if (!held) return Fail("the close was not held for the run");
  if (ReadFileBytes(source) != bytes) return Fail("the source changed");
  const std::vector<uint8_t> target = ReadFileBytes(dir + "/A2_xx_SAT.ZCN");
  if (target.size() < 80 || fixture::ZlibCrc32(target, 64) != fixture::Be32(target, 60)) {
    return Fail("the target is not whole");
  }
  if (std::filesystem::exists("ser.tmp") || std::filesystem::exists("comp_ser.tmp")) {
    return Fail("a temporary file was left");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Application->Initialize();
  Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
  Application->CreateForm(&Form1);
  if (argc > 1 && std::string(argv[1]) == "--close-during-conversion") {
    return CloseDuringConversion();
  }
  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  Application->Run();
  return 0;
}
