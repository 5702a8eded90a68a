#pragma once
// Shared by the driver tests: a scratch directory that cleans up after
// itself, whole-file writes, and a settings record with ROOT pointing at the
// scratch directory so files can be named "ROOT:/name".

#include "base/DirectoryNodes.h"
#include "base/FileDescriptor.h"
#include "base/Memory.h"
#include "base/Settings.h"
#include "base/TextReader.h"

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
        std::ofstream(File(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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

// A scratch directory as ROOT, and a check that everything the test
// allocated has been released by the time it ends.
class DriverFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        start_ = MemLiveCount();
        ASSERT_TRUE(dir.Ok());
        PrepareSettings(settings, Widen(dir.Path()));
    }
    void TearDown() override {
        settings.nodes = nullptr;
        EXPECT_EQ(MemLiveCount(), start_);
    }

    // A reader on "ROOT:/<name>" holding `bytes`, reporting to `stream`
    // (which closing the reader closes, unless standard output).
    struct Opened {
        FileDescriptor* descriptor = nullptr;
        TextReader* reader = nullptr;
        ~Opened() {
            CloseTextReader(reader);
            FreeFileDescriptor(descriptor);
        }
    };
    void Open(Opened& opened, std::string_view bytes, FILE* stream = stdout, const char* name = "text.txt",
              FileKind kind = FileKind::Source) {
        dir.Write(name, bytes);
        uint16_t code = 0;
        opened.descriptor = MakeFileDescriptor(Widen(std::string("ROOT:/") + name).c_str(), kind, settings, &code);
        ASSERT_NE(opened.descriptor, nullptr);
        opened.reader = OpenTextReader(opened.descriptor, stream, &code);
        ASSERT_NE(opened.reader, nullptr);
    }

    ScratchDir dir;
    Settings settings{};

private:
    uint32_t start_ = 0;
};

}  // namespace vorlan::test
