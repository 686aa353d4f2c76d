#include "support/ChannelFixture.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace fixture {
namespace {

constexpr std::size_t kHeader = 64;
constexpr uint8_t kMagic[5] = {'P', 'L', 'O', 'V', 'A'};
// Stands in the bytes that a source's headers carry but the converter never reads, so a
// test can see that none of them reaches the target.
constexpr uint8_t kUnread = 0xA5;

void PutBigEndian(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

// A 64-byte header: the 14-character name, the length and CRC fields, a type of three
// letters and a zero byte, six FF at 48, and kUnread wherever nothing is read.
std::vector<uint8_t> Header(const char* name, const char* type, uint32_t length, uint32_t crc) {
  std::vector<uint8_t> header(kHeader, kUnread);
  std::memcpy(header.data(), name, 14);
  PutBigEndian(&header[16], length);
  std::memcpy(&header[32], type, 4);  // with its terminating zero
  std::fill(header.begin() + 48, header.begin() + 54, uint8_t{0xFF});
  PutBigEndian(&header[60], crc);
  return header;
}

// A small linear congruential generator: the same bytes for the same seed on every run.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

}  // namespace

ChannelFixture::ChannelFixture()
    : first_record_(Record(300)),
      payload_(ServicePayload(4096)),
      carried_{0x12, 0x34},
      version_{0x00, 0x02} {}

ChannelFixture& ChannelFixture::FirstRecord(std::vector<uint8_t> bytes) {
  first_record_ = std::move(bytes);
  return *this;
}

ChannelFixture& ChannelFixture::Payload(std::vector<uint8_t> bytes) {
  payload_ = std::move(bytes);
  return *this;
}

ChannelFixture& ChannelFixture::CarriedWord(uint8_t first, uint8_t second) {
  carried_ = {first, second};
  return *this;
}

ChannelFixture& ChannelFixture::Version(uint8_t first, uint8_t second) {
  version_ = {first, second};
  return *this;
}

ChannelFixture& ChannelFixture::MagicInFirstRecord(std::size_t at) {
  return Patch(kHeader + at, std::vector<uint8_t>(std::begin(kMagic), std::end(kMagic)));
}

ChannelFixture& ChannelFixture::DropServiceMagic() {
  service_magic_ = false;
  return *this;
}

ChannelFixture& ChannelFixture::Patch(std::size_t offset, std::vector<uint8_t> bytes) {
  patches_.emplace_back(offset, std::move(bytes));
  return *this;
}

ChannelFixture& ChannelFixture::Corrupt(std::size_t offset) {
  corruptions_.push_back(offset);
  return *this;
}

ChannelFixture& ChannelFixture::Truncate(std::size_t size) {
  size_ = size;
  return *this;
}

std::vector<uint8_t> ChannelFixture::Build() const {
  std::vector<uint8_t> file = Header("PLOVA_CHANFILE", "SER", 0, 0);
  file.insert(file.end(), first_record_.begin(), first_record_.end());

  const auto after_header = static_cast<uint32_t>(12 + payload_.size());
  std::vector<uint8_t> service = Header("PLOVA_SERVICES", "SER", after_header, 0xDEADBEEF);
  if (!service_magic_) service[0] = 'X';
  service.insert(service.end(), 8, uint8_t{0xC3});
  service.insert(service.end(), version_.begin(), version_.end());
  service.insert(service.end(), carried_.begin(), carried_.end());
  file.insert(file.end(), service.begin(), service.end());
  file.insert(file.end(), payload_.begin(), payload_.end());

  for (const auto& [offset, bytes] : patches_) {
    if (offset + bytes.size() > file.size()) throw std::out_of_range("Patch beyond the file");
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  Seal(file);
  if (size_ < file.size()) {
    file.resize(size_);
    if (file.size() >= kHeader) Seal(file);
  }
  for (std::size_t offset : corruptions_) {
    if (offset >= file.size()) throw std::out_of_range("Corrupt beyond the file");
    file[offset] ^= 0xFF;
  }
  return file;
}

std::vector<uint8_t> ChannelFixture::WriteFile(const std::string& path) const {
  std::vector<uint8_t> file = Build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) throw std::runtime_error("can't write the fixture " + path);
  return file;
}

std::vector<uint8_t> ChannelFixture::Record(std::size_t size, uint32_t seed) {
  if (size < kHeader) throw std::invalid_argument("a record holds at least its header");
  // Data bytes stay below 0x40, so the magic's letters never occur in them.
  Random random{seed};
  std::vector<uint8_t> data(size - kHeader);
  for (uint8_t& byte : data) byte = static_cast<uint8_t>(random.Next() & 0x3F);
  std::vector<uint8_t> record =
      Header("PLOVA_CHANNELS", "CHN", static_cast<uint32_t>(data.size()), ZlibCrc32(data, 0));
  record.insert(record.end(), data.begin(), data.end());
  return record;
}

std::vector<uint8_t> ServicePayload(std::size_t n, uint32_t seed) {
  // The magic can't occur: names hold no "PLOVA" and end in zeros, the frequency's top byte
  // is zero, the polarisation is H or V and the flags stay below 16.
  static const char* const kNames[] = {"NEWS", "SPORT", "MOVIES", "MUSIC",
                                       "KIDS", "DOCU",  "SHOP",   "WEATHER"};
  constexpr std::size_t kEntry = 32;
  Random random{seed};
  std::vector<uint8_t> payload;
  payload.reserve(n + kEntry);
  for (uint32_t i = 0; payload.size() < n; ++i) {
    uint8_t entry[kEntry] = {};
    const auto id = static_cast<uint16_t>(seed * 7 + i);
    entry[0] = static_cast<uint8_t>(id >> 8);
    entry[1] = static_cast<uint8_t>(id);
    PutBigEndian(&entry[2], 10700000 + random.Next() % 2050000);  // kHz
    entry[6] = (random.Next() & 1) ? 'H' : 'V';
    entry[7] = static_cast<uint8_t>(random.Next() & 0x0F);
    const std::string name = std::string(kNames[random.Next() % 8]) + ' ' + std::to_string(i % 100);
    std::memcpy(&entry[8], name.data(), name.size());
    payload.insert(payload.end(), entry, entry + kEntry);
  }
  payload.resize(n);
  return payload;
}

uint32_t ZlibCrc32(const std::vector<uint8_t>& bytes, std::size_t begin, std::size_t end) {
  end = std::min(end, bytes.size());
  if (begin >= end) return 0;
  return static_cast<uint32_t>(crc32_z(0, bytes.data() + begin, end - begin));
}

void Seal(std::vector<uint8_t>& file) {
  if (file.size() < kHeader) throw std::invalid_argument("no header to seal");
  PutBigEndian(&file[16], static_cast<uint32_t>(file.size() - kHeader));
  PutBigEndian(&file[60], ZlibCrc32(file, kHeader));
}

uint32_t Be32(const std::vector<uint8_t>& b, std::size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         b[at + 3];
}

uint32_t Le32(const std::vector<uint8_t>& b, std::size_t at) {
  return b[at] | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
         (uint32_t{b[at + 3]} << 24);
}

}  // namespace fixture
