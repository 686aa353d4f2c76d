// Feeds arbitrary bytes, as a channel file, through the real Open command and, when the
// check passes, through a real conversion, with the seam answering every box and the
// Open dialog. After each input it checks what must hold whatever the bytes were, and
// aborts when something does not:
//   - the source file is unchanged;
//   - Busy is back to 0 and no worker is left;
//   - Convert is enabled only while a source is held;
//   - a "Success" box comes with a whole target (right size, both CRCs and length fields,
//     the copied prefix, and a payload that inflates to the source's), and a target exists
//     only after one;
//   - a source that passed the check and holds its whole service payload is converted;
//   - a run that showed a box leaves neither temporary file behind.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "platform/Boxes.h"
#include "platform/TApplication.h"
#include "platform/TestSeam.h"

namespace {

// Longer inputs add nothing the check or the conversion treats differently.
constexpr size_t kMaxInput = 64 * 1024;

// Service record offsets: the A1.xx payload starts 76 bytes after its header, the A2.xx
// sub-header holds the record CRC at 68, the compressed size at 72, the version word at
// 76 and the carried word at 78, and its payload starts at 80.
constexpr size_t kA1Payload = 76;
constexpr size_t kA1Carried = 74;
constexpr size_t kA2RecordCrc = 68;
constexpr size_t kA2Size = 72;
constexpr size_t kA2Version = 76;
constexpr size_t kA2Carried = 78;
constexpr size_t kA2Payload = 80;

// The current directory of each run, where its temporary files land. Between runs the
// fuzzer's own directory is current again, as its relative paths need it.
std::string workDir;
int fuzzerDir = -1;
std::string sourcePath;
std::string targetPath;

// Stands in for the user: every box is answered with OK and kept for the checks, and the
// Open dialog always confirms the input's file. It keeps nothing from one run to the next,
// so a run that leaks shows as a leak.
class AnsweringSeam : public platform::TestSeam {
 public:
  std::vector<platform::BoxRequest> boxes;  // of this run; boxes are asked on the UI thread

