#pragma once

#include "base/settings.h"
#include "bench/quiet_host.h"
#include "render/gradient.h"
#include "render/working_pictures.h"

namespace lumek::bench {

// What the lyric renderer draws with in the benchmarks: a 480 x 320 canvas over a gradient,
// the iPhone preset with the neighbour lines shown.
struct LyricStage {
    Settings settings = MakePreset(Preset::IPhone);
    DerivedSettings derived;
    ImageHolders holders;
    WorkingPictures pictures;
    RenderState state;
    QuietHost host;
    const RenderContext context{settings, derived, pictures, holders, state, host};

    LyricStage() {
        settings.SubTextShow = 1;
        refresh();
        pictures.resize(480, 320);
        FillGradient(pictures.PTMP2.view(), 0, 0, 480, 320, 0x602010, 0x201060, 270.0f);
    }
    // Works the derived values out again after a change of settings.
    void refresh() { derived = DeriveSettings(settings); }
};

}  // namespace lumek::bench
