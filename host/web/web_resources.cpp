#include "host/web/web_resources.h"

#include <map>
#include <vector>

#include "host/web/inflate.h"

namespace glimmerkin {

ResourceBytes InflatedResource(const DeflatedResource* table, size_t count, int32_t id) {
  // Keyed by table and id, so that several tables (the tests') never mix.
  static std::map<std::pair<const DeflatedResource*, int32_t>, std::vector<uint8_t>> decoded;
  for (size_t i = 0; i < count; ++i) {
    const DeflatedResource& entry = table[i];
    if (entry.id != id) continue;
    auto [it, added] = decoded.try_emplace({table, id});
    if (added) {
      // A stream that does not decode to exactly its file leaves the entry empty.
      if (!Inflate(entry.data, entry.size, entry.decodedSize, it->second) ||
          it->second.size() != entry.decodedSize)
        it->second.clear();
    }
    if (it->second.empty()) return {};
    return {it->second.data(), it->second.size()};
  }
  return {};
}

}  // namespace glimmerkin
