#pragma once
#include <cstddef>
#include <cstdint>

#include "resources/bitmap_resources.h"

namespace glimmerkin {

// A bitmap kept as a raw deflate stream, and the size of the file it holds.
struct DeflatedResource {
  int32_t id;
  const uint8_t* data;
  size_t size;
  size_t decodedSize;
};

extern const DeflatedResource kDeflatedResources[];
extern const size_t kDeflatedResourceCount;

// The bitmap bytes of one resource, decoded from `table` on first use and
// kept until the program ends; empty when the id is unknown or its stream is
// damaged.
ResourceBytes InflatedResource(const DeflatedResource* table, size_t count, int32_t id);

}  // namespace glimmerkin
