#pragma once
// A stream over a growable buffer in memory.

#include <cstdint>
#include <vector>

#include "platform/TStream.h"

namespace platform {

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;

  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

}  // namespace platform
