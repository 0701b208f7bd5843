// Splitting a row loop over the machine's cores. Operations whose rows are independent hand their loop to
// for_row_bands; the first band runs on the calling thread, which alone may touch the cursor and the other
// user-interface services (the band that starts at row 0).
#pragma once

#include <cstddef>
#include <functional>

namespace ivorel {

// Calls band(first, end) for consecutive bands covering rows 0 ... rows - 1. `bytes` is the amount of memory
// the whole loop touches: small loops stay on one thread, where starting threads would cost more than it
// saves.
void for_row_bands(int rows, std::size_t bytes, const std::function<void(int first, int end)>& band);

}  // namespace ivorel
