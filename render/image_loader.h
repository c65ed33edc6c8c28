#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace lumek {

// A picture may declare at most this many pixels (8192 x 8192); a larger one is refused before
// it is decoded, whatever size it is drawn at.
inline constexpr int64_t kMaxPicturePixels = int64_t{64} * 1024 * 1024;

// What the pictures a user chooses (and songs' covers shown in the preview) are kept at, at
// most: they are stretched over canvas-sized pictures later, and canvases are screen-sized.
inline constexpr QSize kHeldPictureBox{2048, 2048};

// Decodes a BMP, GIF, ICO, JPEG or PNG image and draws it onto a picture of the requested size
// filled with the background colour (0x00BBGGRR), scaled smoothly: stretched over the whole
// picture, or with keepAspect fitted inside it and centred. A size of -1 (either dimension) means
// the image's own size. Transparent pixels show the background colour. Nothing when the data is
// not a readable image or declares more than kMaxPicturePixels; problem, when given, then says
// which (without the file's name, which the caller adds).
// JPEG and PNG images much larger than the picture are decoded at a reduced size, so a small
// file claiming a huge image costs no more memory than the picture drawn.
// The defaults give the image at its own size on white.
std::optional<QImage> LoadPicture(const QString& fileName, QSize size = {-1, -1},
                                  int32_t backColour = 0xFFFFFF, bool keepAspect = false,
                                  QString* problem = nullptr);
std::optional<QImage> LoadPictureFromMemory(const QByteArray& data, QSize size = {-1, -1},
                                            int32_t backColour = 0xFFFFFF, bool keepAspect = false,
                                            QString* problem = nullptr);

// The image on white at its own size, or, when it is larger than it takes to cover box, at the
// smallest size (aspect kept) that still covers it: for a picture stretched over one of at most
// that size later.
std::optional<QImage> LoadPictureCovering(const QString& fileName, QSize box,
                                          QString* problem = nullptr);
std::optional<QImage> LoadPictureCoveringFromMemory(const QByteArray& data, QSize box,
                                                    QString* problem = nullptr);

}  // namespace lumek
