// A whole conversion, driven headless through the real main window from Open to the
// "Success" box, against zlib's compress2 at the same level on the same payload in memory.
// Beside the time it measures how long the UI thread went without serving a 5 ms timer
// during the run, and how far the resident memory rose above the idle program.
//
// The peak resident size (VmHWM) only ever grows over a process's life, and the other
// benchmarks of this program allocate tens of MiB, so every conversion runs in a fresh
// process: this program started again with only the child benchmark below registered,
// which writes its figures to a file for the parent to read.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "bench/ServiceDataGenerator.h"
#include "channel/ChannelFormat.h"
#include "convert/Unit2.h"
#include "platform/Boxes.h"
#include "platform/TApplication.h"
#include "platform/TestSeam.h"

extern char** environ;

namespace {

constexpr int kLevel = 9;  // the level the conversion uses
constexpr int64_t kMiB = 1048576;
constexpr int kTickMs = 5;
// A tick this late counts against the UI thread's responsiveness.
constexpr double kLateTickSeconds = 0.020;
constexpr int kRunTimeoutMs = 10 * 60 * 1000;
constexpr int32_t kFirstRecordSize = 300;

// Set for the child process: the source to convert, and where its figures go.
constexpr const char* kSourceVariable = "ZCN_BENCH_CONVERSION_SOURCE";
constexpr const char* kReportVariable = "ZCN_BENCH_CONVERSION_REPORT";
constexpr const char* kChildName = "WholeConversionInFreshProcess";

using Clock = std::chrono::steady_clock;
// What one conversion measured; failure says why it did not end with its "Success" box.
struct Figures {
  std::map<std::string, double> values;
  std::string failure;
};

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void PutBigEndian32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A valid A1.xx file around the payload: file header, a first record of
// kFirstRecordSize bytes, the service record header and its version and carried words.
std::vector<uint8_t> A1File(const std::vector<uint8_t>& payload) {
  using namespace channel;
  const size_t r = kHeaderSize + kFirstRecordSize;
  std::vector<uint8_t> file(r + kA1PayloadOffset + payload.size(), 0);
  std::copy(kMagic.begin(), kMagic.end(), file.begin());
  std::copy(kType.begin(), kType.end(), file.begin() + kTypeOffset);
  std::copy(kMagic.begin(), kMagic.end(), file.begin() + kHeaderSize);
  std::copy(kMagic.begin(), kMagic.end(), file.begin() + static_cast<long>(r));
  std::copy(kVersionA1.begin(), kVersionA1.end(),
            file.begin() + static_cast<long>(r) + kA1VersionOffset);
  file[r + kA1CarriedOffset] = 0x12;
  file[r + kA1CarriedOffset + 1] = 0x34;
  std::copy(payload.begin(), payload.end(), file.begin() + static_cast<long>(r) + kA1PayloadOffset);
  const auto bodyLength = static_cast<uint32_t>(file.size() - kHeaderSize);
  PutBigEndian32(file.data() + kLengthOffset, bodyLength);
  PutBigEndian32(file.data() + kCrcOffset, Crc32(0, file.data() + kHeaderSize, bodyLength));
  return file;
}

// A size field of /proc/self/status (VmRSS, VmHWM), in KiB.
double StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, key.size(), key) == 0)
      return std::strtod(line.c_str() + key.size(), nullptr);
  }
  return -1;
}

// ---- The child: one conversion in a fresh process ----

// Stands in for the user: confirms the source in the Open dialog, answers every box with
// OK and notes when the "Success" box came.
class BenchSeam : public platform::TestSeam {
 public:
  explicit BenchSeam(std::string source) : source_(std::move(source)) {}

  bool AnswerBox(const platform::BoxRequest& request, int& result) override {
    if (request.caption == "Success" && !success_) success_ = Clock::now();
    if (request.caption != "Success") unexpectedBox_ = request.caption + ": " + request.text;
    result = platform::IDOK;
    return true;
  }
  bool AnswerOpenDialog(const platform::OpenDialogRequest&,
                        std::optional<std::string>& chosen) override {
    chosen = source_;
    return true;
  }

