#include "tools/sim/png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace glimmerkin {

bool WritePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t stride, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return fail("empty image");
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return fail("cannot open the output file");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return fail("out of memory");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return fail("out of memory");
  }
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  // libpng reports errors by longjmp; nothing with a destructor is created
  // between here and the end of the writing.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return fail("cannot write the PNG file");
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int32_t x = 0; x < width; ++x) {
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(in[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(in[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(in[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) return fail("cannot write the PNG file");
  return true;
}

}  // namespace glimmerkin
