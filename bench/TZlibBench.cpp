// TZlib::Compress from one file stream into another, against zlib's compress2 in memory,
// on the same bytes at the same level. The ratio of the two times is what the blocks, the
// message pump and the file streams add to zlib's own work.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/ServiceDataGenerator.h"
#include "compress/TZlib.h"
#include "platform/TFileStream.h"

namespace {

constexpr int kLevel = 9;  // the level the conversion uses
constexpr int64_t kMiB = 1048576;

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// A fresh directory under the system's temporary directory, removed with its files.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zcn-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Ok() const { return !path_.empty(); }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Each iteration runs both compressions back to back, so that they share the machine's
// load; the iteration time is TZlib's, compress2's is a counter beside it.
void BM_TZlibFileToFileVsCompress2(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> data = GenerateServiceData(size);
  TempDir dir;
  if (!dir.Ok()) {
    state.SkipWithError("cannot create a temporary directory");
    return;
  }
  const std::string sourceName = dir.File("ser.tmp");
  const std::string destName = dir.File("comp_ser.tmp");
  {
    platform::TFileStream out(sourceName, platform::fmCreate);
    out.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  }
  platform::TFileStream source(sourceName, platform::fmOpenRead);
  auto z = std::make_unique<TZlib>();
  std::vector<uint8_t> memoryDest(compressBound(static_cast<uLong>(size)));

  double tzlibSeconds = 0;
  double compress2Seconds = 0;
  int64_t tzlibBytes = 0;
  uLongf compress2Bytes = 0;
  bool tzlibFirst = true;
  for (auto _ : state) {
    source.Seek(0, platform::soFromBeginning);
    platform::TFileStream dest(destName, platform::fmCreate);

    // Which of the two runs first alternates, so that neither always finds the caches
    // warmed by the other.
    int32_t result = 0;
    int rc = Z_OK;
    double tzlibRun = 0;
    double compress2Run = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const Clock::time_point start = Clock::now();
      if ((turn == 0) == tzlibFirst) {
        result = z->Compress(&source, &dest, kLevel);
        tzlibRun = SecondsBetween(start, Clock::now());
      } else {
        compress2Bytes = static_cast<uLongf>(memoryDest.size());
        rc = compress2(memoryDest.data(), &compress2Bytes, data.data(), static_cast<uLong>(size),
                       kLevel);
        compress2Run = SecondsBetween(start, Clock::now());
      }
    }

    tzlibFirst = !tzlibFirst;
    if (result != 0 || rc != Z_OK) {
      state.SkipWithError("a compression failed");
      break;
    }
    tzlibBytes = dest.Size();
    benchmark::DoNotOptimize(memoryDest.data());
    tzlibSeconds += tzlibRun;
    compress2Seconds += compress2Run;
    state.SetIterationTime(tzlibRun);
  }
  if (state.iterations() == 0 || compress2Seconds == 0) return;

  const auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
  state.counters["TZlib_ms"] = 1000 * tzlibSeconds / iterations;
  state.counters["compress2_ms"] = 1000 * compress2Seconds / iterations;
  state.counters["ratio"] = tzlibSeconds / compress2Seconds;  // target: at most 1.03
  state.counters["in/out"] = static_cast<double>(size) / static_cast<double>(tzlibBytes);
  // Both drive deflate with the same parameters, so the sizes should match.
  state.counters["size_diff"] =
      static_cast<double>(tzlibBytes) - static_cast<double>(compress2Bytes);
}

// Few fixed iterations: a level-9 pass over 64 MiB takes seconds.
BENCHMARK(BM_TZlibFileToFileVsCompress2)
    ->ArgName("bytes")
    ->Arg(5 * kMiB)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TZlibFileToFileVsCompress2)
    ->ArgName("bytes")
    ->Arg(64 * kMiB)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
