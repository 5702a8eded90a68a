#include "base/ReportLines.h"

#include "base/Utf8.h"

#include <cstdarg>

namespace vorlan {

namespace {

void WriteLine(std::FILE* out, ReportLine id, va_list arguments) {
    std::vfprintf(out, ReportLineText(id), arguments);
}

}  // namespace

void WriteReportLine(std::FILE* out, ReportLine id, ...) {
    va_list arguments;
    va_start(arguments, id);
    WriteLine(out, id, arguments);
    va_end(arguments);
}

void PrintReportLine(ReportLine id, ...) {
    va_list arguments;
    va_start(arguments, id);
    WriteLine(stdout, id, arguments);
    va_end(arguments);
}

void PrintReportLineWith(ReportLine id, const char16_t* path, std::FILE* out) {
    std::fputs(ReportLineText(id), out);
    WriteWide(out, path);
    std::fputs("\n", out);
}

}  // namespace vorlan
