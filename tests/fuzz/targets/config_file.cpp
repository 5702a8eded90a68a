// Configuration files read over a settings record of their own, as the
// driver reads the main one and -INI files.

#include "FuzzHarness.h"

#include "app/ConfigFile.h"
#include "base/FileDescriptor.h"
#include "base/Owned.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    fuzz::WriteScratch("input.ini", data, size);
    const fuzz::Account account;
    auto* settings = new Settings{};
    FillDefaultSettings(*settings);
    const std::u16string path = fuzz::ScratchPath("input.ini");
    uint16_t code = 0;
    if (DefineDirectoryNode(nullptr, nullptr, *settings, u"ROOT", fuzz::ScratchPath("").c_str())) {
        const Owned<FileDescriptor> descriptor(MakeFileDescriptor(path.c_str(), FileKind::Config, *settings, &code));
        if (descriptor && LoadConfigurationFile(*descriptor, *settings, stdout)) CopyRunSettings(*settings);
    }
    settings->nodes = nullptr;
    delete settings;
    return 0;
}
