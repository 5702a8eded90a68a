// The vorlan executable: turns the UTF-8 command line into wide arguments and
// hands them to the driver.

#include "app/Driver.h"
#include "base/Utf8.h"

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The arguments belong to the platform, like argv itself, so they are
    // converted outside the memory account.
    std::vector<std::u16string> wide(static_cast<size_t>(argc));
    std::vector<const char16_t*> pointers(static_cast<size_t>(argc) + 1, nullptr);
    for (int i = 0; i < argc; ++i) {
        const size_t length = std::strlen(argv[i]);
        wide[i].resize(length);  // UTF-8 never needs more 16-bit units than bytes
        vorlan::Utf8ToWide(argv[i], wide[i].data(), length);
        wide[i].resize(std::char_traits<char16_t>::length(wide[i].c_str()));
        pointers[i] = wide[i].c_str();
    }
    return vorlan::RunVorlan(argc, pointers.data());
}
