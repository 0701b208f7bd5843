// Exact floor(n / d) for the averages of byte values (0 <= n <= 255 * d) by one multiplication and a
// shift: with M = ceil(2^k / d) the error of n * M / 2^k is below 1 / d as long as 255 * d * (d - 1) < 2^k,
// and k stays small enough (at most 55) for n * M to fit 64 bits while d is below about ten million. Larger
// divisors divide.
#pragma once

#include <cstdint>

namespace ivorel {

class ByteQuotient {
 public:
  explicit ByteQuotient(std::uint64_t divisor) : divisor_(divisor ? divisor : 1) {
    const std::uint64_t d = divisor_;
    if (d >= (std::uint64_t{1} << 23)) return;
    const std::uint64_t bound = 255 * d * (d - 1);
    while (shift_ < 55 && (std::uint64_t{1} << shift_) <= bound) ++shift_;
    multiplier_ = ((std::uint64_t{1} << shift_) + d - 1) / d;
  }
  unsigned operator()(std::uint64_t n) const {
    return static_cast<unsigned>(multiplier_ ? (n * multiplier_) >> shift_ : n / divisor_);
  }
  // Whether n * multiplier() >> shift() is the quotient with a 32-bit multiplier, as vector code wants it.
  bool narrow() const { return multiplier_ != 0 && multiplier_ <= UINT32_MAX; }
  std::uint32_t multiplier() const { return static_cast<std::uint32_t>(multiplier_); }
  unsigned shift() const { return shift_; }

 private:
  std::uint64_t divisor_;
  std::uint64_t multiplier_ = 0;
  unsigned shift_ = 0;
};

}  // namespace ivorel
