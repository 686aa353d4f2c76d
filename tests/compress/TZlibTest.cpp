// TZlib against zlib's own inflate: every stream it produces is inflated here, without
// the code under test, and compared with its source.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compress/TZlib.h"
#include "platform/Exceptions.h"
#include "platform/TMemoryStream.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Message = std::pair<std::string, int32_t>;

constexpr int32_t kBlock = TZlib::kBlockSize;
constexpr int32_t kFiveMiB = 5 * 1048576;

// Fixed-width service lines with varying fields: compressible as a real database is, so
// that a 2 MiB block of it leaves zlib far inside one output block and every main pass
// consumes its whole input block.
Bytes RecordText(int32_t size) {
  Bytes text;
  text.reserve(static_cast<size_t>(size) + 128);
  char line[128];
  for (uint32_t i = 0; text.size() < static_cast<size_t>(size); ++i) {
    const int n = std::snprintf(line, sizeof line, "%06u;Service %05u;ONID %04u;%08u kHz;%c;%05u\n",
                                i, (i * 7919u) % 100000u, (i / 40u) % 9000u,
                                10700000u + ((i / 12u) * 250u) % 2050000u, "HV"[(i / 12u) % 2u],
                                i % 3u == 0 ? 27500u : 22000u);
    text.insert(text.end(), line, line + n);
  }
  text.resize(static_cast<size_t>(size));
  return text;
}

struct Inflated {
  Bytes bytes;
  bool complete = false;  // the stream reached its end, trailer checked by zlib
};

Inflated Inflate(const Bytes& stream) {
  Inflated out;
  z_stream strm{};
  if (inflateInit(&strm) != Z_OK) return out;
  strm.next_in = const_cast<Bytef*>(stream.data());
  strm.avail_in = static_cast<uInt>(stream.size());
  Bytes chunk(65536);
  int rc = Z_OK;
  while (rc == Z_OK) {
    strm.next_out = chunk.data();
    strm.avail_out = static_cast<uInt>(chunk.size());
    rc = inflate(&strm, Z_NO_FLUSH);
    out.bytes.insert(out.bytes.end(), chunk.data(), strm.next_out);
  }
  out.complete = rc == Z_STREAM_END && strm.avail_in == 0;
  inflateEnd(&strm);
  return out;
}

bool StartsWithLevel9Header(const Bytes& stream) {
  return stream.size() >= 2 && stream[0] == 0x78 && stream[1] == 0xDA;
}

// Passes when stream is a whole level-9 zlib stream of exactly source, and nothing more.
testing::AssertionResult IsStreamOf(const Bytes& stream, const Bytes& source) {
  if (!StartsWithLevel9Header(stream)) return testing::AssertionFailure() << "no 78 DA header";
  const Inflated inflated = Inflate(stream);
  if (!inflated.complete) return testing::AssertionFailure() << "stream without its end";
  if (inflated.bytes != source)
    return testing::AssertionFailure() << "inflates to " << inflated.bytes.size()
                                       << " bytes unlike the source's " << source.size();
  return testing::AssertionSuccess();
}

// Passes when stream is the start of a level-9 stream of source that stops before its end.
testing::AssertionResult IsCutStreamOf(const Bytes& stream, const Bytes& source) {
  if (!StartsWithLevel9Header(stream)) return testing::AssertionFailure() << "no 78 DA header";
  const Inflated inflated = Inflate(stream);
  if (inflated.complete) return testing::AssertionFailure() << "stream is complete";
  if (inflated.bytes.size() > source.size() ||
      !std::equal(inflated.bytes.begin(), inflated.bytes.end(), source.begin()))
    return testing::AssertionFailure() << "inflates to something other than a prefix";
  return testing::AssertionSuccess();
}

void Load(platform::TMemoryStream& stream, const Bytes& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.Seek(0, platform::soFromBeginning);
}

// What one Compress reported through the events.
struct Reports {
  std::vector<int32_t> progress;
  std::vector<Message> messages;
};

void Record(TZlib& z, Reports& reports) {
  z.SetOnProgress([&z, &reports](TZlib* sender, int32_t percent) {
    EXPECT_EQ(sender, &z);
    reports.progress.push_back(percent);
  });
  z.SetOnMessage([&z, &reports](TZlib* sender, const std::string& text, int32_t code) {
    EXPECT_EQ(sender, &z);
    reports.messages.emplace_back(text, code);
  });
}

