#include "compress/TZlib.h"

#include <zlib.h>

#include "platform/MessagePump.h"

namespace {

// Up to this size the product done * 100 fits a signed 32-bit integer; above it the
// total is scaled down first instead.
constexpr int32_t kExactPercentLimit = 10000000;

}  // namespace

TZlib::TZlib() : FZStream(std::make_unique<z_stream>()) {
  // Empty hooks: zlib allocates its state with its own allocator.
  FZStream->zalloc = Z_NULL;
  FZStream->zfree = Z_NULL;
  FZStream->opaque = Z_NULL;
}

// Every Compress has ended its deflate state on the way out, so only the record is left.
TZlib::~TZlib() = default;

int32_t TZlib::Compress(platform::TStream* source, platform::TStream* dest, int level) {
  z_stream* const strm = FZStream.get();

  // Set up: empty input block, whole output block free, no abort pending.
  FLastResult = Z_OK;
  strm->avail_in = 0;
  strm->avail_out = kBlockSize;
  strm->next_out = FOutBuffer;
  strm->total_in = 0;  // a start that fails reports 0 %, not the previous run's count
  SetAbort(false);
  FSource = source;
  FDest = dest;
  FTotalSize = static_cast<int32_t>(source->Size());

  // zlib's defaults at the caller's level: deflate method, a 32 KiB window with the zlib
  // header and Adler-32 trailer, memory level 8, default strategy. zlib checks only the
  // first character of the version text. A start that fails (bad level, no memory)
  // becomes the result, and neither phase runs.
  const int initResult =
      deflateInit_(strm, level, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
  if (initResult != Z_OK) FLastResult = initResult;

  try {
    // Main phase: a deflate pass per look at the input block, until the source runs dry.
    while (initResult == Z_OK && !FAbort) {
      if (FillInput() == 0) break;
      FLastResult = deflate(strm, Z_NO_FLUSH);
      FlushOutput();  // even after a failed deflate: what it produced is written
      if (FLastResult != Z_OK) break;
      DoProgress(GetPercent());
    }

    // Finishing phase: drain what zlib holds, then its final block and the trailer.
    while (initResult == Z_OK && !FAbort) {
      FLastResult = deflate(strm, Z_FINISH);
      if (FlushOutput() == 0) break;
      if (FLastResult != Z_OK) break;  // Z_STREAM_END at the normal end
    }

    DoProgress(GetPercent());
  } catch (...) {
    // A stream error goes to the caller unchanged, but without leaking zlib's state or
    // leaving references to the caller's streams behind.
    deflateEnd(strm);
    FSource = nullptr;
    FDest = nullptr;
    throw;
  }
  deflateEnd(strm);

  // Outcome.
  if (FAbort) {
    DoMessage("User Abort", kUserAbort);
  } else if (FLastResult != Z_OK && FLastResult != Z_STREAM_END) {
    DoMessage("Zlib Error", FLastResult);
  } else {
    DoMessage("Success", Z_OK);
    FLastResult = Z_OK;
  }

  FSource = nullptr;
  FDest = nullptr;
  return FAbort ? kUserAbort : FLastResult.load();
}

void TZlib::SetAbort(bool value) {
  if (FAbort.exchange(value) == value) return;
  if (value) FLastResult = kUserAbort;
}

int32_t TZlib::PercentOf(int32_t total, int32_t done) {
  if (total == 0) return 100;
  // The split belongs to the rule: above the limit the result may differ from the exact
  // quotient (10,000,001 bytes with 5,000,000 done give 50, not 49). The 64-bit product
  // only keeps a source that grew while it was read from overflowing.
  if (total <= kExactPercentLimit) return static_cast<int32_t>(int64_t{done} * 100 / total);
  return done / (total / 100);
}

int32_t TZlib::GetPercent() const {
  return PercentOf(FTotalSize, static_cast<int32_t>(FZStream->total_in));
}

int32_t TZlib::FillInput() {
  platform::ProcessThreadMessages();
  // Input zlib left over is worked off first; the block is refilled only once it is empty.
  if (FZStream->avail_in == 0) {
    FZStream->next_in = FInBuffer;
    const int32_t n = FSource->Read(FInBuffer, kBlockSize);
    FZStream->avail_in = n > 0 ? static_cast<uInt>(n) : 0;  // a failed read ends the input
  }
  return static_cast<int32_t>(FZStream->avail_in);
}

int32_t TZlib::FlushOutput() {
  platform::ProcessThreadMessages();
  const int32_t n = kBlockSize - static_cast<int32_t>(FZStream->avail_out);
  if (n != 0) {
    FDest->WriteBuffer(FOutBuffer, n);
    FZStream->next_out = FOutBuffer;
    FZStream->avail_out = kBlockSize;
  }
  return n;
}

void TZlib::DoProgress(int32_t percent) {
  if (FOnProgress) FOnProgress(this, percent);
}

void TZlib::DoMessage(const std::string& text, int32_t code) {
  if (FOnMessage) FOnMessage(this, text, code);
}
