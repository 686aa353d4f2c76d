// Writes the fuzzer's seed corpus into the directory given on the command line: a valid
// channel file and, beside it, one file for each way the Open command can turn a file
// down, and the files that pass it but end early, so that the fuzzer starts from every
// branch of the check and of a conversion.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/ChannelFixture.h"

using fixture::ChannelFixture;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const ChannelFixture valid;

  // Small records and payloads keep the inputs short, so that the fuzzer's length limit,
  // taken from the longest seed, stays small and each run stays quick.
  const ChannelFixture small = ChannelFixture()
                                   .FirstRecord(ChannelFixture::Record(96))
                                   .Payload(fixture::ServicePayload(256));

  const size_t r = static_cast<size_t>(small.R());  // where its service record starts

  const std::vector<std::pair<const char*, ChannelFixture>> seeds = {
      {"valid", valid},
      {"valid-small", small},
      {"valid-empty-payload", ChannelFixture(small).Payload({})},
      {"valid-carried-word", ChannelFixture(small).CarriedWord(0xFF, 0x00)},
      {"ends-before-payload", ChannelFixture(small).Truncate(r + 75)},
      {"ends-inside-version", ChannelFixture(small).Truncate(r + 73)},
      {"wrong-magic", ChannelFixture(small).Corrupt(1)},
      {"fifth-magic-byte-changed", ChannelFixture(small).Corrupt(4)},
      {"wrong-type", ChannelFixture(small).Patch(35, {'X'})},
      {"crc-mismatch", ChannelFixture(small).Corrupt(200)},
      {"one-magic-only", ChannelFixture(small).DropServiceMagic()},
      {"magic-in-first-record", ChannelFixture(small).MagicInFirstRecord(20)},
      {"wrong-version", ChannelFixture(small).Version(0x00, 0x03)},
      {"swapped-version", ChannelFixture(small).Version(0x02, 0x00)},
      {"header-only", ChannelFixture(small).Truncate(64)},
      {"short-file", ChannelFixture(small).Truncate(40)},
  };

  try {
    std::filesystem::create_directories(dir);
    for (const auto& [name, seed] : seeds) seed.WriteFile(dir + "/" + name + ".zcn");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
