// The text reader: line and column tracking, what happens after an
// out-of-memory report, and nested comments.

#include "DriverTestSupport.h"
#include "base/TextReader.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlan {
namespace {

using TextReaderTest = test::DriverFileTest;

TEST_F(TextReaderTest, LinesAndColumns) {
    struct Step {
        char16_t c;
        int32_t line;
        int32_t column;
    };
    // A line feed sits at column 0 of the line it starts; CR LF is one line
    // end; a lone CR is dropped and only resets the column.
    const Step steps[] = {{u'a', 1, 1}, {u'b', 1, 2}, {u'\n', 2, 0}, {u'c', 2, 1}, {u'\n', 3, 0}, {u'\n', 4, 0},
                          {u'd', 4, 1}, {u'e', 4, 2}, {u'f', 4, 1}, {u'g', 4, 2}, {u'\n', 5, 0}};
    Opened opened;
    Open(opened, "ab\nc\r\n\nde\rfg\r\r\n");
    TextReader& reader = *opened.reader;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << (&step - steps));
        EXPECT_EQ(reader.current, step.c);
        EXPECT_EQ(reader.position.line, step.line);
        EXPECT_EQ(reader.position.column, step.column);
        reader.Advance();
    }
    EXPECT_EQ(reader.current, kEndOfFile);
    EXPECT_EQ(reader.Advance(), kEndOfFile);
    EXPECT_EQ(reader.position.file, opened.descriptor);
}

TEST_F(TextReaderTest, OutOfMemoryReportEndsTheText) {
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    Opened opened;
    Open(opened, "abcdef", stream);
    TextReader& reader = *opened.reader;
    EXPECT_EQ(FileReport(&reader, nullptr, Msg::BadValue, nullptr), 1);
    EXPECT_EQ(OutOfMemoryReport(&reader), 1);
    EXPECT_TRUE(reader.stop);
    EXPECT_EQ(reader.Advance(), kEndOfFile);
    EXPECT_EQ(reader.current, kEndOfFile);
    // Later reports are counted, never printed.
    EXPECT_EQ(FileReport(&reader, nullptr, Msg::BadValue, u"x"), 1);
    EXPECT_EQ(OutOfMemoryReport(&reader), 1);
    EXPECT_EQ(reader.errorCount, 4);
    EXPECT_EQ(test::ReadStream(stream), "Error - SRC/164: ROOT:/text.txt(1,1): Bad value\n"
                                        "Error - SRC/101: ROOT:/text.txt(1,1): Out of memory\n");
}

// The comment's opening "[=" has been taken; what is left after it is skipped.
TEST_F(TextReaderTest, NestedComments) {
    struct Row {
        const char* text;  // the whole file, starting with the opening "[="
        std::u16string rest;
    };
    // The "=" of an opening "[=" cannot also be the start of a closing "=]".
    const Row rows[] = {{"[= a [= b =] c =] x", u" x"}, {"[==] x", u" x"}, {"[===] x", u" x"},
                        {"[=] still open =]y", u"y"}, {"[= [=] inner =] outer =]\nz", u"\nz"},
                        {"[= [[= =] =] z", u" z"}, {"[= ] = =]] z", u"] z"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Opened opened;
        Open(opened, row.text);
        TextReader& reader = *opened.reader;
        reader.Advance();
        reader.Advance();
        ASSERT_TRUE(SkipComment(reader));
        std::u16string rest;
        for (int i = 0; i < 100 && reader.current != kEndOfFile; ++i, reader.Advance()) rest += reader.current;
        EXPECT_EQ(rest, row.rest);
        EXPECT_EQ(reader.errorCount, 0);
    }
}

TEST_F(TextReaderTest, CommentRunningToTheEndIsReported) {
    for (const char* text : {"[= a [= b =] c", "[=]", "[= =", "[="}) {
        SCOPED_TRACE(text);
        FILE* stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        Opened opened;
        Open(opened, text, stream, "comment.txt", FileKind::Config);
        opened.reader->Advance();
        opened.reader->Advance();
        EXPECT_FALSE(SkipComment(*opened.reader));
        EXPECT_EQ(opened.reader->errorCount, 1);
        const std::string column = std::to_string(std::char_traits<char>::length(text) + 1);
        EXPECT_EQ(test::ReadStream(stream),
                  "Error - INI/202: ROOT:/comment.txt(1," + column + "): End of File within a comment\n");
    }
}

}  // namespace
}  // namespace vorlan
