#include "shell/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace ksr {

QImage QrCodeImage(const QString &text, int moduleSize)
{
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (code == nullptr || moduleSize < 1)
        return {};
    constexpr int QuietModules = 4;
    const int side = (code->width + 2 * QuietModules) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1U) == 0)
                continue;
            for (int dy = 0; dy < moduleSize; ++dy) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine((y + QuietModules) * moduleSize + dy));
                for (int dx = 0; dx < moduleSize; ++dx)
                    line[(x + QuietModules) * moduleSize + dx] = qRgb(0, 0, 0);
            }
        }
    }
    return image;
}

} // namespace ksr
