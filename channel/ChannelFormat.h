// The ZARVO channel file as this program reads it (A1.xx) and writes it (A2.xx): offsets,
// sizes, magic words, the header template, the CRC-32 and the byte-order helpers.
// Every other part of the program takes these values from here and spells out none itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace channel {

// ---------------------------------------------------------------------------------------
// Frame shared by both generations: a 64-byte file header, then a body of records that each
// open with a 64-byte record header of the same shape.

// Size of the file header and of every record header; the body starts right after it.
inline constexpr int32_t kHeaderSize = 64;

// The 32-bit length and CRC fields of both headers are four bytes, stored big-endian.
inline constexpr int32_t kWordSize = 4;

// Name text at the start of a header; the target writes "PLOVA_V_ZR_ALL" there.
inline constexpr int32_t kNameOffset = 0;
inline constexpr int32_t kNameSize = 14;

// Length field: of the body in the file header, of the record after its header in the
// service record. Never read in a source.
inline constexpr int32_t kLengthOffset = 16;

// Type field: "SER" and a zero byte, which a source must hold exactly.
inline constexpr int32_t kTypeOffset = 32;
inline constexpr int32_t kTypeFieldSize = 4;

// Six bytes FF that the target's headers carry; never read in a source.
inline constexpr int32_t kFillOffset = 48;
inline constexpr int32_t kFillSize = 6;

// CRC field: in the file header the CRC-32 of the body; in the target's service record
// header a constant that no CRC is computed for.
inline constexpr int32_t kCrcOffset = 60;

static_assert(kNameOffset + kNameSize <= kLengthOffset, "name text runs into the length field");
static_assert(kLengthOffset + kWordSize <= kTypeOffset, "length field runs into the type field");
static_assert(kTypeOffset + kTypeFieldSize <= kFillOffset, "type field runs into the FF bytes");
static_assert(kFillOffset + kFillSize <= kCrcOffset, "FF bytes run into the CRC field");
static_assert(kCrcOffset + kWordSize == kHeaderSize, "the CRC field closes the header");

// ---------------------------------------------------------------------------------------
// Magic words.

// Every record header opens with it; records are found by it alone, and the service
// record is its second occurrence in the body.
inline constexpr std::array<uint8_t, 5> kMagic = {'P', 'L', 'O', 'V', 'A'};

// The file header test compares only this many leading bytes of the magic.
inline constexpr int32_t kFileMagicTestSize = 4;

// Letters of the type field; the byte after them must be zero.
inline constexpr std::array<uint8_t, 3> kType = {'S', 'E', 'R'};

// Tag that opens the sub-header of the A2.xx service record.
inline constexpr std::array<uint8_t, 4> kSubHeaderTag = {'-', 'S', 'E', 'R'};

// Version words of the service database: 2 in A1.xx, 3 in A2.xx, read big-endian.
inline constexpr std::array<uint8_t, 2> kVersionA1 = {0x00, 0x02};
inline constexpr std::array<uint8_t, 2> kVersionA2 = {0x00, 0x03};

static_assert(kFileMagicTestSize <= static_cast<int32_t>(kMagic.size()), "tests part of the magic");
static_assert(static_cast<int32_t>(kType.size()) < kTypeFieldSize, "room for the zero byte");

// ---------------------------------------------------------------------------------------
// Service record of an A1.xx source, offsets from R (the service record's header). The 8
// bytes from R + 64 are never read.

// Must hold kVersionA1.
inline constexpr int32_t kA1VersionOffset = 72;

// Two bytes carried unchanged into the target, not interpreted.
inline constexpr int32_t kA1CarriedOffset = 74;

// The uncompressed service database, running to the end of the file.
inline constexpr int32_t kA1PayloadOffset = 76;

inline constexpr int32_t kVersionSize = 2;
inline constexpr int32_t kCarriedSize = 2;

static_assert(kA1VersionOffset == kHeaderSize + 8, "8 unread bytes follow the record header");
static_assert(kA1VersionOffset + kVersionSize == kA1CarriedOffset, "carried word follows version");
static_assert(kA1CarriedOffset + kCarriedSize == kA1PayloadOffset, "payload follows carried word");

// ---------------------------------------------------------------------------------------
// Service record of an A2.xx target, offsets from R. The sub-header replaces the source's
// 8 unread bytes and version word; its two 32-bit fields are little-endian.

// kSubHeaderTag.
inline constexpr int32_t kA2TagOffset = 64;

// CRC-32 of everything from kA2CompressedSizeOffset to the end of the file.
inline constexpr int32_t kA2RecordCrcOffset = 68;

// Length of the compressed payload in bytes; also where the record CRC's range begins.
inline constexpr int32_t kA2CompressedSizeOffset = 72;

// Holds kVersionA2.
inline constexpr int32_t kA2VersionOffset = 76;

