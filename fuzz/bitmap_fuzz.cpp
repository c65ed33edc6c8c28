// Windows bitmap (DIB) files as the bitmap reader loads them.

#include "fuzz/fuzz_support.h"
#include "render/bitmap.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::SilentHost host;
    BitmapData dib;
    if (!dib.CreateFromFile(fuzz::BytesAsFile(data, size), host)) {
        return 0;
    }
    fuzz::Expect(dib.Width() > 0 && dib.Height() > 0 && dib.SizeImage() > 0 &&
                     dib.SizeBitmapInfo() >= kBitmapInfoHeaderSize &&
                     int64_t{dib.SizeImage()} + dib.SizeBitmapInfo() + kBitmapFileHeaderSize <=
                         static_cast<int64_t>(size),
                 "a loaded bitmap's parts lie inside its file");
    if (dib.Compression() == 0) {
        const int64_t rowBytes = (int64_t{dib.Width()} * dib.BitCount() + 31) / 32 * 4;
        fuzz::Expect(rowBytes * dib.Height() <= dib.SizeImage(),
                     "an uncompressed bitmap holds every row");
    }
    // Every byte a user of the bitmap may read is there.
    unsigned sum = 0;
    for (int32_t i = 0; i < dib.SizeImage(); ++i) {
        sum += dib.PointerToBits()[i];
    }
    for (int32_t i = 0; i < dib.SizeBitmapInfo(); ++i) {
        sum += dib.PointerToBitmapInfo()[i];
    }
    return sum == 0xFFFFFFFF ? 1 : 0;  // keeps the reads
}
