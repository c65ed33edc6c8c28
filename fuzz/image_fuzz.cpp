// Image files (BMP, GIF, ICO, JPEG, PNG) through the image loader, drawn into a small box as the
// cover and background pictures are.

#include "fuzz/fuzz_support.h"
#include "render/image_loader.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size).toByteArray();
    // Fitted inside the box or stretched over it, by the input's length.
    const bool keepAspect = size % 2 == 0;
    const QSize box(48, 32);
    if (const std::optional<QImage> image =
            LoadPictureFromMemory(bytes, box, 0x336699, keepAspect)) {
        fuzz::Expect(image->size() == box, "the picture has the size asked for");
    }
    return 0;
}
