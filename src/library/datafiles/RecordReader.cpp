// The record reader: one pass over a data file, either counting its records
// or storing each into the next element. A bad record is reported where it
// goes wrong and the pass goes on to the next terminator, so one run lists
// every bad record of the file.

#include "library/datafiles/DataFormat.h"
#include "library/datafiles/FieldReaders.h"
#include "value/NumberText.h"

#include "value/Types.h"
#include "base/Messages.h"
#include "base/TextReader.h"
#include "value/Arrays.h"
#include "value/Text.h"

namespace vorlan::library {
namespace {

constexpr size_t kFieldTextMax = 200;
constexpr char16_t kQuote = u'"';

struct FieldText {
    char16_t chars[kFieldTextMax + 1];
    size_t count;
    bool tooLong;
    ReportPosition start;
};

class RecordPass {
public:
    RecordPass(TextReader& reader, const ReadSettings& settings) : r_(reader), s_(settings) {}

    // Reads every record; into elements of the block when it is given.
    Status Run(void* block, int32_t* records);

private:
    char16_t c() const { return r_.current; }
    bool AtEnd() const { return r_.current == kEndOfFile; }
    // A line feed between or inside records is white space only where it
    // cannot be the terminator: otherwise a short record would take the
    // fields of the next line.
    bool IsWhite(char16_t ch) const {
        return ch == u' ' || ch == u'\t' || ch == u'\r' || (ch == u'\n' && s_.terminator != u'\n');
    }
    void SkipWhite() {
        while (!AtEnd() && IsWhite(c())) r_.Advance();
    }
    void SkipToTerminator() {
        while (!AtEnd() && c() != s_.terminator) r_.Advance();
    }
    void SkipHeading();
    void ReadFieldText(FieldText& text);
    bool Convert(const FieldFormat& format, FieldText& text, void* element);
    bool ReadFields(void* element);

