#include "platform/TestSeam.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<TestSeam*> installedSeam{nullptr};
}

const char* IoCallName(IoCall call) {
  switch (call) {
    case IoCall::FileOpen: return "FileOpen";
    case IoCall::FileCreate: return "FileCreate";
    case IoCall::FileRead: return "FileRead";
    case IoCall::FileWrite: return "FileWrite";
    case IoCall::FileSeek: return "FileSeek";
    case IoCall::FileFlush: return "FileFlush";
    case IoCall::DeleteFile: return "DeleteFile";
    case IoCall::StreamCreate: return "StreamCreate";
    case IoCall::StreamRead: return "StreamRead";
    case IoCall::StreamWrite: return "StreamWrite";
    case IoCall::StreamSeek: return "StreamSeek";
  }
  return "?";
}

bool TestSeam::AnswerBox(const BoxRequest&, int&) { return false; }
bool TestSeam::AnswerOpenDialog(const OpenDialogRequest&, std::optional<std::string>&) {
  return false;
}
IoVerdict TestSeam::OnIo(IoCall, int64_t) { return {}; }
bool TestSeam::FailThreadStart() { return false; }
bool TestSeam::InterceptShellOpen(const std::string&) { return false; }

void InstallTestSeam(TestSeam* seam) { installedSeam.store(seam); }
TestSeam* InstalledTestSeam() { return installedSeam.load(); }

}  // namespace platform