struct Outcome {
  int32_t result = 0;
  Reports reports;
  Bytes output;
  int64_t sourcePosition = 0;
};

// Compresses bytes from a memory stream into another, recording the events unless told not to.
Outcome CompressBytes(TZlib& z, const Bytes& bytes, int level = 9, bool record = true) {
  Outcome run;
  if (record) {
    Record(z, run.reports);
  } else {
    z.SetOnProgress(nullptr);
    z.SetOnMessage(nullptr);
  }
  platform::TMemoryStream source;
  platform::TMemoryStream dest;
  Load(source, bytes);
  run.result = z.Compress(&source, &dest, level);
  run.output = dest.Bytes();
  run.sourcePosition = source.Position();
  EXPECT_EQ(dest.Position(), dest.Size()) << "dest must stand at the end of the stream";
  z.SetOnProgress(nullptr);
  z.SetOnMessage(nullptr);
  return run;
}

const Message kSuccess{"Success", 0};
const Message kUserAbort{"User Abort", -7};

// ---------------------------------------------------------------------------------------
// Sources of different sizes: progress per main pass, the final report, the whole stream.

struct SizeCase {
  const char* name;
  int32_t size;
  std::vector<int32_t> progress;
  std::optional<Bytes> exactOutput;
};

class TZlibSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(TZlibSizeTest, CompressesWholeSourceAndReportsEachPass) {
  const SizeCase& c = GetParam();
  const Bytes source = RecordText(c.size);
  auto z = std::make_unique<TZlib>();

  const Outcome run = CompressBytes(*z, source);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.reports.progress, c.progress);
  EXPECT_EQ(run.reports.messages, std::vector<Message>{kSuccess});
  EXPECT_TRUE(IsStreamOf(run.output, source));
  EXPECT_EQ(run.sourcePosition, c.size);
  if (c.exactOutput) {
    EXPECT_EQ(run.output, *c.exactOutput);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TZlibSizeTest,
    testing::Values(
        // One finishing pass writes the empty stream: header, empty final block, Adler-32 1.
        SizeCase{"EmptySource", 0, {100}, Bytes{0x78, 0xDA, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}},
        SizeCase{"OneByte", 1, {100, 100}, std::nullopt},
        // The refill after a full block reads 0 bytes and ends the main phase.
        SizeCase{"ExactlyOneBlock", kBlock, {100, 100}, std::nullopt},
        SizeCase{"OneByteMoreThanABlock", kBlock + 1, {99, 100, 100}, std::nullopt},
        SizeCase{"FiveMiB", kFiveMiB, {40, 80, 100, 100}, std::nullopt}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------

TEST(TZlibPercentTest, SplitsAtTenMillionBytes) {
  struct Row {
    int32_t total, done, percent;
  };
  const Row rows[] = {
      {0, 0, 100},              // empty source
      {3, 1, 33},               // truncates
      {10000000, 5000000, 50},  // largest total taken exactly
      {10000001, 5000000, 50},  // scaled total: the exact quotient would be 49
      {5242880, 2097152, 40},   // two blocks of 5 MiB
      {2097153, 2097152, 99},   // one block of one byte more
  };
  for (const Row& row : rows) {
    EXPECT_EQ(TZlib::PercentOf(row.total, row.done), row.percent)
        << "total " << row.total << ", done " << row.done;
  }
}

TEST(TZlibTest, WithoutHandlersWritesSameBytesAndReturnsSameCodes) {
  const Bytes source = RecordText(kFiveMiB);
  for (const int level : {9, 10}) {
    SCOPED_TRACE("level " + std::to_string(level));
    auto z = std::make_unique<TZlib>();
    const Outcome recorded = CompressBytes(*z, source, level, true);
    const Outcome silent = CompressBytes(*z, source, level, false);
    EXPECT_EQ(silent.result, recorded.result);
    EXPECT_EQ(silent.output, recorded.output);
  }
}

TEST(TZlibTest, DerivedClassReplacesBothRaisers) {
  // Compress must raise through the virtual raisers, not call the handlers itself.
  struct Derived : TZlib {
    Reports seen;
    void DoProgress(int32_t percent) override { seen.progress.push_back(percent); }
    void DoMessage(const std::string& text, int32_t code) override {
      seen.messages.emplace_back(text, code);
    }
  };
  auto z = std::make_unique<Derived>();
  const Outcome run = CompressBytes(*z, RecordText(kBlock));

  EXPECT_TRUE(run.reports.progress.empty());
  EXPECT_TRUE(run.reports.messages.empty());
  EXPECT_EQ(z->seen.progress, (std::vector<int32_t>{100, 100}));
  EXPECT_EQ(z->seen.messages, std::vector<Message>{kSuccess});
}

TEST(TZlibTest, AbortRequestedBeforeCompressHasNoEffect) {
  const Bytes source = RecordText(kFiveMiB);
  auto z = std::make_unique<TZlib>();
  z->SetAbort(true);

  const Outcome run = CompressBytes(*z, source);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.reports.progress, (std::vector<int32_t>{40, 80, 100, 100}));
  EXPECT_EQ(run.reports.messages, std::vector<Message>{kSuccess});
  EXPECT_TRUE(IsStreamOf(run.output, source));
}

TEST(TZlibTest, LevelOutsideZlibsRangeIsZlibError) {
  // The object has compressed before, so a leftover input count would show in the report.
  auto z = std::make_unique<TZlib>();
  CompressBytes(*z, RecordText(kBlock));
  for (const int level : {-2, 10}) {
    SCOPED_TRACE("level " + std::to_string(level));
    const Outcome run = CompressBytes(*z, RecordText(kFiveMiB), level);
    EXPECT_EQ(run.result, Z_STREAM_ERROR);
    EXPECT_EQ(run.reports.progress, std::vector<int32_t>{0});
    EXPECT_EQ(run.reports.messages, (std::vector<Message>{{"Zlib Error", Z_STREAM_ERROR}}));
    EXPECT_TRUE(run.output.empty());
    EXPECT_EQ(run.sourcePosition, 0);
  }
}

// ---------------------------------------------------------------------------------------
// A destination that falls short raises out of Compress.

// A memory stream whose write number failingWrite (counted from 1) moves one byte too few.
class ShortWriteStream : public platform::TMemoryStream {
 public:
  explicit ShortWriteStream(int failingWrite) : failingWrite_(failingWrite) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const int32_t n = TMemoryStream::Write(buffer, count);
    return ++writes_ == failingWrite_ ? n - 1 : n;
  }

 private:
  int failingWrite_;
  int writes_ = 0;
};

