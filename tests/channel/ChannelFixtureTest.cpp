// The fixture builder is what every other test trusts to make its files; these tests check
// what it builds with zlib alone.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "support/ChannelFixture.h"

namespace {

using fixture::ChannelFixture;

uint32_t Be32(const std::vector<uint8_t>& file, size_t at) {
  return uint32_t{file[at]} << 24 | uint32_t{file[at + 1]} << 16 | uint32_t{file[at + 2]} << 8 |
         file[at + 3];
}

bool StoredCrcMatches(const std::vector<uint8_t>& file) {
  return Be32(file, 60) == fixture::ZlibCrc32(file, 64);
}

// Body offsets (from 64) at which the five bytes "PLOVA" start, as the source check
// searches for them.
std::vector<size_t> MagicPositions(const std::vector<uint8_t>& file) {
  std::vector<size_t> found;
  for (size_t at = 64; at + 5 <= file.size(); ++at) {
    if (std::memcmp(&file[at], "PLOVA", 5) == 0) found.push_back(at - 64);
  }
  return found;
}

std::vector<uint8_t> Bytes(const std::vector<uint8_t>& file, size_t at, size_t n) {
  return std::vector<uint8_t>(file.begin() + at, file.begin() + at + n);
}

TEST(ChannelFixture, DefaultFileHasTheA1Layout) {
  const ChannelFixture builder;
  const std::vector<uint8_t> file = builder.Build();
  const size_t r = builder.R();

  EXPECT_EQ(r, 64 + builder.FirstRecord().size());
  EXPECT_GE(r, 300u);
  EXPECT_LT(r, 2048u) << "a first record of a few hundred bytes";
  ASSERT_EQ(file.size(), r + 76 + builder.Payload().size());

  EXPECT_EQ(std::memcmp(&file[0], "PLOV", 4), 0);
  EXPECT_EQ(std::memcmp(&file[32], "SER\0", 4), 0);
  EXPECT_EQ(Be32(file, 16), file.size() - 64);
  EXPECT_TRUE(StoredCrcMatches(file));
  EXPECT_EQ(Be32(file, 60), crc32(0, file.data() + 64, static_cast<uInt>(file.size() - 64)));

  EXPECT_EQ(MagicPositions(file), (std::vector<size_t>{0, r - 64}))
      << "the first record at 64 and the service record at R, nowhere else";
  EXPECT_EQ(Bytes(file, r + 72, 2), (std::vector<uint8_t>{0x00, 0x02}));
  EXPECT_EQ(Bytes(file, r + 74, 2), (std::vector<uint8_t>{0x12, 0x34}));
  EXPECT_EQ(Bytes(file, r + 76, builder.Payload().size()), builder.Payload());
}

TEST(ChannelFixture, ChosenPartsLandWhereTheyBelong) {
  const std::vector<uint8_t> first = ChannelFixture::Record(2048 - 64, 9);
  const std::vector<uint8_t> payload = {1, 2, 3};
  const ChannelFixture builder =
      ChannelFixture().FirstRecord(first).Payload(payload).CarriedWord(0xAB, 0xCD).Version(2, 0);
  const std::vector<uint8_t> file = builder.Build();

  EXPECT_EQ(builder.R(), 2048);
  ASSERT_EQ(file.size(), 2048u + 76 + 3);
  EXPECT_EQ(Bytes(file, 64, first.size()), first);
  EXPECT_EQ(Bytes(file, 2048 + 72, 7), (std::vector<uint8_t>{0x02, 0x00, 0xAB, 0xCD, 1, 2, 3}));
  EXPECT_TRUE(StoredCrcMatches(file));
}

TEST(ChannelFixture, Spoilers) {
  const ChannelFixture plain;
  const size_t r = plain.R();
  const std::vector<uint8_t> valid = plain.Build();

  // A patch in the body is sealed over; a corruption after sealing is not, except in the
  // file header, which the CRC does not cover.
  const std::vector<uint8_t> patched = ChannelFixture().Patch(200, {0x00, 0x01}).Build();
  EXPECT_TRUE(StoredCrcMatches(patched));
  EXPECT_EQ(Bytes(patched, 200, 2), (std::vector<uint8_t>{0x00, 0x01}));

  const std::vector<uint8_t> body_hit = ChannelFixture().Corrupt(r + 100).Build();
  EXPECT_FALSE(StoredCrcMatches(body_hit));
  EXPECT_EQ(body_hit[r + 100], valid[r + 100] ^ 0xFF);

  const std::vector<uint8_t> header_hit = ChannelFixture().Corrupt(20).Corrupt(35).Build();
  EXPECT_TRUE(StoredCrcMatches(header_hit));
  EXPECT_EQ(header_hit[35], 0xFF) << "SER followed by a non-zero byte";

  EXPECT_EQ(MagicPositions(ChannelFixture().DropServiceMagic().Build()), (std::vector<size_t>{0}));
  EXPECT_EQ(MagicPositions(ChannelFixture().MagicInFirstRecord(100).Build()),
            (std::vector<size_t>{0, 100, r - 64}));

  const std::vector<uint8_t> short_file = ChannelFixture().Truncate(r + 74).Build();
  ASSERT_EQ(short_file.size(), r + 74);
  EXPECT_TRUE(StoredCrcMatches(short_file)) << "a truncated file is sealed again";

  for (size_t size : {0, 1, 4, 36, 63}) {
    EXPECT_EQ(ChannelFixture().Truncate(size).Build(), Bytes(valid, 0, size)) << size;
  }

  EXPECT_THROW(ChannelFixture().Patch(valid.size() - 1, {1, 2}).Build(), std::out_of_range);
}

TEST(ServicePayload, SizedDeterministicCompressibleAndFreeOfTheMagic) {
  for (size_t n : {0, 1, 31, 32, 33, 100000}) {
    EXPECT_EQ(fixture::ServicePayload(n, 3).size(), n);
  }
  const std::vector<uint8_t> payload = fixture::ServicePayload(100000, 3);
  EXPECT_EQ(payload, fixture::ServicePayload(100000, 3));
  EXPECT_NE(payload, fixture::ServicePayload(100000, 4));

  const std::vector<uint8_t> file = ChannelFixture().Payload(payload).DropServiceMagic().Build();
  EXPECT_EQ(MagicPositions(file).size(), 1u) << "only the first record's own magic";

  uLongf packed_size = compressBound(static_cast<uLong>(payload.size()));
  std::vector<uint8_t> packed(packed_size);
  ASSERT_EQ(
      compress2(packed.data(), &packed_size, payload.data(), static_cast<uLong>(payload.size()), 9),
      Z_OK);
  EXPECT_LT(packed_size, payload.size() / 2);
}

}  // namespace
