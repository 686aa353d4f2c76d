#include "platform/TFileStream.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/TestSeam.h"

namespace platform {

namespace {

// The count a stream transfer may move once the seam has had its say; -1 fails it.
int32_t AllowedStreamCount(IoCall call, int32_t count) {
  TestSeam* seam = InstalledTestSeam();
  const IoVerdict verdict = seam ? seam->OnIo(call, count) : IoVerdict{};
  if (verdict.kind == IoVerdict::Fail) return -1;
  if (verdict.kind == IoVerdict::Short) return std::max<int32_t>(0, count - verdict.shortBy);
  return count;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, int mode) : fileName_(fileName) {
  handle_ = detail::OpenUnshared(fileName, mode, IoCall::StreamCreate);
  if (handle_ < 0) {
    if (mode == fmCreate) throw EFCreateError("Cannot create file \"" + fileName + "\"");
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  }
}

TFileStream::~TFileStream() {
  FileClose(handle_);
}

// The stream calls below report to the seam as stream operations; the handle functions
// they are built on are reached through the descriptor directly, so that one stream call
// counts as one operation.
int32_t TFileStream::Read(void* buffer, int32_t count) {
  const int32_t allowed = AllowedStreamCount(IoCall::StreamRead, count);
  if (allowed <= 0) return 0;
  const int32_t n = detail::ReadAll(handle_, buffer, allowed);
  return n < 0 ? 0 : n;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  const int32_t allowed = AllowedStreamCount(IoCall::StreamWrite, count);
  if (allowed <= 0) return 0;
  const int32_t n = detail::WriteAll(handle_, buffer, allowed);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  if (AllowedStreamCount(IoCall::StreamSeek, 0) < 0) return -1;
  return detail::SeekTo(handle_, offset, origin);
}

}  // namespace platform

namespace platform {

int64_t TFileStream::Size() {
  struct stat st {};
  return ::fstat(handle_, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

}  // namespace platform
