#pragma once
// The abstract byte stream the compressor and the conversion work on.

#include <cstdint>

#include "platform/FileIo.h"

namespace platform {

class TStream {
 public:
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Returns the number of bytes read: 0 at the end of the data.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Returns the number of bytes written, which may fall short.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // origin is soFromBeginning, soFromCurrent or soFromEnd; returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  // Raise EReadError / EWriteError unless every byte moved.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);

  int64_t Position();
  // The size in bytes; the position is left where it was.
  virtual int64_t Size();

 protected:
  TStream() = default;
};

}  // namespace platform
