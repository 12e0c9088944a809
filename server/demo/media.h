// Pictures and documents of the demo data, drawn from the random stream without any font.
#pragma once

#include "random.h"

#include <QByteArray>
#include <QStringList>

namespace demo::media {

QByteArray productPicture(Random& r, int width, int height);         // JPEG: a part on a soft background
QByteArray posterPicture(Random& r, int width, int height);          // JPEG: an announcement card
QByteArray animatedGif(Random& r, int width, int height, int frames); // looping GIF
QByteArray bitmap(Random& r, int width, int height);                 // Windows BMP
// A one-page PDF with the lines in a standard font; Turkish letters included.
QByteArray textPdf(const QString& title, const QStringList& lines);

} // namespace demo::media
