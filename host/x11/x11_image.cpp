#include "host/x11/x11_image.h"


#include <algorithm>
#include <bit>
#include <cstdlib>

#include "host/x11/x11_connection.h"

namespace glimmerkin::x11 {

RasterView AreaView(const RasterView& image, const SceneArea& area) {
  if (image.pixels == nullptr || area.x < 0 || area.y < 0 || area.x >= image.width ||
      area.y >= image.height)
    return RasterView{};
  RasterView view;
  view.pixels = image.pixels + static_cast<size_t>(area.y) * static_cast<size_t>(image.stride) +
                static_cast<size_t>(area.x);
  view.width = std::min(area.width, image.width - area.x);
  view.height = std::min(area.height, image.height - area.y);
  view.stride = image.stride;
  return view;
}

}  // namespace glimmerkin::x11
