// ID3 tags: the v2 header, the cover picture frame (v2.2 to v2.4, unsynchronisation, extended
// headers, frame flags), tag text fields and the v1 tag at the end of a file.

#include "audio/id3_picture.h"
#include "audio/id3_tags.h"
#include "fuzz/fuzz_support.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    if (const std::optional<Id3v2Header> header = ParseId3v2Header(bytes)) {
        fuzz::Expect(Id3v2Size(bytes) == header->totalSize() && header->totalSize() >= 10,
                     "a tag's size counts its header");
    }
    if (const std::optional<QByteArray> picture = ExtractCoverArtFromBytes(bytes)) {
        fuzz::Expect(!picture->isEmpty() && picture->size() < bytes.size(),
                     "a picture is part of its tag");
    }
    const QString path = fuzz::BytesAsFile(data, size);
    fuzz::Expect(ExtractCoverArt(path) == ExtractCoverArtFromBytes(bytes),
                 "the file's picture is the picture of its bytes");

    Id3v1Kind(bytes.last(std::min<qsizetype>(bytes.size(), 128)));
    for (int mode = 0; mode < 4; ++mode) {
        BytesToText(bytes, bytes.size(), mode, mode % 2 == 0);
    }
    return 0;
}
