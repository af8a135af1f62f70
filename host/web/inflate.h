#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmerkin {

// Decodes a raw deflate stream (no zlib or gzip wrapper). The web page
// carries its bitmaps compressed so that the download stays small.
// Returns false, with `out` cleared, for a stream that is malformed,
// truncated, or would decode to more than maxOutput bytes. Never reads
// outside [data, data + size).
bool Inflate(const uint8_t* data, size_t size, size_t maxOutput, std::vector<uint8_t>& out);

}  // namespace glimmerkin
