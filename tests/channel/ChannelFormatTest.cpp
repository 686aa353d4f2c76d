#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel/ChannelFormat.h"

namespace {

using namespace channel;

// The target's numbers for R = 200 and a compressed payload of 100 bytes, as the format's
// own worked example gives them.
constexpr int32_t kR = 200;
constexpr int32_t kCompressed = 100;
static_assert(kR + kA2PayloadOffset + kCompressed == 380, "target size");
static_assert(kR - kHeaderSize + kA2PayloadOffset + kCompressed == 316, "file body length");
static_assert(kA2SubHeaderSize + kCompressed == 116, "service record length");
static_assert(kR + kA2PayloadOffset == 280, "first payload byte");

std::vector<uint8_t> RandomBytes(size_t n) {
  std::vector<uint8_t> bytes(n);
  uint32_t state = 12345;
  for (uint8_t& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(Crc32(0, "", 0), 0u) << "an empty range has the CRC 0";
  EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
}

// zlib computes the same CRC-32 independently; compare over lengths on both sides of the
// eight-byte main loop and over starts that are not aligned.
TEST(Crc32, MatchesZlibOverLengthsAndAlignments) {
  const std::vector<uint8_t> data = RandomBytes(4099 + 8);
  const uint32_t lengths[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,    10,
                              11, 12, 13, 14, 15, 16, 17, 64, 1000, 4099};
  for (uint32_t start = 0; start < 8; ++start) {
    for (uint32_t length : lengths) {
      SCOPED_TRACE(testing::Message() << "start " << start << ", length " << length);
      const uint8_t* p = data.data() + start;
      EXPECT_EQ(Crc32(0, p, length), crc32(0, p, length));
    }
  }
}

TEST(Crc32, RunningValueContinuesARange) {
  const std::vector<uint8_t> data = RandomBytes(1000);
  const uint32_t first = Crc32(0, data.data(), 333);
  EXPECT_EQ(Crc32(first, data.data() + 333, 667), Crc32(0, data.data(), 1000));
}

TEST(ByteOrder, ReadBigEndian32) {
  const uint8_t ordered[] = {0x12, 0x34, 0x56, 0x78};
  const uint8_t high[] = {0x80, 0x81, 0x82, 0x83};
  EXPECT_EQ(ReadBigEndian32(ordered), 0x12345678u);
  EXPECT_EQ(ReadBigEndian32(high), 0x80818283u) << "bytes above 0x7F must not spread their sign";
}

TEST(ByteOrder, ReverseBytes) {
  struct Case {
    uint32_t count;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {4, {4, 3, 2, 1, 5, 6}}, {3, {3, 2, 1, 4, 5, 6}}, {2, {2, 1, 3, 4, 5, 6}},
      {1, {1, 2, 3, 4, 5, 6}}, {0, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "count " << c.count);
    std::vector<uint8_t> buffer = {1, 2, 3, 4, 5, 6};
    ReverseBytes(buffer.data(), c.count);
    EXPECT_EQ(buffer, c.expected) << "bytes past count stay where they are";
  }
}

TEST(ByteOrder, ReverseBytesTurnsAMachineWordBigEndian) {
  uint32_t value = 316;
  ReverseBytes(&value, 4);
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  EXPECT_EQ(ReadBigEndian32(bytes), 316u);
}

TEST(ByteOrder, WriteBothOrders) {
  uint8_t big[4];
  uint8_t little[4];
  WriteBigEndian32(big, 0x12345678);
  WriteLittleEndian32(little, 0x12345678);
  EXPECT_EQ(std::vector<uint8_t>(big, big + 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(std::vector<uint8_t>(little, little + 4),
            (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
}

TEST(HeaderTemplate, Bytes) {
  std::vector<uint8_t> expected;
  for (char c : std::string("PLOVA_V_ZR_ALL")) expected.push_back(static_cast<uint8_t>(c));
  expected.insert(expected.end(), 34, 0x00);
  expected.insert(expected.end(), 6, 0xFF);
  expected.insert(expected.end(), 6, 0x00);
  expected.insert(expected.end(), {0x11, 0x22, 0x33, 0x44});
  EXPECT_EQ(std::vector<uint8_t>(HeaderTemplate.begin(), HeaderTemplate.end()), expected);
}

}  // namespace
