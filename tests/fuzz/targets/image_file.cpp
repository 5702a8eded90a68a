// Image files through the reader a run's ReadImage uses, one target for each
// kind (VORLAN_FUZZ_IMAGE names the file's extension): pictures are brought
// to scale 2, patterns reduced from their own scale to 1.

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
    const uint16_t scale = std::strcmp(VORLAN_FUZZ_IMAGE, "pat") == 0 ? 1 : 2;
    const Owned<graphics::SysImage> image(output::ReadImageFile(fuzz::ScratchPath(name).c_str(), scale));
    return 0;
}
