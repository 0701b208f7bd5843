#include "ivorel/processing/processing.h"
#include "ivorel/windows/page_image.h"

void TProcessImage::PrintWrapper() {
  if (!image_ || !imageData_) return;
  ivorel::PrintHost* host = ivorel::print_host();
  if (!host) return;
  // The page keeps a copy of the descriptor and its pixels; the image may change while the job runs.
  const _IMAGEDESCRIPTOR copy = image_->image;
  const PageImage page("Pictaro Layout Page", copy, ivorel::printed_name(image_->name).c_str(),
                       host->Layout());
  host->Print(page);
}
