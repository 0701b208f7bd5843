// imgtools: the command-line face of the suite, for users' scripts.
#include <cstdio>
#include <cstring>
#include <string>

#include "imgtools/verbs.h"

namespace {

const char kHelp[] =
    "Usage: imgtools VERB [OPTIONS] ARGS...\n"
    "\n"
    "Verbs:\n"
    "  info [--frames] FILE...\n"
    "      One line per file: FILE: TYPE WxH B-bit C colours N frame(s).\n"
    "      --frames adds one line per frame: size, position, bits, delay (1/100 s), disposal, transparent "
    "index.\n"
    "  convert [--quality Q] [--frame I] IN OUT\n"
    "      Reads IN and writes OUT in the format of OUT's extension (.bmp .dib .rle .thm .gif .pcx .tga\n"
    "      .jpg .jpeg .jpe .tif .tiff .png; .avi files are read only, about 100 frames of their first video\n"
    "      stream).\n"
    "      A multi-frame input keeps its frames when OUT holds several; otherwise frame I (default 0) is "
    "written.\n"
    "      --quality Q (0-100) is handed to writers that compress lossily (JPEG; default: the JPEG read its "
    "own, else 90).\n"
    "  render --size WxH [--mode scale|fit|aspect] [--zoom Z] [--scroll X,Y] [--palette-display]\n"
    "         [--no-dither-in-advance] IN OUT\n"
    "      Draws IN as an image window of client size WxH shows it and saves the client area as a 24-bit\n"
    "      image in the format of OUT's extension; parts the image does not cover are black.\n"
    "      --mode scale (default) draws to scale at zoom Z (1, 2, 4 ... 128 magnify, -2 ... -128 reduce),\n"
    "      scrolled to X,Y displayed pixels (kept inside the scroll range); fit stretches to the client\n"
    "      area; aspect fits it keeping the image's proportions.\n"
    "      --palette-display emulates a 256-colour screen: true colour is dithered to the fixed palette,\n"
    "      in advance unless --no-dither-in-advance (then only stretched views are painted).\n"
    "  apply [--seed N] [--colours FIRST,SECOND] [--texture FILE] [--palette FILE]\n"
    "        IN OUT OPERATION[:VALUES] ...\n"
    "      Runs the operations in order on IN and writes OUT. VALUES is a comma-separated list of "
    "[wN=]value\n"
    "      items filling the operation's parameter words; an item without wN= fills the word after the "
    "previous\n"
    "      one, starting at the operation's first word; words not given take their defaults.\n"
    "      Example: apply in.bmp out.bmp AdjustBrightnessContrast:40,100 InvertPicHelper:w4=2,w1=128\n"
    "  apply [--seed N] [--colours FIRST,SECOND] [--texture FILE] [--palette FILE] --script FILE IN OUT\n"
    "      The same with the operations read from FILE, one a line; blank lines and lines starting with #\n"
    "      are skipped. The whole script is checked before IN is read.\n"
    "      --seed N seeds the random generator (default: the clock) so that a run repeats; --colours\n"
    "      gives the first and second drawing colours as RRGGBB (default 000000,FFFFFF); --texture FILE\n"
    "      the texture image; --palette FILE the colour table PseudoColor colours with (w1=0 replaces the\n"
    "      palette, 1 matches by brightness): a JASC-PAL file or an image's palette. 'list' names the\n"
    "      operations that read them.\n"
    "  print [--layout fit|stretch|scale] [--zoom Z] [--caption none|top|bottom] [--paper letter|a4]\n"
    "        [--margins L,T,R,B] [--resolution DPI|X,Y] IN OUT.pdf\n"
    "  print [OPTIONS] --printer NAME IN\n"
    "      Lays IN out on one page as Pictaro prints it and writes the page as a PDF, or sends it to the\n"
    "      CUPS printer NAME. fit (default) keeps the proportions, stretch fills the printable area, scale\n"
    "      prints Z times (Z as for render) at the image's resolution (default 100 dots per inch). The\n"
    "      caption prints the file name above or below. Paper letter (default) or a4; margins in\n"
    "      thousandths of an inch (default 500 each).\n"
    "  combine IMAGE SELECTION OUT [--at X,Y] [--size WxH] [--shape rect|ellipse|roundrect|polygon:X,Y,...]\n"
    "          [--mode NAME] [--pen RRGGBB] [--image-mask FILE] [--selection-mask FILE]\n"
    "      Combines SELECTION onto IMAGE as the editor combines a selection: placed with its top-left corner\n"
    "      at X,Y (default 0,0) and scaled to WxH (default its own size) by nearest neighbour, only inside\n"
    "      the shape (polygon points relative to that corner). The result keeps IMAGE's depth.\n"
    "      Modes: replace (default), transparent (leaves out colours near --pen, default 000000), heavy,\n"
    "      even, light, subtract, multiply, divide, lighter, darker, match, brighter, darker-than,\n"
    "      edge-blend, image-mask, selection-mask, both-masks (the last three need the masks named).\n"
    "  fill X,Y [--tolerance N] [--colour RRGGBB | --colours FIRST,SECOND] IN OUT\n"
    "      The editor's flood fill at pixel X,Y (0,0 the top left) with the brush colour (--colour, or the\n"
    "      second of --colours; default C0C0C0): tolerance 0 (default) takes the seed's exact colour, 1 to\n"
    "      10 every connected pixel whose squared RGB distance from the seed is below N x 1000. OUT keeps\n"
    "      IN's depth and palette.\n"
    "  frames [EDIT...] IN... OUT.gif\n"
    "      Appends the frames of every IN in order (single images, every frame of a GIF, the frames of an\n"
    "      AVI), runs the edits in the order given on frames counted from 0, and writes the animation\n"
    "      (OUT of another type gets frame 0). I= limits an edit to frame I; without it, every frame.\n"
    "      --delay [I=]D (1/100 s, at most 2000)  --dispose [I=]N (0-7, none|keep|background|previous)\n"
    "      --transparent [I=]INDEX|none  --position I=X,Y  --comment I=TEXT  --delete I  --move I:J\n"
    "      --duplicate I  --screen WxH (grown to hold every frame)  --loop N (0 forever)\n"
    "      --global-colours (frames with the first frame's palette share one table) | --local-colours\n"
    "      --palette fixed|frame=I|file=PATH maps every frame to one palette, dithered unless --nearest.\n"
    "  list\n"
    "      Prints every operation with its toolkit tab and parameter words (range, default, meaning).\n"
    "  scan [--device NAME] [--list] [--resolution DPI] [--mode Color|Gray|Lineart] [--option NAME=VALUE]...\n"
    "       OUT\n"
    "      Scans a page with the default scanner (or NAME, a SANE device as --list prints them) and writes\n"
    "      OUT in the format of its extension; further pages of a document feeder go to OUT-2, OUT-3 ...\n"
    "      --option sets any other option of the device by its SANE name (e.g. --option tl-x=10).\n"
    "\n"
    "File types are chosen by the final extension, in any case.\n"
    "Exit status: 0 success, 1 a file could not be read or written (the reason on standard error), 2 usage "
    "error.\n";

}  // namespace

namespace imgtools {

int usage_error(const std::string& message) {
  std::fprintf(stderr, "imgtools: %s\nTry 'imgtools --help'.\n", message.c_str());
  return 2;
}

}  // namespace imgtools

int main(int argc, char** argv) {
  if (argc < 2) return imgtools::usage_error("no verb given");
  std::string verb = argv[1];
  if (verb == "--help" || verb == "-h" || verb == "help") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  imgtools::Args args(argv + 2, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  if (verb == "info") return imgtools::info_verb(args);
  if (verb == "convert") return imgtools::convert_verb(args);
  if (verb == "render") return imgtools::render_verb(args);
  if (verb == "apply") return imgtools::apply_verb(args);
  if (verb == "list") return imgtools::list_verb(args);
  if (verb == "scan") return imgtools::scan_verb(args);
  if (verb == "print") return imgtools::print_verb(args);
  if (verb == "combine") return imgtools::combine_verb(args);
  if (verb == "fill") return imgtools::fill_verb(args);
  if (verb == "frames") return imgtools::frames_verb(args);
  return imgtools::usage_error("unknown verb " + verb);
}
