// GraphicsMagick through GraphicsMagick++.
#include <Magick++.h>

#define BENCH_PEER_NAME "GraphicsMagick"
#include "bench/magick_api_peer.inc"