  std::optional<Clock::time_point> success_;
  std::string unexpectedBox_;

 private:
  std::string source_;
};

Figures ConvertOnce(const std::string& source) {
  Figures figures;
  // The headless platform is the bench's own choice; the program reads no environment.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  platform::Application->Initialize();
  platform::Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
  platform::Application->CreateForm(&Form1);
  Form1->show();
  QCoreApplication::processEvents();

  BenchSeam seam(source);
  platform::InstallTestSeam(&seam);
  figures.values["idle_rss_kib"] = StatusKiB("VmRSS");
  figures.values["idle_hwm_kib"] = StatusKiB("VmHWM");

  QEventLoop loop;
  Clock::time_point lastTick;
  double longestGap = 0;
  int lateTicks = 0;
  QTimer ticks;
  ticks.setTimerType(Qt::PreciseTimer);
  ticks.setInterval(kTickMs);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    if (!seam.success_) {
      const double gap = SecondsBetween(lastTick, now);
      longestGap = std::max(longestGap, gap);
      if (gap >= kLateTickSeconds) ++lateTicks;
    }
    lastTick = now;
    if (seam.success_ && Busy == 0 && MYThread == nullptr) loop.quit();
  });
  QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);

  const Clock::time_point start = Clock::now();
  Form1->OpenClick(nullptr);
  figures.values["open_s"] = SecondsBetween(start, Clock::now());
  Form1->ConvertClick(nullptr);
  lastTick = Clock::now();
  ticks.start();
  loop.exec();
  ticks.stop();

  figures.values["peak_hwm_kib"] = StatusKiB("VmHWM");
  platform::InstallTestSeam(nullptr);
  if (!seam.success_) figures.failure = "no Success box within the time allowed";
  if (!seam.unexpectedBox_.empty()) figures.failure = "a box: " + seam.unexpectedBox_;
  if (seam.success_) figures.values["conversion_s"] = SecondsBetween(start, *seam.success_);
  figures.values["longest_gap_ms"] = 1000 * longestGap;
  figures.values["late_ticks"] = lateTicks;

  // zlib alone on the same payload, held in memory.
  std::ifstream in(source, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t payloadStart = channel::kHeaderSize + kFirstRecordSize + channel::kA1PayloadOffset;
  const auto payloadSize = static_cast<uLong>(file.size() - payloadStart);
  std::vector<uint8_t> out(compressBound(payloadSize));
  uLongf outSize = static_cast<uLongf>(out.size());
  const Clock::time_point zlibStart = Clock::now();
  const int rc = compress2(out.data(), &outSize, file.data() + payloadStart, payloadSize, kLevel);
  figures.values["compress2_s"] = SecondsBetween(zlibStart, Clock::now());
  if (rc != Z_OK) figures.failure = "compress2 failed";
  figures.values["source_bytes"] = static_cast<double>(file.size());

  // The process ends as the program does: the window is closed, the loop returns and
  // the GUI is taken down.
  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  platform::Application->Run();
  return figures;
}

void BM_WholeConversionChild(benchmark::State& state) {
  const char* source = std::getenv(kSourceVariable);
  const char* report = std::getenv(kReportVariable);
  for (auto _ : state) {
    // The temporary files of the run go beside the source.
    const std::string dir = std::filesystem::path(source).parent_path().string();
    if (chdir(dir.c_str()) != 0) break;
    const Figures figures = ConvertOnce(source);
    std::ofstream out(report);
    out.precision(9);
    for (const auto& [name, value] : figures.values) out << name << ' ' << value << '\n';
    if (!figures.failure.empty()) out << "failure " << figures.failure << '\n';
  }
}

// Registered only in the child, which is started with a filter that selects it alone.
[[maybe_unused]] const bool kChildRegistered =
    std::getenv(kSourceVariable) != nullptr &&
    benchmark::RegisterBenchmark(kChildName, BM_WholeConversionChild)->Iterations(1) != nullptr;

// ---- The parent: starts a child per iteration and reports its figures ----

