// Writes Glimmerkin's artwork files into the directory given as argument.
#include <cstdio>
#include <string>

#include "tools/artgen/artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
    return 2;
  }
  const glimmerkin::artgen::Artwork art = glimmerkin::artgen::GenerateArtwork();
  for (const auto& file : glimmerkin::artgen::EncodeAll(art)) {
    const std::string path = std::string(argv[1]) + "/" + file.name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    const size_t written = std::fwrite(file.bytes.data(), 1, file.bytes.size(), out);
    const bool ok = std::fclose(out) == 0 && written == file.bytes.size();
    if (!ok) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