TEST(TZlibTest, ShortWriteRaisesWithoutProgressOrOutcome) {
  struct Row {
    const char* name;
    int32_t size;
  };
  // The empty source writes once, in the finishing phase; 5 MiB first writes in the main
  // phase, before that pass's progress report.
  for (const Row& row : {Row{"finishing write", 0}, Row{"first main-phase write", kFiveMiB}}) {
    SCOPED_TRACE(row.name);
    auto z = std::make_unique<TZlib>();
    Reports reports;
    Record(*z, reports);
    platform::TMemoryStream source;
    Load(source, RecordText(row.size));
    ShortWriteStream dest(1);

    EXPECT_THROW(z->Compress(&source, &dest, 9), platform::EWriteError);
    EXPECT_TRUE(reports.progress.empty());
    EXPECT_TRUE(reports.messages.empty());
  }
}

// ---------------------------------------------------------------------------------------
// Aborts requested from the message pump: the pump runs the thread's Qt events.

// Posts SetAbort(true) to the thread's queue, to be run by the next pump inside Compress.
void PostAbort(TZlib* z) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [z] { z->SetAbort(true); }, Qt::QueuedConnection);
}

// The pump has a queue to drain only while an application object exists.
class TZlibPumpTest : public testing::Test {
 protected:
  int argc_ = 1;
  char name_[16] = "compress_tests";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication app_{argc_, argv_};
};

// A memory stream that posts an abort request while serving read number abortOnRead.
class AbortingSource : public platform::TMemoryStream {
 public:
  AbortingSource(TZlib* z, int abortOnRead) : z_(z), abortOnRead_(abortOnRead) {}
  int32_t Read(void* buffer, int32_t count) override {
    if (++reads_ == abortOnRead_) PostAbort(z_);
    return TMemoryStream::Read(buffer, count);
  }

