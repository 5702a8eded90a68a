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

// The magic is checked unit by unit, so a refusal points at the first one
// that differs: a file that is no compiled file at all is told apart from a
// damaged one before any count in it is believed.
Status ReadCompiledHeader(CompiledReader& reader, CompiledKind expected) {
    const char16_t* magic = expected == CompiledKind::Program ? kProgramMagic : kLibraryMagic;
    for (size_t i = 0; i < 4; ++i) {
        uint16_t unit;
        VL_PROPAGATE(reader.Short(&unit));
        if (unit != magic[i]) return reader.Refuse(Refusal::WrongMagic);
    }
    uint16_t kind;
    VL_PROPAGATE(reader.Short(&kind));
    if (kind != static_cast<uint16_t>(expected)) return reader.Refuse(Refusal::WrongKind);
    uint16_t version;
    VL_PROPAGATE(reader.Short(&version));
    if (version != kCompiledVersion) {
        ReportOtherVersion();
        return reader.Refuse(Refusal::OtherVersion);
    }
    return Status::Success;
}

void ReportOtherVersion() { std::fputs(kVersionError, stdout); }

}  // namespace vorlan::library
