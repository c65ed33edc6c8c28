#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace lumek {

// Decodes a BMP, GIF, ICO, JPEG or PNG image and draws it onto a picture of the requested size
// filled with the background colour (0x00BBGGRR), scaled smoothly: stretched over the whole
// picture, or with keepAspect fitted inside it and centred. A size of -1 (either dimension) means
// the image's own size. Transparent pixels show the background colour. Nothing when the data is
// not a readable image.
// The defaults give the image at its own size on white.
std::optional<QImage> LoadPicture(const QString& fileName, QSize size = {-1, -1},
                                  int32_t backColour = 0xFFFFFF, bool keepAspect = false);
std::optional<QImage> LoadPictureFromMemory(const QByteArray& data, QSize size = {-1, -1},
                                            int32_t backColour = 0xFFFFFF, bool keepAspect = false);

}  // namespace lumek
