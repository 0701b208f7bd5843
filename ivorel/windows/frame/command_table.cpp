#include "ivorel/windows/frame/command_table.h"

#include <cstring>

namespace ivorel {

namespace {

FrameCommand frame(int id, const char* text, const char* prompt, Enable enable) {
  return {id, text, prompt, Act::Frame, enable};
}
FrameCommand message(int id, const char* text, const char* prompt, int number) {
  return {id, text, prompt, Act::Message, Enable::HasImage, nullptr, number};
}
// A view mode or zoom: enabled and checked by two entries of the active image's menu state.
FrameCommand view(int id, const char* text, const char* prompt, int number, int enabledIndex) {
  return {id, text, prompt, Act::Message, Enable::ViewEntry, nullptr, number, enabledIndex, enabledIndex + 1};
}
FrameCommand toolkit(int id, const char* text, const char* prompt, const char* tab) {
  return {id, text, prompt, Act::Toolkit, Enable::HasImage, tab};
}
FrameCommand processor(int id, const char* text, const char* prompt, const char* operation,
                       Enable enable = Enable::HasImage, int presetWord = -1) {
  return {id, text, prompt, Act::Processor, enable, operation, 0, -1, -1, presetWord};
}

std::vector<FrameCommand> declare() {
  using E = Enable;
  return {
      frame(100, "&Open Image...", "Open image\nOpen", E::Always),
      frame(101, "&Close", "Close Active Window", E::HasImage),
      message(102, "&Save", "Save image\nSave", 1126),
      message(103, "Save &As...", "Save as new image file\nSave As", 1127),
      frame(104, "Select Sca&nner...", "Select scanner", E::Scanner),
      frame(105, "Ac&quire Image...", "Acquire image from scanner", E::Scanner),
      frame(106, "Print Se&tup...", "Setup printer", E::Printer),
      frame(107, "Print Pre&view", "Print preview\nPrint Preview", E::HasImage),
      frame(108, "&Print...", "Print image\nPrint", E::PrinterImage),
      frame(200, "&Copy Image", "Copy Image To Clipboard\nCopy Image To Clipboard", E::HasImage),
      frame(201, "&Paste As New Image", "Gat Image From Clipboard\nGet Image From Clipboard",
            E::ClipboardImage),
      view(300, "View to &Scale", "View image in orignal size", 1128, 0),
      view(301, "View to &Fit", "Fit image to window size", 1129, 2),
      view(302, "Fit Keeping &Aspect", "Fit image in window size, but keep aspect ratio", 1130, 4),
      view(303, "&Normal Size (100%)", "Normal viewing mode", 1131, 6),
      view(304, "Zoom &200%", "2x zoom viewing mode", 1132, 8),
      view(305, "Zoom &400%", "4x zoom viewing mode", 1133, 10),
      view(306, "Zoom &800%", "8x zoom viewing mode", 1134, 12),
      message(307, "Image &Information...", "Display current image infomation", 1135),
      view(308, "Zoom &50%", "50% zoom-in viewing mode", 1136, 14),
      view(309, "Zoom 2&5%", "25% zoom-in viewing mode", 1137, 16),
      view(310, "Zoom 12.5%", "12.5% zoom-in viewing mode", 1138, 18),
      frame(311, "F&ull Screen", "Full screen view", E::HasImage),
      frame(400, "&Duplicate", "Duplicate current image and create a new image window", E::HasImage),
      toolkit(401, "&Brightness and Contrast...", "Adjust brightness and contrast values", "Brit"),
      processor(402, "Rotate 90\u00b0 &Clockwise", "Rotate 90 degrees clockwise\nRotate CW", "RotateCW"),
      processor(403, "Rotate 90\u00b0 C&ounter-clockwise", "Rotate 90 degrees counter-clockwise\nRotate CCW",
                "RotateCCW"),
      processor(404, "&Vertical Mirror", "Vertical mirror\nVert. Mirror", "FlipHorz"),
      processor(405, "&Horizontal Mirror", "Horizontal mirror\nHorz. Mirror", "FlipVert"),
      frame(406, "Cro&p", "", E::CropFit),
      processor(407, "&Resize...", "Resize image\nResize", "Resize"),
      toolkit(408, "&Low Pass", "Low pass filter", "Low Pass|LowPassHelper:w2=1"),
      toolkit(409, "Low Pass, Type &2", "Low pass filter, type 2", "Low Pass|LowPassHelper:w2=2"),
      toolkit(410, "Low Pass, Type &3", "Low pass filter, type 3", "Low Pass|LowPassHelper:w2=3"),
      toolkit(411, "&High Pass", "Hight pass filter", "High Pass|HighPassHelper:w2=1"),
      toolkit(412, "High Pass, Type 2", "Hight pass filter, type 2", "High Pass|HighPassHelper:w2=2"),
      toolkit(413, "High Pass, Type 3", "Hight pass filter, type 3", "High Pass|HighPassHelper:w2=3"),
      toolkit(414, "&Enhance Edges", "Enhance edges", "Edge Enhance"),
      toolkit(415, "North-East", "Enhance north-east edges", "Edge Enhance|EdgeEnhanceHelper:w2=1,w3=1"),
      toolkit(416, "East", "Enhance east edges", "Edge Enhance|EdgeEnhanceHelper:w2=1,w3=0"),
      toolkit(417, "South-East", "Enhance south-east edges", "Edge Enhance|EdgeEnhanceHelper:w2=1,w3=-1"),
      toolkit(418, "South", "Enhance south edges", "Edge Enhance|EdgeEnhanceHelper:w2=0,w3=-1"),
      toolkit(419, "South-West", "Enhance south-west edges", "Edge Enhance|EdgeEnhanceHelper:w2=-1,w3=-1"),
      toolkit(420, "West", "Enhance west edges", "Edge Enhance|EdgeEnhanceHelper:w2=-1,w3=0"),
      toolkit(421, "North-West", "Enhance north-west edges", "Edge Enhance|EdgeEnhanceHelper:w2=-1,w3=1"),
      toolkit(422, "De&speckle", "Remove small color anormalies in current image", "Despeckle"),
      toolkit(423, "Contrast B&alance", "Balance image contrast", "Contrast Bal"),
      processor(424, "&Quantize to 256 Colours",
                "Reduce color information in a true color (24bit) image and create an 8 bit image",
                "Quantize", E::TrueColour),
      processor(425, "Dither to 2&56 Colours",
                "Dither a true color (24bit) image to create a 256 color image", "Dither", E::TrueColour),
      toolkit(426, "&Gray", "Convert to gray image\nGray image", "Gray"),
      processor(427, "&Promote to True Colour", "Promote to true color\nPromote 24Bit", "PromoteTo24BPP",
                E::BelowTrueColour),
      processor(428, "Change &Bits per Pixel...", "Change bits per pixel", "SetBPP"),
      toolkit(431, "&Invert", "Revert color values in current image", "Invert"),
      toolkit(432, "&Solarize", "Adjust color values according to given value", "Solar"),
      toolkit(433, "&Threshold", "Show pixels with color values higher than certain value", "Threshold"),
      frame(434, "Colori&ze...", "Colorize an image by using or matching the color palette in another image",
            E::HasImage),
      toolkit(451, "&Blur", "Blur the image content", "Blur"),
      toolkit(452, "S&harpen", "Sharpen the image content", "Sharpen"),
      toolkit(453, "&Detect Edges", "Detect edges in the current image", "Edge Det"),
      toolkit(454, "E&mboss", "Embossing", "Emboss"),
      toolkit(455, "&Oil Painting", "Emulate oil painting", "Oil Paint"),
      toolkit(456, "E&xplosion", "Explosion effect", "Explode"),
      toolkit(457, "&Pixelize", "Pixelize or crystalize the image", "Pixel"),
      toolkit(458, "&Spread", "Spread out color values ", "Spread"),
      toolkit(459, "Motion Bl&ur", "Emulate motion blurring", "Motion"),
      toolkit(460, "&Highlight", "Create high-lightig effect", "High Light"),
      toolkit(471, "&Ripples", "Create ripple effect", "Ripples"),
      toolkit(472, "&Lens", "Emulate lense distortion", "Fish"),
      toolkit(473, "&Engraving", "Emulate engraving effect", "Line Art"),
      toolkit(474, "Rotate by &Angle...", "Rotate the image by an arbitrary angle", "Rotate"),
      toolkit(475, "Enlarge &Canvas...", "Enlarge Canvas\nEnlarge Canvas", "Enlarge"),
      toolkit(476, "Saturation and &Hue...", "Adjust saturation and hue values", "Saturation"),
      toolkit(477, "&Outline", "Outline objects in image", "Outline"),
      toolkit(478, "&Impressionist", "Emulate impressionist painting", "Impression"),
      toolkit(479, "&Gamma Correction...", "Gamma correction", "Gamma"),
      toolkit(480, "Salt and &Pepper Noise", "Salt and pepper noise", "Noise"),
      toolkit(481, "Gradient &Fill", "Gradient Fill", "Grad"),
      toolkit(482, "&Twist", "Twist image", "Twist"),
      toolkit(483, "S&hear...", "Shear Image\\Shear", "Shear"),
      toolkit(484, "&Whirl and Pinch", "Whirl and pinch distortion", "Whirl"),
      toolkit(485, "&Matte", "Matte", "Matte"),
      toolkit(486, "Me&lting", "Melting effect", "Melting"),
      toolkit(487, "Sli&ce", "Slice image", "Slicer"),
      processor(488, "Dither to &16 Colours", "Dither a true color (24bit) image to create a 16 color image",
                "DitherHelper", E::TrueColour, 1),
      processor(489, "Dither to Blac&k and White",
                "Dither a true color (24bit) image to create a black and white image", "DitherHelper",
                E::TrueColour, 0),
      toolkit(490, "Detect Edge &Points", "Detect edge points", "Points"),
      toolkit(491, "&Noise Trimmer", "Universal noise trimmer", "Smooth"),
      toolkit(496, "Rectangle &Warp", "Warp the image onto four corners", "Warp"),
      frame(499, "&Manual", "", E::Always),
      frame(500, "&About Ivorel...", "About\nAbout", E::Always),

      frame(24310, "E&xit", "Exit Pictaro", E::Always),
      frame(24320, "Capture &Screen Now", "Capture the current desktop image\nCapture Screen Now", E::Always),
      frame(24321, "Capture Screen &Excluding Self",
            "Capture the current desktop image, but hide this widow first\nCapture Screen Excluding Self",
            E::Always),
      frame(24322, "Capture &Window Behind",
            "Capture the image in the active window just behind\nCapture Window Behind", E::Always),
      frame(24323, "Capture Se&lf", "Capture this window image\nCapture Self", E::Always),
      frame(24361, "&Cascade", "Cascade the image windows", E::HasImage),
      frame(24362, "Tile &Vertically", "Tile the image windows vertically", E::HasImage),
      frame(24363, "Tile &Horizontally", "Tile the image windows horizontally", E::HasImage),
      frame(24364, "&Arrange Icons", "Arrange image window icons", E::HasImage),
      frame(24365, "Close A&ll", "Close all image windows", E::HasImage),

      frame(32786, "Image Processing &Toolkit...", "Image processing toolkit\nToolkit", E::HasImage),
      frame(32787, "&Toolbar", "Toggle on/off toolbar", E::Always),
      frame(32788, "&Status Bar", "Toggle on/off status bar", E::Always),
      frame(32840, "&Configuration Bar", "Toggle on/off configuration bar", E::Always),
      frame(32841, "S&election Bar", "Toggle on/off selection bar", E::Always),
      frame(32857, "C&apture Toolbar", "Toggle on/off capture toolbar", E::Always),
      frame(32917, "&Mask Composition Toolbar", "Toggle on/off alpha mask composition toolbar", E::Always),
      frame(59398, "St&rength Bar", "The Strength Bar", E::Always),
      frame(32866, "&Empty Clipboard", "Empty Windows clipboard", E::Always),
      frame(32867, "&Palette Window", "Toggle on/off the palette window", E::Always),
      frame(32877, "Main &Menu", "Show or hide main menu\nShow/hide main menu", E::Always),
      frame(32878, "&Drag and Drop Open...", "Drag and drop files from Explorer\nDrag And Drop Open",
            E::Always),
      frame(32879, "Image &Layout...", "How image is to fit in the page\nImage Layout", E::Always),
      frame(32885, "&Scripting...", "Script Definition\nScripting", E::Always),

      frame(57600, "&New...", "Create a new document\nNew", E::Always),
      frame(57601, "&Open...", "Open an existing document\nOpen", E::Always),
      frame(57643, "&Undo", "Undo Last Change\nUndo Last", E::Undo),
      frame(57644, "&Redo", "Redo Last Change\nRedo Last", E::Redo),
      frame(57664, "&About Pictaro...", "Display program information, version number and copyright\nAbout",
            E::Always),
  };
}

}  // namespace

const std::vector<FrameCommand>& frame_commands() {
  static const std::vector<FrameCommand> table = declare();
  return table;
}

const FrameCommand* find_command(int id) {
  for (const FrameCommand& c : frame_commands())
    if (c.id == id) return &c;
  return nullptr;
}

const char* prompt_line_end(const char* prompt) {
  const char* end = std::strchr(prompt, '\n');
  return end ? end : prompt + std::strlen(prompt);
}

}  // namespace ivorel
