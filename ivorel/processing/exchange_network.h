// Exchange networks: fixed sequences of min/max pairs, which compilers turn into vector instructions when
// a loop runs them on whole rows at once.
#pragma once

#include <algorithm>

namespace ivorel {

template <typename T>
inline void order(T& a, T& b) {
  const T lo = std::min(a, b);
  b = std::max(a, b);
  a = lo;
}

// The median of nine values in 19 exchanges.
template <typename T>
inline T median_of_9(T p0, T p1, T p2, T p3, T p4, T p5, T p6, T p7, T p8) {
  order(p1, p2), order(p4, p5), order(p7, p8);
  order(p0, p1), order(p3, p4), order(p6, p7);
  order(p1, p2), order(p4, p5), order(p7, p8);
  order(p0, p3), order(p5, p8), order(p4, p7);
  order(p3, p6), order(p1, p4), order(p2, p5);
  order(p4, p7), order(p4, p2), order(p6, p4);
  order(p4, p2);
  return p4;
}

}  // namespace ivorel
