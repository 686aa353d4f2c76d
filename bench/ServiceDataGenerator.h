#pragma once
// Bytes shaped like a service database: fixed-size service records grouped by transponder,
// with names, identifiers and frequencies drawn from a seeded generator, so that every run
// measures the same data.

#include <cstddef>
#include <cstdint>
#include <vector>

// Each record takes this many bytes.
constexpr size_t kServiceRecordSize = 64;

// Returns exactly size bytes of records (the last one cut short when size is not a
// multiple of the record size). The same seed gives the same bytes.
std::vector<uint8_t> GenerateServiceData(size_t size, uint32_t seed = 1);
