// The compiled resources: dialog 101 field by field, icon 102 and the version
// record. On Windows they are the test program's own; natively the .res that
// windres compiles from the same script.
#include <gtest/gtest.h>

#include <string>

#include "tests/dialog/CompiledResources.h"
#include "tests/dialog/DialogTemplateParser.h"
#include "tests/dialog/ExpectedLayout.h"

namespace {

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

class CompiledResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CompiledResourcesAvailable()) GTEST_SKIP() << "windres not available";
    }
};

TEST_F(CompiledResourceTest, DialogIsTheClassicJapaneseTemplate) {
    std::vector<unsigned char> bytes;
    uint16_t language = 0;
    ASSERT_TRUE(LoadCompiledResource(kResourceDialog, 101, &bytes, &language));
    EXPECT_EQ(kJapanese, language);
    ParsedDialog dialog;
    ASSERT_TRUE(ParseDialogTemplate(bytes, &dialog)) << "not a classic dialog template";
    EXPECT_EQ(kExpectedDialogStyle, dialog.style);
    EXPECT_EQ(0u, dialog.exStyle);
    EXPECT_EQ(kExpectedDialogSize[0], dialog.x);
    EXPECT_EQ(kExpectedDialogSize[1], dialog.y);
    EXPECT_EQ(kExpectedDialogSize[2], dialog.cx);
    EXPECT_EQ(kExpectedDialogSize[3], dialog.cy);
    EXPECT_FALSE(dialog.hasMenu);
    EXPECT_FALSE(dialog.hasClass);
    EXPECT_TRUE(dialog.title == Ascii(kExpectedTitle));
    EXPECT_EQ(kExpectedPointSize, dialog.pointSize);
    EXPECT_TRUE(dialog.face == Ascii(kExpectedFace));
}

TEST_F(CompiledResourceTest, DialogControlsMatchTheLayout) {
    std::vector<unsigned char> bytes;
    uint16_t language = 0;
    ParsedDialog dialog;
    ASSERT_TRUE(LoadCompiledResource(kResourceDialog, 101, &bytes, &language));
    ASSERT_TRUE(ParseDialogTemplate(bytes, &dialog));
    const size_t count = sizeof kExpectedControls / sizeof kExpectedControls[0];
    ASSERT_EQ(count, dialog.controls.size());
    for (size_t i = 0; i < count; ++i) {
        const ExpectedControl& expected = kExpectedControls[i];
        const ParsedControl& actual = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " \"" + expected.utf8 + "\"");
        EXPECT_EQ(expected.id, actual.id);
        EXPECT_EQ(expected.classOrdinal, actual.classOrdinal);
        EXPECT_EQ(expected.style, actual.style);
        EXPECT_EQ(0u, actual.exStyle);
        EXPECT_EQ(expected.x, actual.x);
        EXPECT_EQ(expected.y, actual.y);
        EXPECT_EQ(expected.cx, actual.cx);
        EXPECT_EQ(expected.cy, actual.cy);
        EXPECT_TRUE(Cp932ToUtf16(expected.cp932) == actual.text) << "text differs";
        EXPECT_EQ(0, actual.extraBytes);
    }
}

// The group lists the images; each must exist as an icon resource of its own.
TEST_F(CompiledResourceTest, IconHasSixteenThirtyTwoAndFortyEightPixelImages) {
    std::vector<unsigned char> group;
    uint16_t language = 0;
    ASSERT_TRUE(LoadCompiledResource(kResourceGroupIcon, 102, &group, &language));
    ASSERT_GE(group.size(), 6u);
    const int count = group[4] | group[5] << 8;
    ASSERT_EQ(3, count);
    ASSERT_EQ(6u + 14u * 3u, group.size());
    const int sizes[] = {16, 32, 48};
    for (int i = 0; i < count; ++i) {
        const unsigned char* entry = &group[6 + 14 * static_cast<size_t>(i)];
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(sizes[i], entry[0]);
        EXPECT_EQ(sizes[i], entry[1]);
        EXPECT_EQ(32, entry[6] | entry[7] << 8);  // bits per pixel
        std::vector<unsigned char> image;
        EXPECT_TRUE(
            LoadCompiledResource(kResourceIcon, entry[12] | entry[13] << 8, &image, &language));
        EXPECT_EQ(static_cast<size_t>(entry[8] | entry[9] << 8 | entry[10] << 16), image.size());
    }
}

TEST_F(CompiledResourceTest, VersionRecordNamesProgramVersionAndMakers) {
    std::vector<unsigned char> version;
    uint16_t language = 0;
    ASSERT_TRUE(LoadCompiledResource(kResourceVersion, 1, &version, &language));
    std::u16string text;
    for (size_t i = 0; i + 1 < version.size(); i += 2)
        text.push_back(static_cast<char16_t>(version[i] | version[i + 1] << 8));
    const char* const values[] = {"ProductName", "Letterglass", "FileVersion",
                                  "1.0.0",       "CompanyName", "The Letterglass developers"};
    for (const char* value : values)
        EXPECT_NE(std::u16string::npos, text.find(Ascii(value))) << value;
}

// Malformed templates are refused rather than read past their end.
TEST(DialogTemplateParserTest, RefusesTruncatedAndExtendedTemplates) {
    std::vector<unsigned char> bytes;
    uint16_t language = 0;
    if (!LoadCompiledResource(kResourceDialog, 101, &bytes, &language))
        GTEST_SKIP() << "no compiled dialog";
    ParsedDialog dialog;
    for (size_t cut : {size_t{0}, size_t{7}, size_t{18}, bytes.size() / 2, bytes.size() - 1}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_FALSE(ParseDialogTemplate(
            std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)),
            &dialog));
    }
    std::vector<unsigned char> extended = bytes;
    extended[0] = 1;
    extended[1] = 0;
    extended[2] = extended[3] = 0xFF;
    EXPECT_FALSE(ParseDialogTemplate(extended, &dialog));
}

}  // namespace