  bool AnswerBox(const platform::BoxRequest& request, int& result) override {
    boxes.push_back(request);
    result = platform::IDOK;
    return true;
  }
  bool AnswerOpenDialog(const platform::OpenDialogRequest&,
                        std::optional<std::string>& chosen) override {
    chosen = sourcePath;
    return true;
  }
};

AnsweringSeam* seam = nullptr;

void ChangeDir(bool intoWorkDir) {
  if ((intoWorkDir ? ::chdir(workDir.c_str()) : ::fchdir(fuzzerDir)) != 0) {
    std::perror("changing the current directory");
    std::abort();
  }
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void WriteSource(const uint8_t* data, size_t size) {
  const int fd = ::open(sourcePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  for (size_t done = 0; ok && done < size;) {
    const ssize_t n = ::write(fd, data + done, size - done);
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (!ok) {
    std::perror("writing the input");
    std::abort();
  }
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         b[at + 3];
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
         (uint32_t{b[at + 3]} << 24);
}

uint32_t ZlibCrc(const std::vector<uint8_t>& b, size_t from) {
  return static_cast<uint32_t>(crc32(0, b.data() + from, static_cast<uInt>(b.size() - from)));
}

// Checked with zlib alone, against the source and the record offset the check found.
bool TargetIsWhole(const std::vector<uint8_t>& target, const std::vector<uint8_t>& source,
                   size_t r) {
  if (source.size() < r + kA1Payload || target.size() < r + kA2Payload) return false;
  const uint32_t compressed = Le32(target, r + kA2Size);
  if (target.size() != r + kA2Payload + compressed) return false;
  if (Be32(target, 16) != target.size() - 64 || Be32(target, 60) != ZlibCrc(target, 64)) {
    return false;
  }
  if (Le32(target, r + kA2RecordCrc) != ZlibCrc(target, r + kA2Size)) return false;
  if (!std::equal(source.begin() + 64, source.begin() + static_cast<ptrdiff_t>(r),
                  target.begin() + 64)) {
    return false;
  }
  if (target[r + kA2Version] != 0x00 || target[r + kA2Version + 1] != 0x03 ||
      target[r + kA2Carried] != source[r + kA1Carried] ||
      target[r + kA2Carried + 1] != source[r + kA1Carried + 1]) {
    return false;
  }
  const size_t payload = source.size() - (r + kA1Payload);
  std::vector<uint8_t> inflated(payload + 1);
  uLongf inflatedSize = static_cast<uLongf>(inflated.size());
  if (uncompress(inflated.data(), &inflatedSize, target.data() + r + kA2Payload, compressed) !=
      Z_OK) {
    return false;
  }
  return inflatedSize == payload &&
         std::equal(inflated.begin(), inflated.begin() + static_cast<ptrdiff_t>(payload),
                    source.begin() + static_cast<ptrdiff_t>(r + kA1Payload));
}

// At the end of the session, or when an invariant breaks, the work directory goes. Qt
// may already be shut down by then, so only plain file calls are made.
void RemoveWorkDir() {
  for (const std::string& path :
       {sourcePath, targetPath, workDir + "/ser.tmp", workDir + "/comp_ser.tmp"}) {
    ::unlink(path.c_str());
  }
  ::rmdir(workDir.c_str());
}

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "\n*** broken after this input: %s\n", what);
  for (const platform::BoxRequest& box : seam->boxes) {
    std::fprintf(stderr, "    box [%s] %s\n", box.caption.c_str(), box.text.c_str());
  }
  for (const std::string& line : Form1->Memo1->Lines->All()) {
    std::fprintf(stderr, "    log %s\n", line.c_str());
  }
  RemoveWorkDir();
  std::abort();
}

// The worker's lines, boxes and end all reach the UI thread as posted events, so waiting
// for events is enough; the QThread objects remove themselves by deferred deletion.
void WaitForRunToEnd() {
  while (Busy != 0 || MYThread != nullptr) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void CheckRun(const std::vector<uint8_t>& source, bool passed) {
  if (ReadFileBytes(sourcePath) != source) Broken("the source file changed");
  if (Busy != 0 || MYThread != nullptr) Broken("a run is still marked as going on");
  if (Form1->Convert->Enabled() && !Conversion.SourceHeld()) {
    Broken("Convert is enabled without a held source");
  }

  const std::vector<platform::BoxRequest>& boxes = seam->boxes;
  const bool success = std::any_of(boxes.begin(), boxes.end(),
                                   [](const auto& box) { return box.caption == "Success"; });
  const auto r = static_cast<size_t>(Conversion.RecordOffset);
  if (success) {
    if (!TargetIsWhole(ReadFileBytes(targetPath), source, r)) {
      Broken("a success was reported for a target that is not whole");
    }
  } else if (Exists(targetPath)) {
    Broken("a target exists without a success");
  }
  if (passed && source.size() >= r + kA1Payload && !success) {
    Broken("a source that holds its whole payload was not converted");
  }
  if (!boxes.empty() && (Exists(workDir + "/ser.tmp") || Exists(workDir + "/comp_ser.tmp"))) {
    Broken("a run that showed a box left a temporary file");
  }
}

// Leaves nothing of this run for the next one but what the program itself holds.
void Tidy() {
  ::unlink(targetPath.c_str());
  ::unlink((workDir + "/ser.tmp").c_str());
  ::unlink((workDir + "/comp_ser.tmp").c_str());
  while (Form1->Memo1->Lines->Count() > 0) Form1->Memo1->Lines->Delete(0);
  seam->boxes.clear();
}

}  // namespace

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

// Almost every mutation of the body spoils its CRC, and the check stops there. Half of
// the mutated inputs get a matching CRC again, so that the search for the service record,
// the version test and the conversion behind them see varied files too. The input stays
// the file itself: a saved input replays as it is.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if ((seed & 1) != 0 && size >= 64) {
    const auto crc = static_cast<uint32_t>(crc32(0, data + 64, static_cast<uInt>(size - 64)));
    for (int i = 0; i < 4; ++i) data[60 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  }
  return size;
}

// Fontconfig keeps memory it no longer points to once the first text is laid out; that is
// the font library's, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

// A leak check runs whenever an input ends with more allocations than it began with; the
// list of suppressions it used would otherwise follow every one of them.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The window is real but never needs a screen.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  // A directory in memory where there is one: every conversion flushes its target.
  std::string base = "/dev/shm";
  if (::access(base.c_str(), W_OK) != 0) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string pattern = base + "/zcn-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("making the fuzzer's work directory");
    std::abort();
  }
  workDir = pattern;
  sourcePath = workDir + "/SAT.ZCN";
  targetPath = workDir + "/A2_xx_SAT.ZCN";
  fuzzerDir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fuzzerDir < 0) {
    std::perror("opening the current directory");
    std::abort();
  }
  std::atexit(RemoveWorkDir);

  // The GUI is made here and never torn down: the process ends with it still up. Torn
  // down among the static objects at exit, it would need parts of Qt already gone.
  new QApplication(*argc, *argv);
  seam = new AnsweringSeam;
  platform::InstallTestSeam(seam);
  platform::Application->Initialize();
  platform::Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
  platform::Application->CreateForm(&Form1);
  Form1->show();
  QCoreApplication::processEvents();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::vector<uint8_t> source(data, data + size);
  WriteSource(data, size);
  ChangeDir(true);

  Form1->Open->click();
  const bool passed = Form1->Convert->Enabled();
  if (passed) {
    Form1->Convert->click();
    WaitForRunToEnd();
  }

  CheckRun(source, passed);
  Tidy();
  ChangeDir(false);
  return 0;
}
