#include "FuzzHarness.h"

#include "base/DirectoryNodes.h"
#include "base/Memory.h"
#include "base/Utf8.h"
#include "compiler/Compilation.h"
#include "interp/ProgramRun.h"
#include "interp/RunBudget.h"
#include "library/system/Embedding.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vorlan::fuzz {
namespace {

std::string gScratch;  // ends in "/"

[[noreturn]] void Fail(const char* what, const std::string& detail = "") {
    std::fflush(stdout);
    std::fprintf(stderr, "fuzz harness: %s %s\n", what, detail.c_str());
    std::abort();
}

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(gScratch, ignored);
}

void MakeScratch() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/vorlan-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch folder in", base);
    gScratch = pattern + "/";
    std::atexit(RemoveScratch);
}

// Reports go to standard output, and a target makes millions of them.
void QuietOutput() {
    if (std::getenv("VORLAN_FUZZ_SHOW_OUTPUT")) return;
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0) Fail("cannot send standard output to /dev/null");
    close(null);
}

std::u16string Wide(const std::string& text) {
    std::u16string wide(text.size() + 1, u'\0');
    if (!Utf8ToWide(text.c_str(), wide.data(), text.size())) Fail("path is not UTF-8:", text);
    wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
    return wide;
}

void Define(Settings& settings, const char16_t* name) {
    if (!DefineDirectoryNode(nullptr, nullptr, settings, name, Wide(gScratch).c_str())) Fail("cannot define a node");
}

Settings& Prepare() {
    compiler::SetEmbedding(library::SystemEmbedding());
    MakeScratch();
    QuietOutput();
    Settings& settings = GlobalSettings();
    FillDefaultSettings(settings);
    FillBuiltinLanguage(settings.languages);
    Define(settings, u"ROOT");
    Define(settings, u"LANGFILES");
    settings.picture.fileType = FileType::Bmp;
    settings.picture.width = 8;
    settings.picture.height = 8;
    CopyRunSettings(settings);
    WideCopy(settings.run.outputPath, Wide(gScratch + "out.bmp").c_str(), kPathMax);
    settings.run.scale = ScaleFactor(settings.run.picture);
    return settings;
}

}  // namespace

Settings& Harness() {
    static Settings& settings = Prepare();
    return settings;
}

std::string ScratchPathUtf8(const char* name) {
    Harness();
    return gScratch + name;
}

std::u16string ScratchPath(const char* name) { return Wide(ScratchPathUtf8(name)); }

void WriteScratch(const char* name, const uint8_t* data, size_t size) {
    const std::string path = ScratchPathUtf8(name);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) Fail("cannot write", path);
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) Fail("cannot write", path);
}

void WriteScratch(const char* name, const std::string& text) {
    WriteScratch(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The harness's own blocks are made before the first account is opened.
Account::Account() : live_((Harness(), MemLiveCount())), twice_(MemReleasedTwiceCount()) {}

Account::~Account() {
    if (MemReleasedTwiceCount() != twice_) Fail("a block was released twice");
    if (MemLiveCount() == live_) return;
    std::fprintf(stderr, "fuzz harness: %u blocks made for this input are still alive (tag, size):\n",
                 MemLiveCount() - live_);
    MemDump("/dev/stderr");
    std::abort();
}

compiler::Compilation* CompileScratch(const char* name, RunMode mode) {
    Settings& settings = Harness();
    settings.run.runMode = mode;
    compiler::Compilation* program = nullptr;
    if (compiler::Compile(ScratchPath(name).c_str(), settings, &program) != Status::Success) {
        compiler::FreeCompilation(program);
        return nullptr;
    }
    return program;
}

compiler::Compilation* CompileFixed(const char* name, const std::string& source, const char* besideName,
                                    const std::string& beside) {
    if (besideName) WriteScratch(besideName, beside);
    WriteScratch(name, source);
    compiler::Compilation* program = CompileScratch(name);
    if (!program) Fail("the target's own program does not compile:", name);
    return program;
}

void RunBounded(compiler::Compilation& program, uint64_t steps) {
    Settings& settings = Harness();
    settings.run.runMode = RunMode::RunSource;
    settings.run.randomSeed = 1;
    runtime::SetRunBudget(steps);
    uint32_t leftBehind = 0;
    (void)runtime::RunProgram(program, settings, &leftBehind);
    runtime::SetRunBudget(UINT64_MAX);
    if (leftBehind != 0) Fail("the run left blocks behind");
}

void RunOnInput(compiler::Compilation& program, const char* name, const uint8_t* data, size_t size) {
    WriteScratch(name, data, size);
    const Account account;
    RunBounded(program);
}

}  // namespace vorlan::fuzz
