#include "platform/TStream.h"

#include "platform/Exceptions.h"

namespace platform {

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::Position() { return Seek(0, soFromCurrent); }

int64_t TStream::Size() {
  const int64_t position = Seek(0, soFromCurrent);
  const int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

}  // namespace platform
