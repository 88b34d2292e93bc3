#include "CheckMarkImages.h"

#include <QVector>

namespace {

// One hexadecimal digit per pixel, indices into the 16-colour system palette.
const char *const checkedRows[16] = {
    "3333333333333333", "3333333333333733", "3300000000003733", "330fffffffff3733",
    "330fffffff0f3733", "330ffffff00f3733", "330f0fff000f3733", "330f00f000ff3733",
    "330f00000fff3733", "330ff000ffff3733", "330fff0fffff3733", "330fffffffff3733",
    "3333333333333733", "3777777777777733", "3333333333333333", "3333333333333333",
};

QVector<QRgb> sixteenColours()
{
    return {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
}

QImage fromRows(const char *const rows[16])
{
    QImage image(16, 16, QImage::Format_Indexed8);
    image.setColorTable(sixteenColours());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, uint(QByteArray(1, rows[y][x]).toUInt(nullptr, 16)));
    return image;
}

} // namespace

QImage checkedImage()
{
    return fromRows(checkedRows);
}

QImage uncheckedImage()
{
    // The same picture with the white box left empty.
    const char *rows[16];
    for (int y = 0; y < 16; ++y)
        rows[y] = (y >= 3 && y <= 11) ? "330fffffffff3733" : checkedRows[y];
    return fromRows(rows);
}
