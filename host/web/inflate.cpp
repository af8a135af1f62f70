#include "host/web/inflate.h"

#include <array>

namespace glimmerkin {
namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLengthCodes = 286;
constexpr int kMaxDistanceCodes = 30;
constexpr int kFixedLengthCodes = 288;

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order.
struct Huffman {
  std::array<uint16_t, kMaxBits + 1> count{};
  std::array<uint16_t, kFixedLengthCodes> symbol{};
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // False once the input has run out; the bits read past the end are zero.
  bool Ok() const { return ok_; }

  uint32_t Bits(int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value |= static_cast<uint32_t>(Bit()) << i;
    return value;
  }

  uint32_t Bit() {
    if (bitCount_ == 0) {
      if (position_ >= size_) {
        ok_ = false;
        return 0;
      }
      bitBuffer_ = data_[position_++];
      bitCount_ = 8;
    }
    const uint32_t bit = bitBuffer_ & 1u;
    bitBuffer_ >>= 1;
    --bitCount_;
    return bit;
  }

  void AlignToByte() { bitCount_ = 0; }

  bool Byte(uint8_t& value) {
    if (position_ >= size_) {
      ok_ = false;
      return false;
    }
    value = data_[position_++];
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
  bool ok_ = true;
};

// Builds the code from the code lengths. False for an over-subscribed set
// of lengths, or an incomplete one unless `allowIncomplete` (a code of a
// single symbol is incomplete by nature).
bool Build(Huffman& h, const uint8_t* lengths, int n, bool allowIncomplete) {
  h.count.fill(0);
  for (int s = 0; s < n; ++s) ++h.count[lengths[s]];
  if (h.count[0] == n) return allowIncomplete;
  int left = 1;
  for (int len = 1; len <= kMaxBits; ++len) {
    left <<= 1;
    left -= h.count[len];
    if (left < 0) return false;
  }
  std::array<uint16_t, kMaxBits + 1> offset{};
  for (int len = 1; len < kMaxBits; ++len) offset[len + 1] = offset[len] + h.count[len];
  for (int s = 0; s < n; ++s)
    if (lengths[s] != 0) h.symbol[offset[lengths[s]]++] = static_cast<uint16_t>(s);
  return left == 0 || allowIncomplete;
}

// The next symbol, or -1 for a code that the table does not hold.
int Decode(Reader& in, const Huffman& h) {
  int code = 0, first = 0, index = 0;
  for (int len = 1; len <= kMaxBits; ++len) {
    code |= static_cast<int>(in.Bit());
    const int count = h.count[len];
    if (code - count < first) return h.symbol[index + (code - first)];
    index += count;
    first += count;
    first <<= 1;
    code <<= 1;
    if (!in.Ok()) return -1;
  }
  return -1;
}

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                                  15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
 public:
  Inflater(const uint8_t* data, size_t size, size_t maxOutput, std::vector<uint8_t>& out)
      : in_(data, size), maxOutput_(maxOutput), out_(out) {}

  bool Run() {
    uint32_t last = 0;
    do {
      last = in_.Bits(1);
      const uint32_t type = in_.Bits(2);
      if (!in_.Ok()) return false;
      bool ok = false;
      if (type == 0)
        ok = Stored();
      else if (type == 1)
        ok = Fixed();
      else if (type == 2)
        ok = Dynamic();
      if (!ok) return false;
    } while (last == 0);
    return true;
  }

 private:
  bool Put(uint8_t byte) {
    if (out_.size() >= maxOutput_) return false;
    out_.push_back(byte);
    return true;
  }

  bool Stored() {
    in_.AlignToByte();
    uint8_t b[4];
    for (uint8_t& x : b)
      if (!in_.Byte(x)) return false;
    const uint32_t len = b[0] | (uint32_t{b[1]} << 8);
    const uint32_t complement = b[2] | (uint32_t{b[3]} << 8);
    if (len != (~complement & 0xFFFFu)) return false;
    for (uint32_t i = 0; i < len; ++i) {
      uint8_t x = 0;
      if (!in_.Byte(x) || !Put(x)) return false;
    }
    return true;
  }

