#pragma once
// How a data file is laid out and how each field of its records is read:
// the settings a format file changes, with the defaults a missing format
// file leaves, and one field format per field of the element type.

#include "base/LanguageTables.h"
#include "base/Owned.h"
#include "base/Status.h"

#include <cstdint>
#include <cstdio>

namespace vorlan {
struct TextReader;
}
namespace vorlan::compiler {
struct TypeDescriptor;
struct DataItem;
}  // namespace vorlan::compiler

namespace vorlan::library {

constexpr uint16_t kTimeTemplateMax = 30;
constexpr uint16_t kLanguageNameMax = 7;

enum class FieldKind : uint8_t { None, Number, Truth, Text, Time, Enumeration };

struct TimeTemplate {
    char16_t text[kTimeTemplateMax + 1];
    int32_t pivot;  // 0: years below 100 stay as written
    bool set;       // named by a format file's fields section
};

struct FieldFormat {
    const compiler::DataItem* field;
    const compiler::TypeDescriptor* type;  // the element type for an array field
    FieldKind kind;
    bool array;
    TimeTemplate time;
};

constexpr int32_t kMaxFields = 1000;

constexpr uint32_t kTagReadSettings = 10301;

struct ReadSettings : Tagged<kTagReadSettings> {
    const compiler::TypeDescriptor* elementType;
    uint8_t fileMode;  // 1 text, 2 binary: kept, reading is the same
    int32_t headingLines;
    char16_t language[kLanguageNameMax + 1];
    LanguageTables words;
    TimeTemplate time;
    char16_t terminator;
    char16_t separator;
    char16_t decimalMark;
    char16_t comment;  // 0: none
    int32_t fieldCount;
    OwnedBlock<FieldFormat> fields;
};

// Defaults for the element type, with the words of the run's language.
// nullptr when memory runs out or a field cannot be read from a file.
ReadSettings* MakeReadSettings(const compiler::TypeDescriptor& elementType);

// Reads the format file open on `reader` into `settings`; every problem is
// reported on the reader's stream. Invalid (or OutOfMemory) on failure.
Status ReadFormatFile(TextReader& reader, ReadSettings& settings);

// A template with an optional "[pivot]" after its Y; false when it does not fit.
bool SetTimeTemplate(const char16_t* text, TimeTemplate& out);

// Fills the array cell with one element per record of the data file open on
// `reader`; every bad record is reported, then the read fails with Invalid.
Status ReadRecords(TextReader& reader, const ReadSettings& settings, const compiler::TypeDescriptor& arrayType,
                   void* arrayCell);

}  // namespace vorlan::library
