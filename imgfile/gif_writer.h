// Writes GIF89a files: one image (Compress) or the codec's stack with every frame's delay, disposal,
// transparency, place and comment (SaveStack); a stack of two or more frames loops as often as the stack
// says, forever unless told otherwise. The comment after each frame is the frame's own
// comment when it has one, else where the frame came from.
//
// 1- and 4-bit images are unpacked, 24-bit images dithered to the fixed display palette. Each colour table
// holds only distinct colours: duplicate palette entries are merged, except a transparent entry, which keeps
// an entry of its own so that transparency never spreads to, or drops from, pixels of the same colour. In a
// stack that shares one global table, a frame whose palette is not that table's gets a local table instead
// of indices that would mean other colours.
//
// A frame read from a GIF and not changed since is written with its coded data and colour table as its file
// had them (imgfile/gif_coded.h), so that re-timing or reordering an animation does not code it again.
#pragma once

#include <string>
#include <vector>

#include "imgfile/gif_format.h"
#include "imgfile/gif_lzw.h"
#include "imgfile/image_codec.h"

class GifWriter : public ImageCodec {
 public:
  // The pointers must stay valid until Compress.
  GifWriter(const std::string& path, unsigned short width, unsigned short height, unsigned short bitsPerPixel,
            unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Compress(unsigned short quality, ImgType type) override;
  int SaveStack(unsigned short quality, ImgType type) override;

  // Closes every file written, naming the suite that made it.
  static constexpr const char* kMakerText = codaxe::gif::kMakerText;

 private:
  // A picture's palette as the file sees it: the entries its pixels can index.
  struct Colours {
    RGBCOLOR entries[256];
    unsigned count;
  };
  // The distinct colours of a palette and where each palette entry went among them.
  struct ColourMap {
    unsigned char index[256];
    RGBCOLOR table[256];
    unsigned entries;   // palette entries mapped
    unsigned distinct;  // colours in the table
    int bits;           // j: the table holds 2^j entries
  };
  struct Source {
    const unsigned char* pixels;
    const RGBCOLOR* palette;
    unsigned short width;
    unsigned short height;
    unsigned short bits;
  };

  static bool supported(const Source& s);
  static Colours colours_of(const Source& s);
  // `keep` marks palette entries that must not be merged with any other.
  static ColourMap compact(const Colours& colours, const bool keep[256]);
  static ColourMap table_as_read(const ImageFrame& f);
  static bool reads_same_colours(const ImageFrame& f, const ColourMap& global);
  // Top-down, one index per pixel, mapped through `map`, into pixels_.
  void prepare_pixels(const Source& s, const ColourMap& map);

  bool write_screen(unsigned short width, unsigned short height, const ColourMap& map,
                    unsigned char background);
  bool write_table(const ColourMap& map);
  bool write_control(const ImageFrame& frame, const ColourMap& map);
  bool write_descriptor(int left, int top, unsigned short width, unsigned short height, int flags);
  bool write_pixels(int minCodeSize);
  bool write_comment(const std::string& text);
  bool write_loop_extension(unsigned short count);
  std::string frame_comment(const ImageFrame& f, std::size_t i) const;

  unsigned char* sourcePixels_ = nullptr;
  RGBCOLOR* sourcePalette_ = nullptr;
  std::vector<unsigned char> pixels_;
  std::vector<unsigned char> dithered_;
  std::vector<unsigned char> encoded_;
  codaxe::LzwEncoder encoder_;
};