// One conversion in a fresh process of this program; its figures, or why there are none.
Figures RunChild(const std::string& source, const std::string& report) {
  std::filesystem::remove(report);
  const std::string filter = std::string("--benchmark_filter=^") + kChildName + "/";
  char program[] = "zcn-bench";
  std::vector<char*> argv = {program, const_cast<char*>(filter.c_str()), nullptr};

  // The child's own report and Qt's notes would only clutter this program's output.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  setenv(kSourceVariable, source.c_str(), 1);
  setenv(kReportVariable, report.c_str(), 1);
  pid_t child = -1;
  const int spawned =
      posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
  unsetenv(kSourceVariable);
  unsetenv(kReportVariable);
  posix_spawn_file_actions_destroy(&actions);

  Figures figures;
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child) {
    figures.failure = "the child process could not be started";
    return figures;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    figures.failure = "the child process ended abnormally";
    return figures;
  }
  std::ifstream in(report);
  std::string name;
  while (in >> name) {
    if (name == "failure") {
      std::getline(in >> std::ws, figures.failure);
    } else {
      in >> figures.values[name];
    }
  }
  if (figures.failure.empty() && figures.values.count("conversion_s") == 0) {
    figures.failure = "the child reported no conversion time";
  }
  return figures;
}

// Each iteration is one conversion in a fresh process; the iteration time is the
// conversion's, from Open to the "Success" box.
void BM_WholeConversionVsCompress2(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  std::string dir = (std::filesystem::temp_directory_path() / "zcn-bench-conv-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) {
    state.SkipWithError("cannot create a temporary directory");
    return;
  }
  const std::string source = dir + "/SAT.ZCN";
  const std::string report = dir + "/figures.txt";
  {
    const std::vector<uint8_t> file = A1File(GenerateServiceData(size));
    std::ofstream(source, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
  }

  double conversionSeconds = 0;
  double compress2Seconds = 0;
  double openSeconds = 0;
  double lateTicks = 0;
  double longestGap = 0;
  double peakAboveIdle = 0;
  double sourceBytes = 0;
  for (auto _ : state) {
    Figures run = RunChild(source, report);
    if (!run.failure.empty()) {
      state.SkipWithError(("the conversion failed: " + run.failure).c_str());
      break;
    }
    std::map<std::string, double>& f = run.values;
    state.SetIterationTime(f["conversion_s"]);
    conversionSeconds += f["conversion_s"];
    compress2Seconds += f["compress2_s"];
    openSeconds += f["open_s"];
    lateTicks += f["late_ticks"];
    longestGap = std::max(longestGap, f["longest_gap_ms"]);
    peakAboveIdle = std::max(peakAboveIdle, f["peak_hwm_kib"] - f["idle_hwm_kib"]);
    sourceBytes = f["source_bytes"];
  }
  std::filesystem::remove_all(dir);
  if (state.error_occurred() || compress2Seconds == 0) return;

  const double sourceMiB = sourceBytes / kMiB;
  state.counters["conversion_ms"] =
      1000 * conversionSeconds / static_cast<double>(state.iterations());
  state.counters["compress2_ms"] =
      1000 * compress2Seconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = conversionSeconds / compress2Seconds;  // target: at most 1.05
  // Of the conversion time, the check of the source on the UI thread; the rest, from
  // Convert to the box, against compress2 alone.
  state.counters["open_ms"] = 1000 * openSeconds / static_cast<double>(state.iterations());
  state.counters["ratio_from_convert"] = (conversionSeconds - openSeconds) / compress2Seconds;
  state.counters["max_tick_gap_ms"] = longestGap;  // target: under 20
  // How many ticks were that late, over all runs: one stall, or a busy machine.
  state.counters["late_ticks"] = lateTicks;
  state.counters["source_MiB"] = sourceMiB;
  state.counters["peak_above_idle_MiB"] = peakAboveIdle / 1024;
  state.counters["peak_budget_MiB"] = sourceMiB + 16;  // target: peak_above_idle at most this
}

BENCHMARK(BM_WholeConversionVsCompress2)
    ->ArgName("bytes")
    ->Arg(5 * kMiB)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeConversionVsCompress2)
    ->ArgName("bytes")
    ->Arg(64 * kMiB)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