// The source's carried word.
inline constexpr int32_t kA2CarriedOffset = 78;

// The service database as one zlib stream, running to the end of the file.
inline constexpr int32_t kA2PayloadOffset = 80;

// Bytes between the service record header and the compressed payload; the service
// record's length field holds this plus the compressed size.
inline constexpr int32_t kA2SubHeaderSize = kA2PayloadOffset - kHeaderSize;

// Bytes before the payload that the record CRC covers: compressed size, version, carried.
inline constexpr int32_t kA2RecordCrcFixedSize = kA2PayloadOffset - kA2CompressedSizeOffset;

static_assert(kA2TagOffset == kHeaderSize, "the sub-header follows the record header");
static_assert(kA2TagOffset + static_cast<int32_t>(kSubHeaderTag.size()) == kA2RecordCrcOffset,
              "record CRC follows the tag");
static_assert(kA2RecordCrcOffset + kWordSize == kA2CompressedSizeOffset,
              "compressed size follows the record CRC");
static_assert(kA2CompressedSizeOffset + kWordSize == kA2VersionOffset,
              "version follows the compressed size");
static_assert(kA2VersionOffset + kVersionSize == kA2CarriedOffset, "carried word follows version");
static_assert(kA2CarriedOffset + kCarriedSize == kA2PayloadOffset, "payload follows carried word");
static_assert(kA2SubHeaderSize == 16 && kA2RecordCrcFixedSize == 8, "sub-header sizes");
static_assert(kA2PayloadOffset - kA1PayloadOffset == kWordSize,
              "the compressed size field is the one field the source does not have");

// ---------------------------------------------------------------------------------------
// The 64 constant bytes from which both headers of the target are made. Each use works on
// a copy, puts kType at kTypeOffset and fills in its length (and, in the file header, its
// CRC) field.
inline constexpr std::array<uint8_t, kHeaderSize> HeaderTemplate = {
    'P',  'L',  'O',  'V',  'A',  '_',  'V',  '_',  'Z',  'R',  '_',  'A',  'L',  'L',  0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44,
};

// Name text of both target headers; it opens with the magic, so the target passes the
// file header test itself.
inline constexpr std::array<uint8_t, kNameSize> kTargetName = {'P', 'L', 'O', 'V', 'A', '_', 'V',
                                                               '_', 'Z', 'R', '_', 'A', 'L', 'L'};

// What the template leaves at kCrcOffset; the service record header keeps it for good.
inline constexpr std::array<uint8_t, kWordSize> kTemplateCrcFiller = {0x11, 0x22, 0x33, 0x44};

namespace detail {
template <std::size_t N>
constexpr bool TemplateHolds(std::size_t offset, const std::array<uint8_t, N>& bytes) {
  for (std::size_t i = 0; i < N; ++i) {
    if (HeaderTemplate[offset + i] != bytes[i]) return false;
  }
  return true;
}

constexpr bool TemplateHolds(std::size_t begin, std::size_t end, uint8_t value) {
  for (std::size_t i = begin; i < end; ++i) {
    if (HeaderTemplate[i] != value) return false;
  }
  return true;
}
}  // namespace detail

static_assert(detail::TemplateHolds(kNameOffset, kTargetName), "name text, no terminating zero");
static_assert(detail::TemplateHolds(kNameOffset, kMagic), "the name opens with the magic");
static_assert(detail::TemplateHolds(kNameOffset + kNameSize, kFillOffset, 0x00),
              "zeros from the end of the name to the FF bytes, type and length included");
static_assert(detail::TemplateHolds(kFillOffset, kFillOffset + kFillSize, 0xFF), "six bytes FF");
static_assert(detail::TemplateHolds(kFillOffset + kFillSize, kCrcOffset, 0x00),
              "zeros between the FF bytes and the CRC field");
static_assert(detail::TemplateHolds(kCrcOffset, kTemplateCrcFiller), "CRC field 11 22 33 44");

// ---------------------------------------------------------------------------------------
// Functions.

// The common CRC-32 (zlib's, Ethernet's, PNG's). crc is the running value: pass 0 to get the
// CRC of one range, or a previous result to go on with the next range.
uint32_t Crc32(uint32_t crc, const void* data, uint32_t length);

// The 32-bit value of four bytes, the first the most significant.
uint32_t ReadBigEndian32(const uint8_t* bytes);

// Reverses the order of count bytes in place. With count 4 it turns a 32-bit value in the
// machine's little-endian order into the big-endian order of the header fields.
void ReverseBytes(void* buffer, uint32_t count);

// Write value into four bytes, most significant first (header fields) or least significant
// first (the A2.xx sub-header), whatever the machine's own order.
void WriteBigEndian32(uint8_t* bytes, uint32_t value);
void WriteLittleEndian32(uint8_t* bytes, uint32_t value);

}  // namespace channel
