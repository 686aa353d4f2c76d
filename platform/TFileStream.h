#pragma once
// A stream over a file, opened unshared by the rules of the handle functions.

#include <string>

#include "platform/TStream.h"

namespace platform {

class TFileStream : public TStream {
 public:
  // mode: fmCreate (create or empty, read and write) or fmOpenRead/Write/ReadWrite.
  // Raises EFCreateError / EFOpenError when the file cannot be had.
  TFileStream(const std::string& fileName, int mode);
  ~TFileStream() override;  // closes the file

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  // Taken from the file itself, so the position is never moved to find it.
  int64_t Size() override;

  const std::string& FileName() const { return fileName_; }
  THandle Handle() const { return handle_; }

 private:
  std::string fileName_;
  THandle handle_ = -1;
};

}  // namespace platform
