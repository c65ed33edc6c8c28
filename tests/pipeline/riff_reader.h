#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace lumek::testing {

// One chunk of a RIFF file; RIFF and LIST chunks carry their list type and children.
struct RiffChunk {
    QByteArray id;       // four characters
    QByteArray type;     // list type of RIFF and LIST, else empty
    int64_t offset = 0;  // of the chunk header in the file
    uint32_t size = 0;   // as the header says
    std::vector<RiffChunk> children;

    int64_t data() const { return offset + 8; }
    // The first child with this id (and list type, if given); null if none.
    const RiffChunk* find(const char* childId, const char* listType = nullptr) const;
    std::vector<const RiffChunk*> all(const char* childId) const;
};

// The top-level chunks of a file; a chunk that runs past the end of its parent stops the walk
// and is marked with id "????".
std::vector<RiffChunk> ParseRiff(const QByteArray& file);

// Little-endian values at a byte offset.
uint16_t U16At(const QByteArray& bytes, int64_t offset);
uint32_t U32At(const QByteArray& bytes, int64_t offset);
uint64_t U64At(const QByteArray& bytes, int64_t offset);

// A readable listing of the chunk tree with the fields of avih, strh, strf, dmlh and the idx1
// entries. Other chunks show their id, offset and size only.
QString DumpAvi(const QByteArray& file);

}  // namespace lumek::testing