    TextReader& r_;
    const ReadSettings& s_;
    bool failed_ = false;
    bool outOfMemory_ = false;
};

void RecordPass::SkipHeading() {
    for (int32_t passed = 0; passed < s_.headingLines && !AtEnd();) {
        if (c() == u'\n') ++passed;
        r_.Advance();
    }
}

void RecordPass::ReadFieldText(FieldText& text) {
    SkipWhite();
    text.start = r_.position;
    text.count = 0;
    text.tooLong = false;
    size_t kept = 0;  // trailing white space goes, except inside quotes
    auto put = [&](char16_t ch, bool keep) {
        if (text.count == kFieldTextMax) {
            text.tooLong = true;
            return;
        }
        text.chars[text.count++] = ch;
        if (keep || !IsWhite(ch)) kept = text.count;
    };
    if (c() == kQuote) {
        r_.Advance();
        for (;;) {
            if (AtEnd()) break;
            const char16_t ch = c();
            r_.Advance();
            if (ch == kQuote) {
                if (c() != kQuote) break;
                r_.Advance();
            }
            put(ch, true);
        }
    }
    while (!AtEnd() && c() != s_.separator && c() != s_.terminator) {
        put(c(), false);
        r_.Advance();
    }
    text.count = kept;
    text.chars[text.count] = 0;
}

bool RecordPass::Convert(const FieldFormat& format, FieldText& text, void* element) {
    uint8_t value[8] = {};
    Status status = text.tooLong ? Status::Invalid : Status::Success;
    OwnedBlock<void> textBlock;
    if (status == Status::Success) {
        switch (format.kind) {
        case FieldKind::Number: {
            runtime::Number n;
            status = ReadNumberText({text.chars, text.count}, s_.decimalMark, &n);
            runtime::StoreCell(value, n);
            break;
        }
        case FieldKind::Truth: {
            runtime::Logical truth;
            status = ReadTruthText(text.chars, text.count, s_.words, &truth);
            runtime::StoreCell(value, truth);
            break;
        }
        case FieldKind::Enumeration: {
            const compiler::DataItem* item = nullptr;
            status = ReadEnumText(text.chars, text.count, *format.type, &item);
            runtime::StoreHandle(value, item);
            break;
        }
        case FieldKind::Time: {
            runtime::Time time;
            // A Time field named in the fields section without its own template reads by the global one.
            const TimeTemplate& layout = format.time.set ? format.time : s_.time;
            status = ReadTimeText(text.chars, text.count, layout, s_.words, &time);
            runtime::StoreCell(value, time);
            break;
        }
        case FieldKind::Text: {
            void* made = nullptr;
            status = runtime::MakeText(text.chars, text.count, &made);
            textBlock.Adopt(made);
            runtime::StoreHandle(value, made);
            break;
        }
        case FieldKind::None: status = Status::Invalid; break;
        }
    }
    if (status == Status::OutOfMemory) {
        outOfMemory_ = true;
        OutOfMemoryReport(&r_);
        return false;
    }
    if (status != Status::Success) {
        FileReport(&r_, &text.start, Msg::BadValue, text.chars);
        return false;
    }
    bool ok = true;
    if (element) {
        void* cell = static_cast<uint8_t*>(element) + format.field->offset;
        if (!format.array) {
            std::memcpy(cell, value, format.type->cellSize);
            (void)textBlock.Take();  // the element owns the text now
            return true;
        }
        if (runtime::AppendElement(cell, *format.type, value) != Status::Success) {
            outOfMemory_ = true;
            OutOfMemoryReport(&r_);
            ok = false;
        }
    }
    return ok;
}

bool RecordPass::ReadFields(void* element) {
    FieldText text;
    for (int32_t i = 0; i < s_.fieldCount;) {
        const FieldFormat& format = s_.fields[i];
        ReadFieldText(text);
        if (!Convert(format, text, element)) return false;
        const bool last = i + 1 == s_.fieldCount;
        if (last && !format.array) return true;
        SkipWhite();
        if (c() == s_.separator) {
            r_.Advance();
            SkipWhite();
            if (!format.array) ++i;
            continue;
        }
        // A record may end where its array field begins: the array is empty.
        const bool arrayNext = format.array || s_.fields[i + 1].array;
        if (arrayNext && (c() == s_.terminator || AtEnd())) return true;
        FileReport(&r_, nullptr, Msg::ExpectedFieldSeparator, nullptr);
        return false;
    }
    return true;
}

Status RecordPass::Run(void* block, int32_t* records) {
    const uint32_t cellSize = s_.elementType->cellSize;
    int32_t count = 0;
    SkipHeading();
    SkipWhite();
    while (!AtEnd() && !outOfMemory_) {
        if (c() == u'\n' || IsWhite(c())) {
            r_.Advance();
            continue;
        }
        if (s_.comment != 0 && c() == s_.comment) {
            while (!AtEnd() && c() != u'\n') r_.Advance();
            continue;
        }
        if (count == runtime::kLargestInteger) {
            OutOfMemoryReport(&r_);
            return Status::OutOfMemory;
        }
        void* element = nullptr;
        if (block) {
            if (count >= runtime::ElementCount(block)) return Status::Invalid;  // the file grew between passes
            element = runtime::ElementAddress(block, cellSize, static_cast<size_t>(count));
        }
        if (!ReadFields(element)) {
            failed_ = true;
            SkipToTerminator();
        }
        ++count;
        SkipWhite();
        if (!AtEnd() && c() != s_.terminator) {
            FileReport(&r_, nullptr, Msg::ExpectedEndOfRecord, nullptr);
            failed_ = true;
            SkipToTerminator();
        }
        if (!AtEnd()) r_.Advance();
        SkipWhite();
    }
    *records = count;
    if (outOfMemory_) return Status::OutOfMemory;
    return failed_ ? Status::Invalid : Status::Success;
}

}  // namespace

Status ReadRecords(TextReader& reader, const ReadSettings& settings, const compiler::TypeDescriptor& arrayType,
                   void* arrayCell) {
    int32_t records = 0;
    {
        RecordPass counting(reader, settings);
        VL_PROPAGATE(counting.Run(nullptr, &records));
    }
    if (!reader.file->Rewind()) return Status::Invalid;
    reader.position.line = 1;
    reader.position.column = 0;
    reader.Advance();
    void* block = nullptr;
    VL_PROPAGATE(runtime::CreateOpenArray(settings.elementType->cellSize, records, &block));
    runtime::StoreHandle(arrayCell, block);
    int32_t stored = 0;
    RecordPass storing(reader, settings);
    const Status status = storing.Run(block, &stored);
    if (status != Status::Success || stored != records) {
        runtime::FreeArray(arrayCell, *arrayType.baseType);
        return status != Status::Success ? status : Status::Invalid;
    }
    return Status::Success;
}

}  // namespace vorlan::library
