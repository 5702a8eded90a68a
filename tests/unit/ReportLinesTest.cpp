// The report lines: every row's printf conversions are ones its callers
// supply, and a line with a text ends as the other report lines end.

#include "base/ReportLines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace vorlan {
namespace {

// A literal '%' in a row would be read as a conversion and print garbage.
TEST(ReportLines, EveryPercentSignIsAConversionTheCallersSupply) {
    static const char* const kConversions[] = {"%d", "%u", "%s", "%zu", "%lld", "%.1f", "%03d"};
    for (const ReportLineRow& row : kReportLines) {
        const std::string text = row.text;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
            bool known = false;
            for (const char* conversion : kConversions) known = known || text.compare(at, std::strlen(conversion), conversion) == 0;
            EXPECT_TRUE(known) << "row " << static_cast<int>(row.id) << ": " << text;
        }
    }
}

TEST(ReportLines, LinesWithTextsAndConversionsAreWrittenWhole) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintReportLineWith(ReportLine::CouldNotWrite, u"out/caf\u00e9.png", out);
    WriteReportLine(out, ReportLine::ProgramFailed, 6, "Untrapped program error");
    std::rewind(out);
    char buffer[200] = {};
    const size_t length = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    EXPECT_EQ(std::string(buffer, length),
              "Error - could not write out/caf\xc3\xa9.png\n"
              "Program failed with exit code 6 ( Untrapped program error )\n");
}

}  // namespace
}  // namespace vorlan
