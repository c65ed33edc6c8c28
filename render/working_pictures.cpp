#include "render/working_pictures.h"

namespace lumek {

void WorkingPictures::resize(int width, int height) {
    for (Picture* picture : {&Picture1, &PTMP2, &SP1, &SP2, &SP3, &SP6, &Picture4, &Picture7}) {
        picture->resize(width, height);
    }
    // The lyric colour layer is erased to white, every mask and layer else to black.
    SP3.setBackColour(0xFFFFFF);
    SP3.clear();
}

}  // namespace lumek
