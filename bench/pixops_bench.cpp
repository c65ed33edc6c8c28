// Megapixels per second of the pixel operations on 480 x 320 pictures, one core.

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "render/gradient.h"
#include "render/pixops.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;

struct Image {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight);
    lumek::PixelView view() { return {pixels.data(), kWidth, kHeight, kWidth}; }
};

Image RandomImage(std::mt19937& random) {
    Image image;
    for (uint32_t& p : image.pixels) {
        p = 0xFF000000u | (random() & 0xFFFFFFu);
    }
    return image;
}

// Repeats the operation for about 0.3 s and prints its rate beside the target.
void Measure(const char* name, const char* target, const std::function<void()>& operation) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long calls = 0;
    double seconds = 0;
    do {
        operation();
        ++calls;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.3);
    const double megapixels = static_cast<double>(calls) * kWidth * kHeight / 1e6;
    std::printf("%-22s %8.1f Mpx/s   %s\n", name, megapixels / seconds, target);
}

}  // namespace

int main() {
    using namespace lumek;
    std::mt19937 random(7);
    Image dst = RandomImage(random);
    Image src = RandomImage(random);
    Image mask = RandomImage(random);
    const ConstPixelView source = AsConst(src.view());
    const ConstPixelView maskView = AsConst(mask.view());

    std::printf("pictures %d x %d\n", kWidth, kHeight);
    Measure("PxAlphaBlend alpha 100", "target >= 200 Mpx/s",
            [&] { PxAlphaBlend(dst.view(), 0, 0, kWidth, kHeight, source, 0, 0, 100, 0, 0); });
    Measure("PxAlphaBlend alpha 128", "target >= 200 Mpx/s",
            [&] { PxAlphaBlend(dst.view(), 0, 0, kWidth, kHeight, source, 0, 0, 128, 0, 0); });
    Measure("PxAlphaMask", "target >= 200 Mpx/s", [&] {
        PxAlphaMask(dst.view(), 0, 0, kWidth, kHeight, source, 0, 0, maskView, 0, 0, 0, 0);
    });
    Measure("PxAlphaMask mirrored", "target >= 200 Mpx/s", [&] {
        PxAlphaMask(dst.view(), 0, 0, kWidth, kHeight, source, 0, 0, maskView, 0, 0, 0,
                    kPxMirrorVertical);
    });
    Measure("PxBlur in place", "target >= 100 Mpx/s",
            [&] { PxBlur(dst.view(), AsConst(dst.view()), 0, 0); });
    Measure("PxHSL", "(no target)", [&] {
        PxHSL(dst.view(), 0, 0, kWidth, kHeight, source, 0, 0, 30.0f, 1.0f, 20.0f, 0, 0);
    });
    Measure("FillGradient 270", "(no target)",
            [&] { FillGradient(dst.view(), 0, 0, kWidth, kHeight, 0x0000FF, 0xFF0000, 270.0f); });
    return 0;
}
