// Malformed input of every kind: random bytes, random mixes of what
// configuration files are made of, and every prefix of good files. Whatever
// the text, loading must end and free all it took; the sanitizer build
// watches that nothing strays outside its buffers.

#include "DriverTestSupport.h"
#include "app/ConfigFile.h"
#include "base/LanguageFile.h"
#include "app/PictureSize.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace vorlan {
namespace {

constexpr std::string_view kGoodConfig =
    "[= settings =]\n[Defaults]\nfiletype = png;\nsize = 800x600LS;\nlanguage = 'eo';\n"
    "outdir = \"ROOT:/out\";\nframerate = 30;\nquality = 2;\n"
    "[Directories]\ndata = 'ROOT:/data';\r\npics = 'data:pics';\n";
constexpr std::string_view kGoodLanguage =
    "[= names =]\nMonthsU = JAN, FEB, MAR, APR, MAY, JUN, JUL, AUG, SEP, OCT, NOV, DEC;\n"
    "DaysL = 'mon', 'tue', 'wed', 'thu', 'fri', 'sat', \"sun\";\nSuffixD = st, nd, rd, th;\r\n"
    "AmPmC = Am, Pm;\nLogicalU = NO, YES;\n";

class RobustnessTest : public test::DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        ASSERT_TRUE(DefineDirectoryNode(nullptr, nullptr, settings, u"LANGFILES", test::Widen(dir.Path()).c_str()));
    }

    struct Outcome {
        bool configOk = false;
        bool languageOk = false;
        bool readerEnded = false;
    };

    // The text through the configuration loader (over fresh settings), the
    // language loader and a bare reader, with nothing left allocated after.
    Outcome Feed(std::string_view bytes) {
        const uint32_t before = MemLiveCount();
        Outcome outcome;
        dir.Write("fuzz.ini", bytes);
        testing::internal::CaptureStdout();
        Settings local{};
        test::PrepareSettings(local, test::Widen(dir.Path()));
        uint16_t code = 0;
        if (FileDescriptor* descriptor = MakeFileDescriptor(u"ROOT:/fuzz.ini", FileKind::Config, local, &code)) {
            outcome.configOk = LoadConfigurationFile(*descriptor, local, std::fopen("/dev/null", "w"));
            FreeFileDescriptor(descriptor);
        }
        local.nodes = nullptr;
        outcome.languageOk = LoadLanguageFile(u"fuzz", settings, tables_);
        if (FileDescriptor* descriptor = MakeFileDescriptor(u"ROOT:/fuzz.ini", FileKind::Data, settings, &code)) {
            if (TextReader* reader = OpenTextReader(descriptor, stdout, &code)) {
                // No decoding yields more characters than the file has bytes.
                for (size_t n = 0; reader->current != kEndOfFile && n <= bytes.size(); ++n) reader->Advance();
                outcome.readerEnded = reader->current == kEndOfFile;
                CloseTextReader(reader);
            }
            FreeFileDescriptor(descriptor);
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(MemLiveCount(), before);
        return outcome;
    }

    LanguageTables tables_{};
};

TEST_F(RobustnessTest, PrefixesOfGoodFiles) {
    std::string utf16 = "\xFF\xFE";
    for (char c : kGoodConfig) utf16 += c, utf16 += '\0';
    const std::string sources[] = {std::string(kGoodConfig), std::string(kGoodLanguage), utf16};
    for (const std::string& source : sources) {
        for (size_t length = 0; length <= source.size(); ++length) {
            SCOPED_TRACE(source.substr(0, length));
            const Outcome outcome = Feed(std::string_view(source).substr(0, length));
            ASSERT_TRUE(outcome.readerEnded);
            if (length == source.size()) {
                EXPECT_TRUE(&source == &sources[1] ? outcome.languageOk : outcome.configOk);
            }
        }
    }
    EXPECT_EQ(std::u16string(MonthName(tables_, 12, 1)), u"DEC");
}

