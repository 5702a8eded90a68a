#pragma once
// Shared by the driver tests: a scratch directory that cleans up after
// itself, whole-file writes, and a settings record with ROOT pointing at the
// scratch directory so files can be named "ROOT:/name".

#include "driver/DirectoryNodes.h"
#include "driver/Settings.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace vorlan::test {

// Byte-for-unit widening: enough for the ASCII texts and paths tests use.
inline std::u16string Widen(std::string_view text) {
    std::u16string wide;
    for (char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Everything written to a stream so far.
inline std::string ReadStream(FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c; (c = std::fgetc(stream)) != EOF;) text += static_cast<char>(c);
    return text;
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = ::testing::TempDir() + "vorlan_driver_XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern + "/";
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }  // ends in "/"
    std::string File(std::string_view name) const { return path_ + std::string(name); }
    std::string Write(std::string_view name, std::string_view bytes) const {
        WriteBytes(File(name), bytes);
        return File(name);
    }

private:
    std::string path_;
};

// Defaults plus ROOT; the caller frees the nodes.
inline void PrepareSettings(Settings& settings, const std::u16string& root) {
    FillDefaultSettings(settings);
    ASSERT_TRUE(DefineDirectoryNode(nullptr, nullptr, settings, u"ROOT", root.c_str()));
}

}  // namespace vorlan::test
