#include "tools/sim/sim_options.h"

#include <charconv>

namespace glimmerkin {
namespace {

template <class T>
std::optional<T> ParseWhole(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') return std::nullopt;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<uint32_t> ParseUnsigned32(std::string_view text) {
  if (!text.empty() && text.front() == '-') return std::nullopt;
  return ParseWhole<uint32_t>(text);
}

std::optional<int32_t> ParseSigned32(std::string_view text) { return ParseWhole<int32_t>(text); }

std::optional<StageSize> ParseStageSize(std::string_view text, std::string* error) {
  const size_t cross = text.find('x');
  if (cross == std::string_view::npos) {
    if (error) *error = "size must be WIDTHxHEIGHT, for example 1920x1080";
    return std::nullopt;
  }
  const auto w = ParseSigned32(text.substr(0, cross));
  const auto h = ParseSigned32(text.substr(cross + 1));
  if (!w || !h) {
    if (error) *error = "size must be WIDTHxHEIGHT in decimal, for example 1920x1080";
    return std::nullopt;
  }
  if (*w <= 0 || *h <= 0) {
    if (error) *error = "width and height must be positive";
    return std::nullopt;
  }
  if (*w > kMaxStageSide || *h > kMaxStageSide || int64_t{*w} * *h > kMaxStagePixels) {
    if (error) *error = "size too large: at most 65536 a side and 67108864 pixels";
    return std::nullopt;
  }
  return StageSize{*w, *h};
}

}  // namespace glimmerkin
