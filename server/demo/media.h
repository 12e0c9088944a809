// Pictures and documents of the demo data, drawn from the random stream without any font.
#pragma once

#include "random.h"

#include <QByteArray>
#include <QRgb>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace demo::media {

QByteArray productPicture(Random& r, int width, int height);         // JPEG: a part on a soft background
QByteArray posterPicture(Random& r, int width, int height);          // JPEG: an announcement card
QByteArray animatedGif(Random& r, int width, int height, int frames); // looping GIF
// A looping GIF of frames given as indexes into a palette of 256 colours; delay in 1/100 s.
QByteArray gif(int width, int height, const std::vector<QRgb>& palette,
               const std::vector<std::vector<std::uint8_t>>& frames, int delay);
QByteArray bitmap(Random& r, int width, int height);                 // Windows BMP
// A one-page PDF with the lines in a standard font; Turkish letters included.
QByteArray textPdf(const QString& title, const QStringList& lines);

} // namespace demo::media
