// A small PDF writer for printed pages: each page is a paper-sized MediaBox holding the images drawn on
// it as compressed RGB image XObjects (nearest-pixel, no interpolation, so the page shows the pixels as a
// printer would) and captions in the standard Courier font, whose fixed advance lets us centre a name
// exactly without embedding a font. Qt-free, so the command line writes the same pages the editor prints.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ivorel/windows/page_image.h"

namespace ivorel {

class PdfWriter {
 public:
  explicit PdfWriter(std::string title);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // Starts a page of the paper's size; the device stays valid until EndPage.
  PageDevice& BeginPage(const PageSetup& paper);
  void EndPage();
  int PageCount() const;
  // The whole file.
  std::string Finish();
  // Writes the file aside and renames it onto `path`, so a failed write keeps an existing file; false with
  // `error` set on failure.
  bool Save(const std::string& path, std::string* error);

 private:
  class Page;
  std::string title_;
  std::vector<std::string> objects_;  // object i + 1, without its "n 0 obj" wrapper
  std::vector<int> pageObjects_;
  std::unique_ptr<Page> page_;
  int AddObject(std::string body);
  friend class Page;
};

}  // namespace ivorel
