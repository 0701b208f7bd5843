// ImageMagick 6 through Magick++.
#include <Magick++.h>

#define BENCH_PEER_NAME "ImageMagick"
#include "bench/magick_api_peer.inc"
