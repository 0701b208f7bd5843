// Printing the held image: one entry point, so that the print service can be wired in one place.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace vexil {

// Whether the Print command can run; the reason shown on the command when it cannot.
bool printing_available();
QString printing_unavailable_text();

// Prints the image for its owner window (the "Print" dialog: best fit, stretched, or scaled).
void print_image(QWidget* owner, const QImage& image);

}  // namespace vexil
