#include "platform/TMemoryStream.h"

#include <algorithm>
#include <cstring>

namespace platform {

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t available = static_cast<int64_t>(bytes_.size()) - position_;
  const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(available, 0, std::max(count, 0)));
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  int64_t base = 0;
  if (origin == soFromCurrent) base = position_;
  if (origin == soFromEnd) base = static_cast<int64_t>(bytes_.size());
  const int64_t target = base + offset;
  if (target < 0) return -1;
  position_ = target;
  return position_;
}

}  // namespace platform
