#include "imgfile/messages.h"

namespace codaxe {

const char* message_text(int id) {
  switch (id) {
    case MSG_OPEN:
      return "Error opening file";
    case MSG_FLUSH:
      return "Error flushing file";
    case MSG_CLOSE:
      return "Error closing file";
    case MSG_READ_HEADER:
      return "Error reading image file header";
    case MSG_READ_DATA:
      return "Error reading bitmap data";
    case MSG_WRITE_HEADER:
      return "Error writing image file header";
    case MSG_WRITE_DATA:
      return "Error writing bitmap data";
    case MSG_UNSUPPORTED:
      return "Error unsupported image type";
    case MSG_MEMORY:
      return "Error allocating image memory";
    case MSG_CAPTION:
      return "Error";
    case MSG_NEVER:
      return "Ops, should never get here";
    case MSG_WRITE_FILE_HEADER:
      return "Error writing BitMapFileHeader";
    case MSG_NOT_REGULAR:
      return "Error opening file: not a regular file (a folder, pipe or device)";
    case MSG_NO_VIDEO:
      return "Error AVI files need the video module and FFmpeg, which are not installed";
    case MSG_BITS_PER_SAMPLE:
      return "Error can't handle more than 8-bits per sample";
    case MSG_CHANNELS:
      return "Error can only handle 1-channel gray scale or 3-channel color";
    case MSG_PHOTOMETRIC_MASK:
      return "Error don't know how to handle PHOTOMETRIC_MASK";
    case MSG_PHOTOMETRIC:
      return "Error unknown photometric method";
    case MSG_BAD_BITS:
      return "Error bad number of bits/sample";
    case MSG_CODE_EXPANSION:
      return "Error during code expansion";
    case MSG_NOT_GIF:
      return "Error not a GIF file";
    case MSG_READ_GCT:
      return "Error reading GCT";
    case MSG_READ_LCT:
      return "Error reading LCT";
    default:
      return "";
  }
}

}  // namespace codaxe
