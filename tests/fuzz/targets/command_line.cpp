// Command lines, one argument a line, read over a settings record of their
// own as the driver reads them, with the output path built after; ROOT and
// LANGFILES name the scratch folder, so -INI and -LNG read what an earlier
// input of another target left there, or nothing.

#include "FuzzHarness.h"

#include "app/CommandLine.h"
#include "base/Utf8.h"

#include <string>
#include <vector>

namespace {

constexpr size_t kMostArguments = 64;

// The arguments as main() makes them: each line's bytes, UTF-8 to wide.
std::vector<std::u16string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::u16string> arguments{u"vorlan"};
    std::string line;
    for (size_t i = 0; i <= size && arguments.size() < kMostArguments; ++i) {
        if (i < size && data[i] != '\n') {
            line += static_cast<char>(data[i] ? data[i] : ' ');  // a C string ends at the first zero byte
            continue;
        }
        std::u16string wide(line.size() + 1, u'\0');
        vorlan::Utf8ToWide(line.c_str(), wide.data(), line.size());
        wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
        arguments.push_back(wide);
        line.clear();
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    const std::vector<std::u16string> arguments = Arguments(data, size);
    std::vector<const char16_t*> pointers;
    for (const std::u16string& argument : arguments) pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    const fuzz::Account account;
    auto* settings = new Settings{};
    FillDefaultSettings(*settings);
    if (DefineDirectoryNode(nullptr, nullptr, *settings, u"ROOT", fuzz::ScratchPath("").c_str()) &&
        DefineDirectoryNode(nullptr, nullptr, *settings, u"LANGFILES", fuzz::ScratchPath("").c_str())) {
        CopyRunSettings(*settings);
        if (ReadCommandLine(static_cast<int>(arguments.size()), pointers.data(), *settings)) (void)BuildOutputPath(*settings);
    }
    settings->nodes = nullptr;
    delete settings;
    return 0;
}
