#include "programfile/CompiledHeader.h"

#include "programfile/CompiledStream.h"

#include <cstdio>

namespace vorlan::library {

namespace {

constexpr char16_t kProgramMagic[4] = u"VRX";
constexpr char16_t kLibraryMagic[4] = u"VRL";
constexpr const char* kVersionError = "Library/program version error\n";

}  // namespace

Status WriteCompiledHeader(CompiledWriter& writer, CompiledKind kind) {
    const char16_t* magic = kind == CompiledKind::Program ? kProgramMagic : kLibraryMagic;
    for (size_t i = 0; i < 4; ++i) VL_PROPAGATE(writer.Short(magic[i]));  // the terminator too
    VL_PROPAGATE(writer.Short(static_cast<uint16_t>(kind)));
    return writer.Short(kCompiledVersion);
}

Status ReadCompiledHeader(CompiledReader& reader, CompiledKind expected) {
    uint16_t unit;
    for (size_t i = 0; i < 4; ++i) VL_PROPAGATE(reader.Short(&unit));
    uint16_t kind;
    VL_PROPAGATE(reader.Short(&kind));
    if (kind != static_cast<uint16_t>(expected)) return Status::Invalid;
    uint16_t version;
    VL_PROPAGATE(reader.Short(&version));
    if (version != kCompiledVersion) {
        ReportOtherVersion();
        return Status::Invalid;
    }
    return Status::Success;
}

void ReportOtherVersion() { std::fputs(kVersionError, stdout); }

}  // namespace vorlan::library
