#include "bench/ServiceDataGenerator.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

// Record layout, little-endian: the identifiers and tuning values a receiver keeps per
// service, then its name, zero-padded as fixed-size databases store it.
constexpr size_t kNameOffset = 24;
constexpr size_t kNameSize = 32;
static_assert(kNameOffset + kNameSize <= kServiceRecordSize, "the name fits the record");

const std::array<const char*, 16> kWords = {
    "News", "Sport", "Movie", "Music",  "Kids",    "Docu", "Travel", "Weather",
    "Shop", "Radio", "Drama", "Comedy", "Science", "Food", "Auto",   "Arena"};
const std::array<uint16_t, 4> kSymbolRates = {22000, 27500, 29700, 30000};

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value);
  Put16(at + 2, value >> 16);
}

}  // namespace

std::vector<uint8_t> GenerateServiceData(size_t size, uint32_t seed) {
  // mt19937's sequence is fixed by the standard; only its raw output is used, so the
  // bytes do not depend on the library's distributions.
  std::mt19937 random(seed);
  std::vector<uint8_t> data((size + kServiceRecordSize - 1) / kServiceRecordSize *
                            kServiceRecordSize);

  uint32_t frequency = 0, symbolRate = 0, polarisation = 0, transportId = 0;
  uint32_t servicesLeft = 0, serviceId = 0;
  for (size_t offset = 0; offset < data.size(); offset += kServiceRecordSize) {
    if (servicesLeft == 0) {  // the next transponder: 4 to 19 services share its tuning
      frequency = 10700000 + (random() % 8200) * 250;
      symbolRate = kSymbolRates[random() % kSymbolRates.size()];
      polarisation = random() % 2;
      transportId = (transportId + 1 + random() % 3) & 0xFFFF;
      servicesLeft = 4 + random() % 16;
    }
    --servicesLeft;
    serviceId = (serviceId + 1 + random() % 5) & 0xFFFF;
    const uint32_t type = random() % 8 == 0 ? 2 : (random() % 3 == 0 ? 0x19 : 1);
    const uint32_t videoPid = type == 2 ? 0x1FFF : 0x100 + random() % 0x1E00;

    uint8_t* record = data.data() + offset;
    Put16(record + 0, serviceId);
    Put16(record + 2, transportId);
    Put16(record + 4, 1 + transportId / 64);  // original network
    Put32(record + 6, frequency);
    Put16(record + 10, symbolRate);
    record[12] = static_cast<uint8_t>(polarisation);
    record[13] = static_cast<uint8_t>(type);
    Put16(record + 14, videoPid);
    Put16(record + 16, videoPid + 1 + random() % 4);       // audio
    Put16(record + 18, videoPid);                          // clock reference
    record[20] = static_cast<uint8_t>(random() % 4 == 0);  // scrambled
    record[21] = static_cast<uint8_t>(random() % 12);      // provider
    Put16(record + 22, random() % 1000);                   // channel number

    char name[kNameSize + 1];
    std::snprintf(name, sizeof name, "%s %s %u%s", kWords[random() % kWords.size()],
                  kWords[random() % kWords.size()], static_cast<unsigned>(random() % 30),
                  type == 0x19 ? " HD" : "");
    std::memcpy(record + kNameOffset, name, std::strlen(name));
  }
  data.resize(size);
  return data;
}