  bool Codes(const Huffman& lengths, const Huffman& distances) {
    for (;;) {
      const int symbol = Decode(in_, lengths);
      if (symbol < 0) return false;
      if (symbol < 256) {
        if (!Put(static_cast<uint8_t>(symbol))) return false;
        continue;
      }
      if (symbol == 256) return in_.Ok();
      const int li = symbol - 257;
      if (li >= static_cast<int>(kLengthBase.size())) return false;
      const uint32_t length = kLengthBase[li] + in_.Bits(kLengthExtra[li]);
      const int di = Decode(in_, distances);
      if (di < 0 || di >= static_cast<int>(kDistanceBase.size())) return false;
      const size_t distance = kDistanceBase[di] + in_.Bits(kDistanceExtra[di]);
      if (!in_.Ok() || distance > out_.size()) return false;
      if (out_.size() + length > maxOutput_) return false;
      // Byte by byte: a match may overlap the bytes it produces.
      for (uint32_t i = 0; i < length; ++i) {
        const uint8_t byte = out_[out_.size() - distance];
        out_.push_back(byte);
      }
    }
  }

  bool Fixed() {
    std::array<uint8_t, kFixedLengthCodes> lengths{};
    for (int s = 0; s < 144; ++s) lengths[s] = 8;
    for (int s = 144; s < 256; ++s) lengths[s] = 9;
    for (int s = 256; s < 280; ++s) lengths[s] = 7;
    for (int s = 280; s < kFixedLengthCodes; ++s) lengths[s] = 8;
    Huffman lengthCode, distanceCode;
    Build(lengthCode, lengths.data(), kFixedLengthCodes, false);
    std::array<uint8_t, kMaxDistanceCodes> distanceLengths{};
    distanceLengths.fill(5);
    Build(distanceCode, distanceLengths.data(), kMaxDistanceCodes, true);
    return Codes(lengthCode, distanceCode);
  }

  bool Dynamic() {
    const int nlen = static_cast<int>(in_.Bits(5)) + 257;
    const int ndist = static_cast<int>(in_.Bits(5)) + 1;
    const int ncode = static_cast<int>(in_.Bits(4)) + 4;
    if (!in_.Ok() || nlen > kMaxLengthCodes || ndist > kMaxDistanceCodes) return false;
    static constexpr std::array<uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::array<uint8_t, kMaxLengthCodes + kMaxDistanceCodes> lengths{};
    for (int i = 0; i < ncode; ++i) lengths[kOrder[i]] = static_cast<uint8_t>(in_.Bits(3));
    if (!in_.Ok()) return false;
    Huffman code;
    if (!Build(code, lengths.data(), 19, false)) return false;

    lengths.fill(0);
    int index = 0;
    while (index < nlen + ndist) {
      const int symbol = Decode(in_, code);
      if (symbol < 0) return false;
      if (symbol < 16) {
        lengths[index++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t value = 0;
      uint32_t repeat = 0;
      if (symbol == 16) {
        if (index == 0) return false;
        value = lengths[index - 1];
        repeat = 3 + in_.Bits(2);
      } else if (symbol == 17) {
        repeat = 3 + in_.Bits(3);
      } else {
        repeat = 11 + in_.Bits(7);
      }
      if (!in_.Ok() || index + static_cast<int>(repeat) > nlen + ndist) return false;
      while (repeat-- > 0) lengths[index++] = value;
    }
    if (lengths[256] == 0) return false;  // no end-of-block code
    Huffman lengthCode, distanceCode;
    // Incomplete literal/length codes are only valid for a single code.
    const bool oneLength = [&] {
      int used = 0;
      for (int s = 0; s < nlen; ++s) used += lengths[s] != 0;
      return used == 1;
    }();
    if (!Build(lengthCode, lengths.data(), nlen, oneLength)) return false;
    if (!Build(distanceCode, lengths.data() + nlen, ndist, true)) return false;
    return Codes(lengthCode, distanceCode);
  }

  Reader in_;
  size_t maxOutput_;
  std::vector<uint8_t>& out_;
};

}  // namespace

bool Inflate(const uint8_t* data, size_t size, size_t maxOutput, std::vector<uint8_t>& out) {
  out.clear();
  if (data == nullptr && size != 0) return false;
  Inflater inflater(data, size, maxOutput, out);
  if (!inflater.Run()) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace glimmerkin
