#include "host/web/web_resources.h"

namespace glimmerkin {

// The page's bitmaps come from the compressed table built with it.
ResourceBytes FindBitmapResource(int32_t id) {
  return InflatedResource(kDeflatedResources, kDeflatedResourceCount, id);
}

}  // namespace glimmerkin
