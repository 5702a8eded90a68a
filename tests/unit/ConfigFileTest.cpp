// Configuration files: sections, the tags of [defaults], directory nodes,
// and which reports a bad statement gives and where.

#include "DriverTestSupport.h"
#include "app/ConfigFile.h"
#include "base/DirectoryNodes.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlan {
namespace {

class ConfigFileTest : public test::DriverFileTest {
protected:
    // Loads `text` as ROOT:/conf.ini over the settings, capturing what is printed.
    bool Load(std::string_view text, std::string* printed) {
        dir.Write("conf.ini", text);
        uint16_t code = 0;
        FileDescriptor* descriptor = MakeFileDescriptor(u"ROOT:/conf.ini", FileKind::Config, settings, &code);
        EXPECT_NE(descriptor, nullptr);
        if (!descriptor) return false;
        testing::internal::CaptureStdout();
        const bool ok = LoadConfigurationFile(*descriptor, settings, stdout);
        *printed = testing::internal::GetCapturedStdout();
        FreeFileDescriptor(descriptor);
        return ok;
    }
    void Reset() {
        settings.nodes = nullptr;
        settings = Settings{};
        test::PrepareSettings(settings, test::Widen(dir.Path()));
    }
};

// A report line on the file under test.
std::string Ini(const char* code, const char* at, const char* text) {
    return std::string("Error - INI/") + code + ": ROOT:/conf.ini(" + at + "): " + text + "\n";
}

std::u16string Text(const char16_t* text) { return text ? text : u"<none>"; }
std::u16string Node(const Settings& settings, const char16_t* name) { return Text(FindNodeValue(settings, name)); }

void ExpectPicture(const Settings& s, int width, int height, int rotation, int colourMix) {
    EXPECT_EQ(s.picture.width, width);
    EXPECT_EQ(s.picture.height, height);
    EXPECT_EQ(s.picture.rotation, rotation);
    EXPECT_EQ(s.picture.colourMix, colourMix);
}

void ExpectPictureDefaults(const Settings& s) {
    ExpectPicture(s, 640, 480, 0, 1);
    EXPECT_EQ(s.picture.fileType, FileType::Png);
    EXPECT_EQ(s.picture.flags, 0u);
    EXPECT_EQ(s.picture.frameRate, 25);
    EXPECT_EQ(s.picture.quality, 1);
    EXPECT_EQ(Text(s.outputDirectory), u".");
    EXPECT_EQ(s.language[0], 0);
}

TEST_F(ConfigFileTest, Statements) {
    struct Row {
        const char* text;
        bool ok;
        std::string printed;
        void (*check)(const Settings&);  // nullptr: nothing may have changed
    };
    using S = const Settings&;
    // clang-format off
    const Row rows[] = {
        {"[= only [= nested =] notes =]\n\n   \n[= and another =]\n", true, "", nullptr},
        {"[Defaults]\nfiletype = jpeg;\n", true, "", [](S s) { EXPECT_EQ(int(s.picture.fileType), 5); }},
        {"[DEFAULTS]\nfiletype = bmp;", true, "", [](S s) { EXPECT_EQ(s.picture.fileType, FileType::Bmp); }},
        {"[defaults]\nfiletype = AVI;\n", true, "",
         [](S s) { EXPECT_EQ(s.picture.fileType, FileType::Avi); EXPECT_EQ(s.picture.flags, kFlagVideo); }},
        {"[defaults]\nfiletype = avi; filetype = Png;\n", true, "",
         [](S s) { EXPECT_EQ(s.picture.fileType, FileType::Png); EXPECT_EQ(s.picture.flags, 0u); }},
        {"[defaults]\n; , : quality = 2;", true, "", [](S s) { EXPECT_EQ(s.picture.quality, 2); }},
        {"[defaults]\nframerate = 30fps; quality = 3;", true, "",
         [](S s) { EXPECT_EQ(s.picture.frameRate, 30); EXPECT_EQ(s.picture.quality, 3); }},
        {"[defaults]\nsize = 10x10s;\nsize = 640X480lp;", true, "", [](S s) { ExpectPicture(s, 640, 480, 1, 1); }},
        {"[defaults]\nsize = 320x200xyz;", true, "", [](S s) { ExpectPicture(s, 320, 200, 0, 1); }},
        {"[defaults]\noutdir = 'ROOT:/out';\nlanguage = \"francais\";", true, "",
         [](S s) { EXPECT_EQ(Text(s.outputDirectory), u"ROOT:/out"); EXPECT_EQ(Text(s.language), u"francai"); }},
        // Reports on a statement point at its tag.
        {"[my_section]\nfiletype = bmp;", false, Ini("151", "1,4", "Bad character in section header"), nullptr},
        {"[defaults]\nfiletype = TIFF;\n", false, Ini("164", "2,1", "Bad value - TIFF"), nullptr},
        {"[defaults]\n\nquality = 0;\n", false, Ini("164", "3,1", "Bad value - 0"), nullptr},
        {"[defaults]\n  framerate = 0;", false, Ini("164", "2,3", "Bad value - 0"), nullptr},
        {"[defaults]\nsize = 40000x10;", false, Ini("164", "2,1", "Bad value - 40000x10"), nullptr},
        {"[defaults]\nsize = x10;", false, Ini("164", "2,1", "Bad value - x10"), nullptr},
        {"[defaults]\nsize = 0x0;", false, Ini("164", "2,1", "Bad value - 0x0"), nullptr},
        {"[defaults]\nsize = 640x0;", false, Ini("164", "2,1", "Bad value - 640x0"), nullptr},
        {"[defaults]\nsize = 1x32767;", true, "", [](S s) { ExpectPicture(s, 1, 32767, 0, 1); }},
        {"[defaults]\nfiletype = bmp\nquality = 2;", false, Ini("158", "2,1", "Expected ';'"),
         [](S s) { EXPECT_EQ(s.picture.quality, 1); }},
        {"[defaults]\n quality 2;", false, Ini("155", "2,2", "Expected '='"), nullptr},
        {"[defaults]\nquality = ;", false, Ini("156", "2,1", "Expected a value"), nullptr},
        {"[defaults]\ncolour = red;", false, Ini("162", "2,1", "Unknown tag name - colour"), nullptr},
        {"[defaults]\n[= never closed", false, Ini("202", "2,16", "End of File within a comment"), nullptr},
        // A character that starts no token ends the load; it is not a value.
        {"[defaults]\noutdir = ./out;\nquality = 2;", false, "", nullptr},
        {"[defaults]\noutdir = 'abc", false, Ini("157", "2,14", "Unterminated quote"), nullptr},
        {"filetype = bmp;\n[defaults]\n", false, "", nullptr},
        // A line feed inside quotes is reported but kept, and loading goes on.
        {"[defaults]\noutdir = 'a\nb';\nquality = 2;\n", true, Ini("157", "3,0", "Unterminated quote"),
         [](S s) { EXPECT_EQ(Text(s.outputDirectory), u"a\nb"); EXPECT_EQ(s.picture.quality, 2); }},
        // The first bad statement ends the load; those before it stay done.
        {"[defaults]\nquality = 2;\nframerate = 0;\nfiletype = bmp;\n", false, Ini("164", "3,1", "Bad value - 0"),
         [](S s) { EXPECT_EQ(s.picture.quality, 2); EXPECT_EQ(s.picture.fileType, FileType::Png); }},
        {"[directories]\nx = 'D:/data';", false, Ini("159", "2,1", "Can't redefine single letter node"), nullptr},
        {"[directories]\nroot = 'D:/';", false, Ini("166", "2,1", "Cannot redefine ROOT"), nullptr},
        {"[directories]\npics = 'nowhere:pics';", false, Ini("164", "2,1", "Bad value - nowhere:pics"), nullptr},
        // ROOT's value ends in "/" and the rest begins with one: nothing is
        // added. data's value has no trailing "/": one is added before pics.
        {"[directories]\ndata = 'ROOT:/data';\npics = 'data:pics';\n", true, "",
         [](S s) {
             EXPECT_EQ(Node(s, u"data"), Node(s, u"ROOT") + u"/data");
             EXPECT_EQ(Node(s, u"PICS"), Node(s, u"ROOT") + u"/data/pics");
         }},
        // Drive letters and paths without a node name are taken as they are.
        {"[directories]\nwin = 'C:\\x';\nrel = 'plain/dir';\nnum = '9a:b';\n", true, "",
         [](S s) {
             EXPECT_EQ(Node(s, u"win") + u"|" + Node(s, u"rel") + u"|" + Node(s, u"num"), u"C:\\x|plain/dir|9a:b");
         }},
        // A node keeps the value its base had when it was defined.
        {"[directories]\nbase = '/first';\nsub = 'base:x';\nsub2 = 'base:/y';\nbase = '/second/';\n", true, "",
         [](S s) {
             EXPECT_EQ(Node(s, u"sub"), u"/first/x");
             EXPECT_EQ(Node(s, u"sub2"), u"/first/y");
             EXPECT_EQ(Node(s, u"base"), u"/second/");
         }},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Reset();
        std::string printed;
        EXPECT_EQ(Load(row.text, &printed), row.ok);
        EXPECT_EQ(printed, row.printed);
        if (row.check) {
            row.check(settings);
        } else {
            ExpectPictureDefaults(settings);
            ASSERT_NE(settings.nodes, nullptr);
            EXPECT_EQ(settings.nodes->next, nullptr);  // ROOT alone
        }
    }
}

// An unknown section is reported at its closing "]", and ends the load.
TEST_F(ConfigFileTest, UnknownSectionIsNamed) {
    std::string printed;
    EXPECT_FALSE(Load("[defaults]\nquality = 2;\n[fonts]\nquality = 3;\n", &printed));
    EXPECT_EQ(printed, Ini("153", "3,7", "Unknown section name - fonts"));
    EXPECT_EQ(settings.picture.quality, 2);

    EXPECT_FALSE(Load("\n   [Fonts]  \n", &printed));
    EXPECT_EQ(printed, Ini("153", "2,10", "Unknown section name - Fonts"));
}

TEST_F(ConfigFileTest, UnknownNodeOrMissingFile) {
    uint16_t code = 0;
    EXPECT_EQ(MakeFileDescriptor(u"nowhere:/conf.ini", FileKind::Config, settings, &code), nullptr);
    EXPECT_EQ(code, 103);

    FileDescriptor* descriptor = MakeFileDescriptor(u"ROOT:/missing.ini", FileKind::Config, settings, &code);
    ASSERT_NE(descriptor, nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadConfigurationFile(*descriptor, settings, stdout));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error - CMD/102: Could not open file:  ROOT:/missing.ini\n");
    FreeFileDescriptor(descriptor);
}

}  // namespace
}  // namespace vorlan
