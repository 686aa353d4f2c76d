#pragma once
// TZlib: compresses what a source stream holds, from its position to its end, into a
// destination stream as one zlib stream, through two 2 MiB blocks held in the object.
//
// Compress returns, and reports through OnMessage:
//    0  "Success"     the destination holds the complete stream
//   -7  "User Abort"  SetAbort(true) was called while Compress ran
//   <0  "Zlib Error"  zlib's own code, such as Z_STREAM_ERROR for a level outside
//                     -1..9 or Z_MEM_ERROR when zlib cannot allocate its state
// Errors raised by the streams (a destination write that falls short) are not caught:
// they leave Compress as they came, with no final progress and no outcome.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/TStream.h"

struct z_stream_s;  // zlib's stream record; only TZlib.cpp includes zlib.h

class TZlib;

// Empty when no handler is set.
using TZlibProgressEvent = std::function<void(TZlib* sender, int32_t percent)>;
using TZlibMessageEvent = std::function<void(TZlib* sender, const std::string& text, int32_t code)>;

class TZlib {
 public:
  // The size of each of the two blocks: the source is read, and the destination written,
  // in pieces of at most this many bytes.
  static constexpr int32_t kBlockSize = 2097152;
  // What Compress returns, and reports, when it was told to stop.
  static constexpr int32_t kUserAbort = -7;

  TZlib();
  virtual ~TZlib();
  TZlib(const TZlib&) = delete;
  TZlib& operator=(const TZlib&) = delete;

  // Compresses source into dest at level (0..9, or -1 for zlib's default) and returns
  // 0, kUserAbort or zlib's error code. One Compress at a time per object: a handler must
  // not start another on the same object.
  int32_t Compress(platform::TStream* source, platform::TStream* dest, int level);

  // Asks the running Compress to stop at its next phase head. Compress clears the flag
  // when it starts, so a request made before the call has no effect.
  void SetAbort(bool value);

  const TZlibProgressEvent& OnProgress() const { return FOnProgress; }
  void SetOnProgress(TZlibProgressEvent handler) { FOnProgress = std::move(handler); }
  const TZlibMessageEvent& OnMessage() const { return FOnMessage; }
  void SetOnMessage(TZlibMessageEvent handler) { FOnMessage = std::move(handler); }

  // The percentage done of a source of total bytes once done bytes are consumed, in
  // 32-bit integers, unclamped; 100 for an empty source.
  static int32_t PercentOf(int32_t total, int32_t done);

 protected:
  // Call the handler, with this compressor as sender, when one is set.
  virtual void DoProgress(int32_t percent);
  virtual void DoMessage(const std::string& text, int32_t code);

 private:
  int32_t GetPercent() const;
  // Runs the message pump; refills the input block once zlib has consumed all of it.
  // Returns the input bytes zlib has still to consume: 0 once the source has run dry.
  int32_t FillInput();
  // Runs the message pump; writes what zlib produced since the last flush. Returns the
  // number of bytes written.
  int32_t FlushOutput();

  std::unique_ptr<z_stream_s> FZStream;
  platform::TStream* FSource = nullptr;  // not owned; set only while Compress runs
  platform::TStream* FDest = nullptr;    // not owned; set only while Compress runs
  int32_t FTotalSize = 0;
  // The latest deflate result, kUserAbort right after an abort request. Atomic, like
  // FAbort, because SetAbort writes it too.
  std::atomic<int32_t> FLastResult{0};
  uint8_t FInBuffer[kBlockSize];
  uint8_t FOutBuffer[kBlockSize];
  std::atomic<bool> FAbort{false};
  TZlibProgressEvent FOnProgress;
  TZlibMessageEvent FOnMessage;
};
