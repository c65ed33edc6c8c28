#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>

namespace lumek {

class UiHost;

// The codec of a make job, chosen once: a new job clears it, and every song of the job after the
// choice uses the same codec.
struct CompressorChoice {
    bool CompressorChosen = false;
    uint32_t CompressorHandler = 0;  // kCompressorDib or kCompressorMjpeg
};

// The codecs offered, in list order: uncompressed DIB first, then Motion JPEG.
QStringList CompressorNames();
// The handler code of a list index; nothing outside the list.
std::optional<uint32_t> CompressorAt(int index);
// The list index of a handler code, or -1.
int CompressorIndex(uint32_t handler);

// The handler for the next song's stream: the job's earlier choice, else the host is asked,
// suggesting the given handler, and its answer kept for the job. Nothing when the host dismissed
// the choice (or answered outside the list): that song gets no frames, and the next song asks
// again.
std::optional<uint32_t> ChooseCompressor(CompressorChoice& choice, UiHost& host,
                                         uint32_t suggested);

}  // namespace lumek
