// Builds A1.xx channel files in memory for the tests, valid or spoiled in one chosen way.
// It knows the layout on its own and seals the file with zlib's crc32, so it shares no code
// with what it tests.
//
//   auto file = fixture::ChannelFixture().CarriedWord(0xAB, 0xCD).Build();
//   fixture::ChannelFixture().Version(0x00, 0x03).WriteFile(dir + "/old.zcn");
//   fixture::ChannelFixture().Corrupt(200).Build();   // stored CRC no longer matches
//
// Layout of what Build() returns, R = 64 + FirstRecord().size():
//   0..63       file header: name text opening "PLOVA", body length at 16 and body CRC
//               at 60 (both big-endian), "SER\0" at 32, six FF at 48
//   64..R-1     the first record (default: Record(300))
//   R..R+63     the service record header, opening "PLOVA"
//   R+64..R+71  eight filler bytes
//   R+72        version word (default 00 02), R+74 carried word (default 12 34)
//   R+76..      the service payload (default: ServicePayload(4096, 1))
// By default the magic occurs exactly twice in the body: at 64 and at R.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fixture {

class ChannelFixture {
 public:
  ChannelFixture();

  // The bytes between the file header and the service record.
  ChannelFixture& FirstRecord(std::vector<uint8_t> bytes);
  // The bytes from R + 76 to the end of the file.
  ChannelFixture& Payload(std::vector<uint8_t> bytes);
  ChannelFixture& CarriedWord(uint8_t first, uint8_t second);
  ChannelFixture& Version(uint8_t first, uint8_t second);

  // Puts "PLOVA" at offset `at` of the first record (at >= 5 so the record's own magic
  // stays): the file's body then finds its second magic there, at file offset 64 + at.
  ChannelFixture& MagicInFirstRecord(std::size_t at);
  // The service record header no longer opens with the magic.
  ChannelFixture& DropServiceMagic();

  // Overwrites bytes at a file offset before the file is sealed: a change in the body keeps
  // a matching CRC; the file header's length and CRC fields are written over by the seal.
  ChannelFixture& Patch(std::size_t offset, std::vector<uint8_t> bytes);
  // Flips all bits of one byte after sealing: in the body the stored CRC then mismatches;
  // in the file header only the tested fields matter.
  ChannelFixture& Corrupt(std::size_t offset);
  // Ends the file after `size` bytes. A file that keeps its whole header is sealed again,
  // so it still passes the CRC test; a shorter one is the start of a valid file.
  ChannelFixture& Truncate(std::size_t size);

  std::vector<uint8_t> Build() const;
  // Writes Build() to path (replacing any file there) and returns the bytes written.
  // Throws std::runtime_error if the file can't be written.
  std::vector<uint8_t> WriteFile(const std::string& path) const;

  // File offset of the service record's header.
  int32_t R() const { return static_cast<int32_t>(64 + first_record_.size()); }
  const std::vector<uint8_t>& FirstRecord() const { return first_record_; }
  const std::vector<uint8_t>& Payload() const { return payload_; }
  std::array<uint8_t, 2> CarriedWord() const { return carried_; }

  // A record of `size` bytes (at least 64): a record header opening "PLOVA", then data in
  // which the magic does not occur.
  static std::vector<uint8_t> Record(std::size_t size, uint32_t seed = 1);

 private:
  std::vector<uint8_t> first_record_;
  std::vector<uint8_t> payload_;
  std::array<uint8_t, 2> carried_;
  std::array<uint8_t, 2> version_;
  bool service_magic_ = true;
  std::vector<std::pair<std::size_t, std::vector<uint8_t>>> patches_;
  std::vector<std::size_t> corruptions_;
  std::size_t size_ = SIZE_MAX;
};

// n bytes that look like a service database: 32-byte entries with a service id, a
// frequency, a polarisation, flags and a zero-padded name. Compressible, deterministic for
// a seed, and free of the magic "PLOVA".
std::vector<uint8_t> ServicePayload(std::size_t n, uint32_t seed = 1);

// zlib's crc32 of bytes[begin, end), end clamped to the size.
uint32_t ZlibCrc32(const std::vector<uint8_t>& bytes, std::size_t begin,
                   std::size_t end = SIZE_MAX);

// The 32-bit values at `at`: most significant byte first (header fields), or least
// significant first (the A2.xx sub-header).
uint32_t Be32(const std::vector<uint8_t>& bytes, std::size_t at);
uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t at);

// Writes the body length (size - 64) at 16 and the body CRC at 60, both big-endian, as a
// valid file has them. The file must be at least 64 bytes long.
void Seal(std::vector<uint8_t>& file);

}  // namespace fixture
