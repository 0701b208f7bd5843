// The library's message table: texts loaded by number, shared by every codec.
#pragma once

namespace codaxe {

enum MessageId : int {
  MSG_OPEN = 0,
  MSG_FLUSH = 1,
  MSG_CLOSE = 2,
  MSG_READ_HEADER = 3,
  MSG_READ_DATA = 4,
  MSG_WRITE_HEADER = 6,
  MSG_WRITE_DATA = 7,
  MSG_UNSUPPORTED = 9,
  MSG_MEMORY = 11,
  MSG_CAPTION = 12,
  MSG_NEVER = 16,
  MSG_WRITE_FILE_HEADER = 20,
  MSG_NOT_REGULAR = 21,
  MSG_NO_VIDEO = 22,
  MSG_BITS_PER_SAMPLE = 80,
  MSG_CHANNELS = 81,
  MSG_PHOTOMETRIC_MASK = 82,
  MSG_PHOTOMETRIC = 84,
  MSG_BAD_BITS = 85,
  MSG_CODE_EXPANSION = 208,
  MSG_NOT_GIF = 209,
  MSG_READ_GCT = 211,
  MSG_READ_LCT = 214,
};

// The text of a message id; an unknown id gives an empty text.
const char* message_text(int id);

}  // namespace codaxe
