#include "base/Messages.h"

#include "base/ReportLines.h"
#include "base/Utf8.h"

#include <array>
#include <iterator>
#include <cstdio>

namespace vorlan {
namespace {

struct MessageRow {
    uint16_t code;
    const char* text;
};

constexpr MessageRow kMessages[] = {
#define VL_MESSAGE(code, name, text) {code, text},
#include "base/MessageList.h"
#undef VL_MESSAGE
};

constexpr bool Ascending() {
    for (size_t i = 1; i < std::size(kMessages); ++i) {
        if (kMessages[i - 1].code >= kMessages[i].code) return false;
    }
    return true;
}
static_assert(Ascending(), "messages must be listed in ascending order of code");

}  // namespace

const char* LookupMessage(uint16_t code) {
    for (const MessageRow& row : kMessages) {
        if (row.code == code) return row.text;
    }
    PrintReportLine(ReportLine::MessageNotFound, code);
    return nullptr;
}

int CommandLineReport(uint16_t code, const char16_t* detail) {
    if (code == 0) return 1;
    const char* text = LookupMessage(code);  // a missing code's line comes before the report
    PrintReportLine(ReportLine::CommandLineError, code);
    if (text) std::printf(" %s", text);
    if (detail) {
        std::fputs(" ", stdout);
        WriteWide(stdout, detail);
    }
    std::fputs("\n", stdout);
    return 1;
}

}  // namespace vorlan
