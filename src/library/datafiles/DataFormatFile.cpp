// Read settings: the defaults for an element type and the format file that
// changes them.

#include "library/datafiles/DataFormat.h"

#include "value/Types.h"
#include "base/ConfigScanner.h"
#include "base/LanguageFile.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "base/TextReader.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

namespace vorlan::library {
namespace {

constexpr uint32_t kTagFieldFormats = 10302;

bool IsSystem(const compiler::TypeDescriptor* type, uint16_t code) {
    return type && type->systemDeclared && type->typeCode == code;
}

FieldKind KindOf(const compiler::TypeDescriptor* type) {
    if (IsSystem(type, kNumber)) return FieldKind::Number;
    if (IsSystem(type, kLogical)) return FieldKind::Truth;
    if (IsSystem(type, kText)) return FieldKind::Text;
    if (IsSystem(type, kTime)) return FieldKind::Time;
    if (type && type->kind == compiler::TypeKind::Enumeration) return FieldKind::Enumeration;
    return FieldKind::None;
}

enum class Section { None, Global, Fields };

struct FormatScan {
    TextReader& reader;
    ReadSettings& settings;
    char16_t text[kConfigTokenMax + 1];
    Section section = Section::None;
    int32_t fieldNumber = 0;

    bool Fail(Msg code, const char16_t* detail) {
        FileReport(&reader, nullptr, code, detail);
        return false;
    }
};

bool ReadWholeValue(const char16_t* text, int32_t* out) {
    int64_t value = 0;
    if (!ReadDecimal(text, &value) || value < 0 || value > runtime::kLargestInteger) return false;
    *out = static_cast<int32_t>(value);
    return true;
}

bool GlobalTag(FormatScan& scan, const char16_t* tag, const char16_t* value) {
    ReadSettings& settings = scan.settings;
    if (WideEqualNoCase(tag, u"filemode")) {
        if (WideEqualNoCase(value, u"text")) settings.fileMode = 1;
        else if (WideEqualNoCase(value, u"binary")) settings.fileMode = 2;
        else return scan.Fail(Msg::UnknownValueName, value);
    } else if (WideEqualNoCase(tag, u"headlines")) {
        if (!ReadWholeValue(value, &settings.headingLines)) return scan.Fail(Msg::BadValue, value);
    } else if (WideEqualNoCase(tag, u"language")) {
        WideCopy(settings.language, value, kLanguageNameMax);
        if (!LoadLanguageFile(settings.language, GlobalSettings(), settings.words))
            return scan.Fail(Msg::BadValue, value);
    } else if (WideEqualNoCase(tag, u"timeformat")) {
        if (!SetTimeTemplate(value, settings.time)) return scan.Fail(Msg::BadValue, value);
    } else if (WideEqualNoCase(tag, u"terminator") || WideEqualNoCase(tag, u"decimal") ||
               WideEqualNoCase(tag, u"separator") || WideEqualNoCase(tag, u"comment")) {
        if (!value[0]) return scan.Fail(Msg::BadValue, value);
        char16_t& place = WideEqualNoCase(tag, u"terminator") ? settings.terminator
                          : WideEqualNoCase(tag, u"decimal")  ? settings.decimalMark
                          : WideEqualNoCase(tag, u"separator") ? settings.separator
                                                               : settings.comment;
        place = value[0];
    } else {
        return scan.Fail(Msg::UnknownTag, tag);
    }
    return true;
}

// Only Time fields take tags; a field number out of range or naming a field
// of another type fails the read as it stands, without a report.
bool FieldTag(FormatScan& scan, const char16_t* tag, const char16_t* value) {
    if (scan.fieldNumber < 1 || scan.fieldNumber > scan.settings.fieldCount) return false;
    FieldFormat& field = scan.settings.fields[scan.fieldNumber - 1];
    if (field.kind != FieldKind::Time) return false;
    if (WideEqualNoCase(tag, u"timeformat")) {
        if (!SetTimeTemplate(value, field.time)) return scan.Fail(Msg::BadValue, value);
        field.time.set = true;
    } else if (WideEqualNoCase(tag, u"decimal")) {
        return scan.Fail(Msg::BadValue, value);
    }
    return true;
}

// tag "=" value ";", the tag's text already taken.
bool Entry(FormatScan& scan) {
    char16_t tag[kConfigTokenMax + 1];
    WideCopy(tag, scan.text, kConfigTokenMax);
    if (IsDecimalDigit(tag[0])) {
        if (!ReadWholeValue(tag, &scan.fieldNumber)) return scan.Fail(Msg::BadValue, tag);
        if (ScanConfigToken(scan.reader, scan.text) != ConfigToken::Colon) return scan.Fail(Msg::ExpectedColon, nullptr);
        return true;
    }
    if (scan.section == Section::None) return false;
    if (ScanConfigToken(scan.reader, scan.text) != ConfigToken::Equals) return scan.Fail(Msg::ExpectedEquals, nullptr);
    if (!IsConfigValue(ScanConfigToken(scan.reader, scan.text))) return scan.Fail(Msg::ExpectedValue, nullptr);
    char16_t value[kConfigTokenMax + 1];
    WideCopy(value, scan.text, kConfigTokenMax);
    if (ScanConfigToken(scan.reader, scan.text) != ConfigToken::Semicolon)
        return scan.Fail(Msg::ExpectedSemicolonIni, nullptr);
    return scan.section == Section::Global ? GlobalTag(scan, tag, value) : FieldTag(scan, tag, value);
}

}  // namespace

bool SetTimeTemplate(const char16_t* text, TimeTemplate& out) {
    if (WideLength(text) > kTimeTemplateMax) return false;
    int32_t pivot = 0;
    for (const char16_t* c = text; *c; ++c) {
        if (*c != u'Y' || c[1] != u'[') continue;
        const char16_t* digit = c + 2;
        int32_t value = 0;
        for (; IsDecimalDigit(*digit); ++digit) {
            value = value * 10 + (*digit - u'0');
            if (value > 9999) return false;
        }
        if (*digit != u']' || digit == c + 2) return false;
        pivot = value;
        c = digit;
    }
    WideCopy(out.text, text, kTimeTemplateMax);
    out.pivot = pivot;
    return true;
}

ReadSettings* MakeReadSettings(const compiler::TypeDescriptor& elementType) {
    int32_t count = 0;
    for (const compiler::DataItem* field = elementType.fields.first; field; field = field->next) ++count;
    if (count == 0 || count > kMaxFields) return nullptr;
    Owned<ReadSettings> settings(new ReadSettings{});
    if (!settings || !settings->fields.Allocate(static_cast<size_t>(count), kTagFieldFormats)) return nullptr;
    settings->elementType = &elementType;
    settings->fileMode = 1;
    settings->words = GlobalSettings().languages;
    SetTimeTemplate(u"Y-M-D h:m:s.f", settings->time);
    settings->terminator = u'\n';
    settings->separator = u',';
    settings->decimalMark = u'.';
    settings->fieldCount = count;
    int32_t n = 0;
    for (const compiler::DataItem* field = elementType.fields.first; field; field = field->next, ++n) {
        FieldFormat& format = settings->fields[n];
        format.field = field;
        format.array = field->type && field->type->kind == compiler::TypeKind::Array;
        format.type = format.array ? field->type->baseType : field->type;
        format.kind = KindOf(format.type);
        if (format.kind == FieldKind::None) return nullptr;
    }
    return settings.Take();
}

Status ReadFormatFile(TextReader& reader, ReadSettings& settings) {
    FormatScan scan{reader, settings, {}};
    for (;;) {
        switch (ScanConfigToken(reader, scan.text)) {
        case ConfigToken::EndOfFile: return reader.stop ? Status::OutOfMemory : Status::Success;
        case ConfigToken::CommentStart:
            if (!SkipComment(reader)) return Status::Invalid;
            break;
        case ConfigToken::Section:
            if (WideEqualNoCase(scan.text, u"global")) scan.section = Section::Global;
            else if (WideEqualNoCase(scan.text, u"fields")) scan.section = Section::Fields;
            else {
                scan.Fail(Msg::UnknownSection, scan.text);
                return Status::Invalid;
            }
            break;
        case ConfigToken::Word:
            if (!Entry(scan)) return Status::Invalid;
            break;
        default: break;  // a stray "=", ";", "," or ":" between entries
        }
    }
}

}  // namespace vorlan::library
