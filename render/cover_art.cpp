#include "render/cover_art.h"

#include "audio/id3_picture.h"
#include "render/image_loader.h"

namespace lumek {

std::optional<QImage> ReadCoverArt(const QString& mp3Path, QSize box, QString* problem) {
    const std::optional<QByteArray> image = ExtractCoverArt(mp3Path);
    if (!image) {
        return std::nullopt;
    }
    return LoadPictureCoveringFromMemory(*image, box, problem);
}

QString CoverArtProblem(const QString& mp3Path, const QString& problem) {
    return QStringLiteral("노래의 표지 그림을 쓸 수 없습니다: %1 (%2)").arg(mp3Path, problem);
}

}  // namespace lumek