 private:
  TZlib* z_;
  int abortOnRead_;
  int reads_ = 0;
};

struct AbortCase {
  const char* name;
  int abortOnRead;  // 0: posted before Compress starts
  std::vector<int32_t> progress;
  int64_t sourcePosition;
  bool completeStream;
};

class TZlibAbortTest : public TZlibPumpTest, public testing::WithParamInterface<AbortCase> {};

TEST_P(TZlibAbortTest, EndsWithUserAbort) {
  const AbortCase& c = GetParam();
  const Bytes bytes = RecordText(kFiveMiB);
  auto z = std::make_unique<TZlib>();
  Reports reports;
  Record(*z, reports);
  AbortingSource source(z.get(), c.abortOnRead);
  Load(source, bytes);
  platform::TMemoryStream dest;
  if (c.abortOnRead == 0) PostAbort(z.get());

  EXPECT_EQ(z->Compress(&source, &dest, 9), -7);
  EXPECT_EQ(reports.progress, c.progress);
  EXPECT_EQ(reports.messages, std::vector<Message>{kUserAbort});
  EXPECT_EQ(source.Position(), c.sourcePosition);
  if (c.completeStream) {
    EXPECT_TRUE(IsStreamOf(dest.Bytes(), bytes));
  } else {
    EXPECT_TRUE(IsCutStreamOf(dest.Bytes(), bytes));
  }
}

INSTANTIATE_TEST_SUITE_P(
    FromPump, TZlibAbortTest,
    testing::Values(
        // The first refill's pump sets the flag: that block is still read, compressed,
        // written and reported, then neither phase runs again.
        AbortCase{"InFirstRefill", 0, {40, 40}, kBlock, false},
        // The first flush's pump sets the flag, which also marks the last result: the pass
        // ends without its own report, only the final one follows.
        AbortCase{"InFirstFlush", 1, {40}, kBlock, false},
        // Posted by the read that finds the end: the one finishing pass writes the rest of
        // the stream, yet the outcome is still the abort.
        AbortCase{"InLastFinishingPass", 4, {40, 80, 100, 100}, kFiveMiB, true}),
    [](const testing::TestParamInfo<AbortCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// A second Compress on the same object, after a first that ended in each possible way.

struct SecondRunCase {
  const char* name;
  void (*firstRun)(TZlib& z);
};

class TZlibSecondRunTest : public TZlibPumpTest,
                           public testing::WithParamInterface<SecondRunCase> {};

TEST_P(TZlibSecondRunTest, YieldsCompleteIndependentStream) {
  auto z = std::make_unique<TZlib>();
  GetParam().firstRun(*z);

  const Bytes source = RecordText(kBlock);
  const Outcome run = CompressBytes(*z, source);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.reports.progress, (std::vector<int32_t>{100, 100}));
  EXPECT_EQ(run.reports.messages, std::vector<Message>{kSuccess});
  EXPECT_TRUE(IsStreamOf(run.output, source));
}

INSTANTIATE_TEST_SUITE_P(
    After, TZlibSecondRunTest,
    testing::Values(SecondRunCase{"Success",
                                  [](TZlib& z) {
                                    ASSERT_EQ(CompressBytes(z, RecordText(kFiveMiB)).result, 0);
                                  }},
                    // The flag stays set after the aborted call; the next one clears it.
                    SecondRunCase{"UserAbort",
                                  [](TZlib& z) {
                                    PostAbort(&z);
                                    ASSERT_EQ(CompressBytes(z, RecordText(kFiveMiB)).result, -7);
                                  }},
                    SecondRunCase{"FailedStart",
                                  [](TZlib& z) {
                                    ASSERT_EQ(CompressBytes(z, RecordText(kFiveMiB), 10).result,
                                              Z_STREAM_ERROR);
                                  }},
                    SecondRunCase{"ShortWrite",
                                  [](TZlib& z) {
                                    platform::TMemoryStream source;
                                    Load(source, RecordText(kFiveMiB));
                                    ShortWriteStream dest(1);
                                    EXPECT_THROW(z.Compress(&source, &dest, 9),
                                                 platform::EWriteError);
                                  }}),
    [](const testing::TestParamInfo<SecondRunCase>& info) { return std::string(info.param.name); });

}  // namespace
