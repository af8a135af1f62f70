#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glimmerkin {

// Largest stage the simulator will build: each side at most 65536 and at most
// 64 Mi pixels in all, so that its surfaces fit in memory.
inline constexpr int64_t kMaxStageSide = 65536;
inline constexpr int64_t kMaxStagePixels = int64_t{1} << 26;

struct StageSize {
  int32_t width = 0;
  int32_t height = 0;
};

// Strict decimal readers: digits only (a leading '-' for the signed one), no
// blanks, no overflow. Empty result with a reason on failure.
std::optional<uint32_t> ParseUnsigned32(std::string_view text);
std::optional<int32_t> ParseSigned32(std::string_view text);
std::optional<StageSize> ParseStageSize(std::string_view text, std::string* error);

}  // namespace glimmerkin
