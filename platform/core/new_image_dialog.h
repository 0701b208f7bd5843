// The new-image dialog as a request: size, depth, resolutions and background of a blank image. The GUI
// installs the real dialog; tests install scripted ones. Without a service every request is cancelled.
#pragma once

namespace pcore {

struct NewImageRequest {
  const void* owner = nullptr;
  int width = 640;
  int height = 480;
  int bitsPerPixel = 24;  // 1, 4, 8 or 24
  int xResolution = 100;  // dots per inch
  int yResolution = 100;
  int background = 1;  // 1 white, 2 red, 3 green, 4 blue, anything else black
};

class NewImageDialogService {
 public:
  virtual ~NewImageDialogService() = default;
  // kIdOk with the request filled in, or kIdCancel (message_box.h).
  virtual int run(NewImageRequest& request) = 0;
};

void install_new_image_dialog(NewImageDialogService* service);
int run_new_image_dialog(NewImageRequest& request);

}  // namespace pcore
