// For tests of what happens when memory runs out: after `count` more successful allocations, GlobalAlloc
// returns nullptr until the limit is lifted (a negative count lifts it).
#pragma once

namespace pcore {

void refuse_allocations_after(long count);

}  // namespace pcore
