#include "render/cover_art.h"

#include "audio/id3_picture.h"
#include "render/image_loader.h"

namespace lumek {

std::optional<QImage> ReadCoverArt(const QString& mp3Path) {
    const std::optional<QByteArray> image = ExtractCoverArt(mp3Path);
    if (!image) {
        return std::nullopt;
    }
    return LoadPictureFromMemory(*image);
}

}  // namespace lumek
