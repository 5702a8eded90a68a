#include "base/TextReader.h"

#include "base/ReportLines.h"
#include "base/FileDescriptor.h"
#include "base/Utf8.h"
#include "base/WideText.h"

#include <iterator>

namespace vorlan {

TextReader* OpenTextReader(const FileDescriptor* descriptor, FILE* reportStream, uint16_t* code) {
    Owned<TextFile> file(TextFile::Open(descriptor->resolvedPath, code));
    if (!file) return nullptr;
    auto* reader = new TextReader{};
    if (!reader) {
        *code = static_cast<uint16_t>(Msg::OutOfMemory);
        return nullptr;
    }
    reader->file = std::move(file);
    reader->reportStream = reportStream;
    reader->position = ReportPosition{descriptor, 1, 0};
    reader->Advance();
    return reader;
}

void CloseTextReader(TextReader*& reader) {
    if (!reader) return;
    if (reader->reportStream && reader->reportStream != stdout && reader->reportStream != stderr)
        std::fclose(reader->reportStream);
    delete reader;
    reader = nullptr;
}

char16_t TextReader::Advance() {
    if (stop) return current = kEndOfFile;
    char16_t c = file->Read();
    while (c == u'\r') {  // a carriage return never reaches a scanner
        position.column = 0;
        c = file->Read();
    }
    if (c == u'\n') {
        ++position.line;
        position.column = 0;
    } else {
        ++position.column;
    }
    return current = c;
}

char16_t TextReader::SkipBlanks() {
    while (current != kEndOfFile && IsBlank(current)) Advance();
    return current;
}

int FileReport(TextReader* reader, const ReportPosition* at, uint16_t code, const char16_t* detail) {
    if (!reader) return 0;
    if (code == 0) return 1;
    ++reader->errorCount;
    if (reader->stop) return 1;
    if (code == static_cast<uint16_t>(Msg::OutOfMemory)) reader->stop = true;
    if (reader->errorCount > kPrintedReports) return 1;
    FILE* out = reader->reportStream;
    if (!out) return 0;
    const ReportPosition& where = at ? *at : reader->position;
    static constexpr const char* kPrefixes[] = {nullptr, "SRC/", "INI/", "OBJ/", "DAT/"};
    const auto kind = where.file ? static_cast<size_t>(where.file->kind) : 0;
    const char* text = LookupMessage(code);  // a missing code's line comes before the report
    if (kind < std::size(kPrefixes) && kPrefixes[kind]) WriteReportLine(out, ReportLine::TextReaderError, kPrefixes[kind]);
    std::fprintf(out, "%03d: ", code);
    if (where.file) WriteWide(out, where.file->path);
    std::fprintf(out, "(%d,%d):", where.line, where.column);
    if (text) std::fprintf(out, " %s", text);
    if (detail) {
        std::fputs(" - ", out);
        WriteWide(out, detail);
    }
    std::fputs("\n", out);
    return 1;
}

int OutOfMemoryReport(TextReader* reader) { return FileReport(reader, nullptr, Msg::OutOfMemory, nullptr); }

bool SkipComment(TextReader& reader) {
    int depth = 1;
    char16_t previous = 0;
    for (;;) {
        const char16_t c = reader.current;
        if (c == kEndOfFile) {
            FileReport(&reader, nullptr, Msg::EofInComment, nullptr);
            return false;
        }
        reader.Advance();
        if (c == u'=' && previous == u'[') {
            ++depth;
            previous = 0;  // this "=" cannot also be the start of a closing "=]"
        } else if (c == u']' && previous == u'=') {
            if (--depth == 0) return true;
            previous = 0;
        } else {
            previous = c;
        }
    }
}

}  // namespace vorlan
