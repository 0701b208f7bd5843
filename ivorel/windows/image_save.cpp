// ImageWndFunctions: save and save as, with the type list of the save dialog and the extension a chosen
// name gets.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ivorel/windows/image_wnd_functions.h"
#include "platform/core/cursor.h"
#include "platform/core/dialogs.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace ivorel {

const SaveType kSaveTypes[kSaveTypeCount] = {
    {"BMP Files", "*.bmp", CT_BMP}, {"DIB Files", "*.dib", CT_DIB}, {"PCX Files", "*.pcx", CT_PCX},
    {"RLE Files", "*.rle", CT_RLE}, {"TGA Files", "*.tga", CT_TGA}, {"TIF Files", "*.tif", CT_TIF},
    {"GIF Files", "*.gif", CT_GIF}, {"JPG Files", "*.jpg", CT_JPG}, {"PNG Files", "*.png", CT_PNG},
};

namespace {

// Types that a writer exists for (video is read only).
bool writable(CompandType type) {
  return type != CT_NONE && type != CT_AVI;
}

// The filter of a type, 1-based; 1 (BMP) for types without one of their own.
int filter_of(CompandType type) {
  for (int i = 0; i < kSaveTypeCount; ++i) {
    if (kSaveTypes[i].type == type) return i + 1;
  }
  return 1;
}

// The last component of a path (an image name that is no path stands for itself).
std::string last_component(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

std::string save_path_for_choice(const std::string& path, int filterIndex) {
  if (path.empty()) return path;
  if (writable(Compand::FileTypeFromName(path.c_str()))) return path;
  // On Linux a dot is part of many names ("scan 2024.05"): an unknown extension stays and the chosen type's
  // extension follows it.
  const int index = filterIndex >= 1 && filterIndex <= kSaveTypeCount ? filterIndex : 1;
  return path + (kSaveTypes[index - 1].pattern + 1);
}

}  // namespace ivorel

std::string ImageWndFunctions::AskSavePath() {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Save;
  request.owner = host_;
  request.title = "Save Image As";
  for (const ivorel::SaveType& t : ivorel::kSaveTypes) request.filters.push_back({t.label, t.pattern});
  // A named image proposes its own file and type; any other its name, in the chooser's folder.
  const CompandType current = Compand::FileTypeFromName(fullName_.c_str());
  const bool ownFile = named || proposeOwnFile_;
  request.initialName = ownFile ? fullName_ : ivorel::last_component(fullName_);
  request.filterIndex = ownFile ? ivorel::filter_of(current) : 1;
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return {};
  return ivorel::save_path_for_choice(request.path, request.filterIndex);
}

int ImageWndFunctions::WriteImage(const char* path, const char* description) {
  pcore::RestoringWaitCursor wait;
  const CompandType type = Compand::FileTypeFromName(path);
  // InitCompressor may give the name its type's extension: room for it.
  std::vector<char> fileName(path, path + std::strlen(path) + 1);
  fileName.resize(fileName.size() + 5, '\0');
  Compand writer;
  if (!writer.InitCompressor(type, fileName.data(), image.width, image.height, image.bitsPerPixel,
                             image.colors, image.imageData, image.palette)) {
    return 0;
  }
  writer.SetImageType(image.colors == 0 ? IT_TRUECOLOR : image.colors <= 2 ? IT_BILEVEL : IT_PALETTE);
  writer.SetCompressionQuality(static_cast<unsigned short>(jpegQuality > 0 ? jpegQuality : LastJpegQuality));
  const std::vector<unsigned char> alphaPlane = AlphaPlane();
  if (!alphaPlane.empty()) writer.SetAlphaData(alphaPlane.data());
  // Without a text of its own the file keeps the writer's description.
  std::string text = description ? description : "";
  if (!text.empty()) writer.SaveImageDescription(text.data());
  return writer.DoCompression() ? 1 : 0;
}

bool ImageWndFunctions::AskJpegQuality() {
  pcore::ParameterRequest request;
  request.dialog = pcore::ParameterDialog::SaveQuality;
  request.owner = host_;
  request.integers[0] = jpegQuality > 0 ? jpegQuality : LastJpegQuality;
  if (pcore::run_parameter_dialog(request) != pcore::kIdOk) return false;
  jpegQuality = std::clamp(request.integers[0].value_or(LastJpegQuality), 1, 100);
  LastJpegQuality = jpegQuality;
  return true;
}

bool ImageWndFunctions::AgreeToDropFrames() {
  if (frameCount <= 1) return true;
  const std::string text = "\"" + fullName_ + "\" has " + std::to_string(frameCount) +
                           " frames; this window holds the first only, and saving writes that one alone.";
  if (!OpenInAnimationEditor) {
    return pcore::message_box().show(host_, text + " Save it anyway?", "User Advisory",
                                     pcore::MessageIcon::Warning,
                                     pcore::MessageButtons::OkCancel) == pcore::kIdOk;
  }
  const int answer = pcore::message_box().show(
      host_, text + " Save the first frame anyway? (No opens the file in the animation editor.)",
      "User Advisory", pcore::MessageIcon::Warning, pcore::MessageButtons::YesNoCancel);
  if (answer == pcore::kIdNo) OpenInAnimationEditor(fullName_);
  return answer == pcore::kIdYes;
}

int ImageWndFunctions::EvSave(const char* description) {
  if (alphaShown) SwitchDisplayData();
  // An image that never had a file (a duplicate) has something to save even when unchanged.
  if (!dirty && named) return 1;
  if (!hasImage) return 0;
  std::string path = fullName_;
  if (!named) {
    path = AskSavePath();
    if (path.empty()) return 0;
    const int keptQuality = jpegQuality;
    if (Compand::FileTypeFromName(path.c_str()) == CT_JPG && !AskJpegQuality()) return 0;
    // The frames are lost only when the file goes to a name given here or is written over.
    if (!AgreeToDropFrames()) {
      jpegQuality = keptQuality;
      return 0;
    }
  } else if (!AgreeToDropFrames()) {
    return 0;
  }
  // The name and the clean state follow only a write that succeeded: a failed one leaves the image
  // modified, so that closing still asks, and keeps its old name.
  if (!WriteImage(path.c_str(), description)) return 0;
  if (!named || path != fullName_) {
    SetName(path);
    named = 1;
  }
  // The file now holds the one frame the window has.
  frameCount = 1;
  if (host_) host_->set_title(WindowTitle());
  dirty = 0;
  return 1;
}

int ImageWndFunctions::EvSaveAs(const char* description) {
  const int wasDirty = dirty, wasNamed = named;
  dirty = 1;
  named = 0;
  proposeOwnFile_ = wasNamed != 0;
  const int saved = EvSave(description);
  proposeOwnFile_ = false;
  if (saved != 1) {
    dirty = wasDirty;
    named = wasNamed;
  }
  return saved;
}