TEST_F(RobustnessTest, RandomFiles) {
    static constexpr std::string_view kChars = "[]=;,:'\"\n\r abc123";
    static constexpr std::string_view kWords[] = {
        "[defaults]", "[directories]", "[=", "=]", "filetype", "size", "outdir", "quality", "framerate",
        "language", "root", "data", "ROOT:", "data:", "x:", "640x480lr", "MonthsU", "DaysL", "AmPmC",
        "LogicalD", "avi", " = ", ";\n", "'ROOT:/a'", "\"unclosed", "a,b,c,", "\xC3\xA9", "\xF0\x9F", {"\0", 1}};
    static constexpr std::string_view kMarks[] = {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
    std::mt19937 random(0x5EED);
    int loaded = 0;
    for (int round = 0; round < 2400; ++round) {
        std::string bytes(kMarks[random() % 4]);
        for (size_t n = random() % 80; n > 0; --n) {
            const char c = kChars[random() % kChars.size()];
            if (round % 3 == 0) bytes += static_cast<char>(random());
            else if (round % 3 == 1 || random() % 2) bytes += c;
            else bytes += kWords[random() % std::size(kWords)];
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        const Outcome outcome = Feed(bytes);
        ASSERT_TRUE(outcome.readerEnded);
        loaded += outcome.configOk;
    }
    EXPECT_GT(loaded, 0);  // some mixes get past their first statement
}

// Leading zeros aside, a number that was read prints back as its digits.
std::u16string WithoutLeadingZeros(std::u16string digits) {
    while (digits.size() > 1 && digits[0] == u'0') digits.erase(0, 1);
    return digits;
}

std::u16string InRadix(int64_t value, int radix) {
    std::u16string digits;
    do digits.insert(digits.begin(), DigitChar(static_cast<int>(value % radix)));
    while ((value /= radix) != 0);
    return digits;
}

TEST(Robustness, RandomNumbersAndSizes) {
    std::u16string units = u"0123456789000xX#-lrpsLRPSaAfFzZ \u00E9";
    units += {char16_t(0xD800), char16_t(0xFFFF)};
    std::mt19937 random(1234);
    int accepted = 0;
    for (int round = 0; round < 40000; ++round) {
        std::u16string text;
        for (size_t n = random() % 14; n > 0; --n) text += units[random() % units.size()];
        SCOPED_TRACE(std::string(text.begin(), text.end()));

        // A size is taken whole or not at all.
        PictureSettings picture{FileType::Bmp, 7, 11, 13, 2, 2, 17, 3};
        if (ReadPictureSize(text.c_str(), picture)) {
            ++accepted;
            EXPECT_GE(picture.width, 1);
            EXPECT_GE(picture.height, 1);
            EXPECT_LE(picture.width, 32767);
            EXPECT_LE(picture.height, 32767);
        } else {
            EXPECT_EQ(picture.width + picture.height + picture.colourMix + picture.rotation, 11 + 13 + 2 + 2);
        }
        uint16_t leading = 0;
        if (ReadLeadingNumber(text.c_str(), &leading)) {
            EXPECT_EQ(InRadix(leading, 10), WithoutLeadingZeros(text.substr(0, text.find_first_not_of(u"0123456789"))));
        }
        int64_t decimal = 0;
        if (ReadDecimal(text.c_str(), &decimal)) {
            const int64_t magnitude = decimal < 0 ? -decimal : decimal;
            EXPECT_LT(magnitude, 0x90000000LL);
            EXPECT_EQ(InRadix(magnitude, 10), WithoutLeadingZeros(text.substr(text[0] == u'-')));
        }
        int32_t value = 0;
        if (ReadRadix(text.c_str(), &value)) {
            EXPECT_GE(value, 0);
            EXPECT_LT(value, 0x40000000);
            const size_t hash = text.find(u'#');
            const int radix = hash == text.npos ? 10 : std::stoi(std::string(text.begin() + hash + 1, text.end()));
            EXPECT_EQ(InRadix(value, radix), WithoutLeadingZeros(text.substr(0, hash)));
        }
    }
    EXPECT_GT(accepted, 0);  // the alphabet does reach the good paths
}

}  // namespace
}  // namespace vorlan
