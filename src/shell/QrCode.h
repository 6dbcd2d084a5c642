#pragma once
// A QR code of a text, as a picture a phone's camera reads off the screen.

#include <QImage>
#include <QString>

namespace ksr {

// The QR code of `text` (error correction M), `moduleSize` pixels a module,
// with the quiet zone of four modules around it, black on white; a null
// image when the text cannot be encoded.
QImage QrCodeImage(const QString &text, int moduleSize = 4);

} // namespace ksr
