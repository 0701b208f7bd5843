// Frames in from files and the clipboard, and the animation out to files.
#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/framora/document/frame_copy.h"
#include "apps/framora/document/framora_doc.h"
#include "imgfile/gif_writer.h"
#include "ivorel/processing/packed_dib.h"

namespace framora {

namespace {

void set_path(ImageFrame& f, const std::string& path) {
  std::memset(f.path, 0, sizeof f.path);
  std::strncpy(f.path, path.c_str(), sizeof f.path - 1);
}

ImgType image_type(unsigned short colors) {
  return colors == 0 ? IT_TRUECOLOR : colors <= 2 ? IT_BILEVEL : IT_PALETTE;
}

bool supported_depth(unsigned short bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

}  // namespace

std::function<void(CFramoraDoc&)> CFramoraDoc::append_undo(int before) const {
  const int bGCT = stack_.GetbGCT();
  const unsigned char background = stack_.GetbkColorIndex();
  const unsigned short width = stack_.GetScreenWidth(), height = stack_.GetScreenHeight();
  const unsigned short loops = stack_.GetLoopCount();
  return [=](CFramoraDoc& doc) {
    for (int i = doc.GetFrameCount() - 1; i >= before; --i) doc.stack_.RemoveFrame(i);
    doc.stack_.SetbGCT(bGCT);
    doc.stack_.SetbkColorIndex(background);
    doc.stack_.SetScreenWidth(width);
    doc.stack_.SetScreenHeight(height);
    doc.stack_.SetLoopCount(loops);
  };
}

int CFramoraDoc::AddFile(const std::string& path) {
  Compand file;
  if (!file.InitExpander(path.c_str()) || !file.DoExpansion()) {
    file.DisposeOfImage();
    return 0;
  }
  const int before = GetFrameCount();
  auto undo = append_undo(before);
  int added = 0;
  ImageStack* frames = file.GetImageStack();
  const int count = frames ? frames->GetFrameNumber() : 0;
  bool whole = count > 0 && before == 0;
  for (int i = 0; whole && i < count; ++i)
    whole = frames->GetFrameData(i) && !frames->GetFrameData(i)->removed;
  if (whole) {
    // Into an empty document the file's own frames move over as they are: no copy at all.
    stack_ = *frames;
    *frames = ImageStack();
    for (added = 0; added < count; ++added) {
      set_path(*frame(added), count > 1 ? path + " Slide " + std::to_string(added + 1) : path);
    }
  } else if (count > 0) {
    // Each frame is let go as soon as it is copied, so the file never costs more than one frame on top of
    // its decoded frames.
    for (ImageFrame* f; (f = frames->GetFrameData(0)) != nullptr; frames->RemoveFrame(0)) {
      if (f->removed) continue;
      const int i = append_copy(stack_, *f);
      if (i < 0) break;
      ++added;
      set_path(*frame(i), count > 1 ? path + " Slide " + std::to_string(added) : path);
    }
    stack_.SetbGCT(before == 0 ? frames->GetbGCT() : 0);
    stack_.SetbkColorIndex(frames->GetbkColorIndex());
    // A file opened into an empty document is saved again as it was: same screen, same looping.
    if (before == 0) {
      stack_.SetScreenWidth(frames->GetScreenWidth());
      stack_.SetScreenHeight(frames->GetScreenHeight());
      stack_.SetLoopCount(frames->GetLoopCount());
    }
  } else if (stack_.AppendImageFrame(path.c_str(), nullptr, file.GetDataPtr(), file.GetPalettePtr(),
                                     file.GetWidth(), file.GetHeight(), file.GetBitsPerPixel(),
                                     file.GetColors()) >= 0) {
    added = 1;
  }
  file.DisposeOfImage();
  // The file's comments live in its own list, which goes with the undo copy that replaces it.
  for (int i = before; i < before + added; ++i) {
    if (ImageFrame* f = frame(i); f && f->comment) f->comment = const_cast<char*>(keep_comment(f->comment));
  }
  if (added == 0) {
    if (ImageFrame* left = frame(before); left && left->removed) stack_.RemoveFrame(before);
    return 0;
  }
  remember(std::move(undo));
  update(added);
  return added;
}

int CFramoraDoc::AddRawImage(const unsigned char* pixels, const RGBCOLOR* palette, unsigned short width,
                             unsigned short height, unsigned short bitsPerPixel, unsigned short colors,
                             const std::string& path) {
  if (!pixels || width == 0 || height == 0 || !supported_depth(bitsPerPixel)) return 0;
  const int before = GetFrameCount();
  auto undo = append_undo(before);
  if (stack_.AppendImageFrame(path.c_str(), nullptr, const_cast<unsigned char*>(pixels),
                              const_cast<RGBCOLOR*>(palette), width, height, bitsPerPixel, colors) < 0) {
    if (ImageFrame* left = frame(before); left && left->removed) stack_.RemoveFrame(before);
    return 0;
  }
  remember(std::move(undo));
  update(1);
  return 1;
}

int CFramoraDoc::AddImage(const _IMAGEDESCRIPTOR& image, const std::string& path) {
  return AddRawImage(image.imageData, image.palette, image.width, image.height, image.bitsPerPixel,
                     image.colors, path);
}

int CFramoraDoc::AddFromClipboard() {
  _IMAGEDESCRIPTOR image;
  if (!ivorel::image_from_clipboard(image)) return 0;
  const int added = AddImage(image);
  ivorel::free_image_block(image);
  return added;
}

int CFramoraDoc::CopyFrameToClipboard(int i) const {
  const ImageFrame* f = frame(i);
  if (!f) return 0;
  _IMAGEDESCRIPTOR image;
  image.width = f->width;
  image.height = f->height;
  image.xResolution = image.yResolution = 100;
  image.imageSize = f->imageSize;
  image.bitsPerPixel = f->bitsPerPixel;
  image.colors = f->colors;
  std::memcpy(image.palette, f->palette, sizeof image.palette);
  image.imageData = f->pixels;  // read only; the block stays the frame's
  return ivorel::image_to_clipboard(image);
}

Status CFramoraDoc::write(const std::string& path, int frameIndex, std::string* written) {
  // The writer gives the name its type's extension in place.
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  CompandType type = Compand::FileTypeFromName(name.data());
  if (type == CT_NONE) {
    type = CT_GIF;
    Compand::FileNameFromType(name.data(), type);
  }
  Compand writer;
  int ok;
  if (frameIndex < 0) {
    ok = writer.InitCompressor(type, name.data(), &stack_);
    writer.SetImageType(image_type(frame(0)->colors));
    ok = ok && writer.SaveImageStack();
  } else {
    ImageFrame* f = frame(frameIndex);
    ok = writer.InitCompressor(type, name.data(), f->width, f->height, f->bitsPerPixel, f->colors, f->pixels,
                               f->palette);
    writer.SetImageType(image_type(f->colors));
    ok = ok && writer.DoCompression();
  }
  if (!ok || writer.GetError() != 0) return Status::WriteFailed;
  if (written) *written = name.data();
  return Status::Ok;
}

Status CFramoraDoc::Save(const std::string& path, std::string* written) {
  const int n = GetFrameCount();
  if (n == 0) return Status::NothingToWrite;
  const CompandType type = Compand::FileTypeFromName(path.c_str());
  // A GIF of one frame is written as a stack too, so that it keeps its delay, transparency, place and
  // comment.
  const bool gif = type == CT_GIF || type == CT_NONE;
  const Status status = write(path, gif ? -1 : 0, written);
  if (status == Status::Ok) modified_ = false;
  return status;
}

Status CFramoraDoc::SaveFrame(int i, const std::string& path, std::string* written) {
  if (!frame(i)) return Status::BadFrame;
  return write(path, i, written);
}

std::string CFramoraDoc::BrowserTestPage(const std::string& gifName) {
  std::string page =
      "<HTML>\n<HEAD><TITLE>Framora Test</TITLE></HEAD>\n<BODY>\n<H1 align=center>Framora Testing</H1>\n";
  page += "<hr size=2 width=\"80%\">\n<IMG SRC=\"" + gifName + "\" ALT=\"" + gifName + "\">\n";
  page += "<hr size=2 width=\"80%\">" + std::string(GifWriter::kMakerText) + "\n</BODY>\n</HTML>\n";
  return page;
}

Status CFramoraDoc::WriteBrowserTest(const std::string& folder, std::string* page) {
  if (GetFrameCount() == 0) return Status::NothingToWrite;
  const std::string prefix = folder.empty() ? std::string() : folder + "/";
  const std::string pagePath = prefix + "Framora_Test.htm";
  std::FILE* out = std::fopen(pagePath.c_str(), "w");
  if (!out) return Status::WriteFailed;
  const std::string text = BrowserTestPage("Framora_Test.gif");
  const bool wrote = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !wrote) return Status::WriteFailed;
  const Status saved = write(prefix + "Framora_Test.gif", -1, nullptr);
  if (saved != Status::Ok) return saved;
  if (page) *page = pagePath;
  return Status::Ok;
}

}  // namespace framora
