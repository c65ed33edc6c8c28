#include "pipeline/compressor_choice.h"

#include "base/ui_host.h"
#include "pipeline/frame_codec.h"

#include <array>

namespace lumek {

namespace {

struct Compressor {
    uint32_t handler;
    const char* name;
};

constexpr std::array kCompressors{
    Compressor{kCompressorDib, "전체 프레임 (압축 안 함)"},
    Compressor{kCompressorMjpeg, "Motion JPEG"},
};

}  // namespace

QStringList CompressorNames() {
    QStringList names;
    for (const Compressor& compressor : kCompressors) {
        names.append(QString::fromUtf8(compressor.name));
    }
    return names;
}

std::optional<uint32_t> CompressorAt(int index) {
    if (index < 0 || index >= static_cast<int>(kCompressors.size())) {
        return std::nullopt;
    }
    return kCompressors[static_cast<size_t>(index)].handler;
}

int CompressorIndex(uint32_t handler) {
    for (size_t i = 0; i < kCompressors.size(); ++i) {
        if (kCompressors[i].handler == handler) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<uint32_t> ChooseCompressor(CompressorChoice& choice, UiHost& host,
                                         uint32_t suggested) {
    if (choice.CompressorChosen) {
        return choice.CompressorHandler;
    }
    const std::optional<uint32_t> handler =
        CompressorAt(host.chooseCompressor(CompressorNames(), CompressorIndex(suggested)));
    if (handler) {
        choice.CompressorHandler = *handler;
        choice.CompressorChosen = true;
    }
    return handler;
}

}  // namespace lumek
