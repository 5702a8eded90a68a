// Image files through the reader a run's ReadImage uses, one target for each
// kind (VORLAN_FUZZ_IMAGE names the file's extension). Bitmaps and PNG
// pictures are brought to scale 2, which enlarges them; JPEG pictures stay
// at scale 1, since a few hundred bytes of JPEG can hold megapixels of flat
// colour, and enlarging those would be most of the target's time; patterns
// are reduced from their own scale to 1.

#include "FuzzHarness.h"

#include "base/Owned.h"
#include "graphics/Image.h"
#include "imagefiles/ImageFiles.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    const char* const name = "input." VORLAN_FUZZ_IMAGE;
    fuzz::WriteScratch(name, data, size);
    const fuzz::Account account;
    const bool enlarged = std::strcmp(VORLAN_FUZZ_IMAGE, "bmp") == 0 || std::strcmp(VORLAN_FUZZ_IMAGE, "png") == 0;
    const uint16_t scale = enlarged ? 2 : 1;
    const Owned<graphics::SysImage> image(output::ReadImageFile(fuzz::ScratchPath(name).c_str(), scale));
    return 0;
}
