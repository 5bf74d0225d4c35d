// Device contexts, text, lines and GDI objects of the Linux layer: what the
// recording display notes, and the code page 932 conversion the screen draws.
#include "platform/posix/gdi32/gdi_private.h"
#include "tests/posix/recording_fixture.h"

namespace {

class DrawingTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        hwnd_ = CreateNotingWindow();
        font_ = CreateFontA(30, 0, 0, 0, 100, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE,
                            "MS UI GOSHIC");
    }
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
};

TEST(Cp932ToUtf8, ConvertsMicrosoftShiftJis) {
    struct Case {
        const char* why;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"ASCII", "USER abc", "USER abc"},
        {"hiragana", "\x82\xA0\x82\xA2", "\xE3\x81\x82\xE3\x81\x84"},
        {"half-width katakana", "\xB1", "\xEF\xBD\xB1"},
        {"NEC row 13: circled one", "\x87\x40", "\xE2\x91\xA0"},
        {"IBM extension", "\xFB\xFC", "\xE9\xAB\x99"},
        {"NEC-selected IBM extension", "\xEE\xE0", "\xE9\xAB\x99"},
        {"a cut character's lead byte waits", "a\x82", "a"},
        {"only a lead byte", "\x88", ""},
        {"a byte that starts nothing", "a\x80z", "a\xE3\x83\xBBz"},
        {"a lead byte with a bad trail", "\x82\x20", "\xE3\x83\xBB "},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(layer::Cp932ToUtf8(c.bytes.data(), static_cast<int>(c.bytes.size())), c.utf8);
    }
}

TEST_F(DrawingTest, DeviceContextStartsWithWindowsDefaults) {
    HDC hdc = GetDC(hwnd_);
    ASSERT_NE(hdc, nullptr);
    EXPECT_EQ(SetBkColor(hdc, RGB(0, 0, 0)), RGB(255, 255, 255));
    EXPECT_EQ(SetTextColor(hdc, RGB(255, 255, 255)), RGB(0, 0, 0));
    EXPECT_EQ(SelectObject(hdc, font_), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(SelectObject(hdc, GetStockObject(SYSTEM_FONT)), font_);
    POINT previous = {-1, -1};
    EXPECT_TRUE(MoveToEx(hdc, 5, 6, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    EXPECT_EQ(ReleaseDC(hwnd_, hdc), 1);

    hdc = GetDC(hwnd_);
    EXPECT_EQ(SetBkColor(hdc, RGB(0, 0, 0)), RGB(255, 255, 255))
        << "a fresh context forgets the last one";
    EXPECT_EQ(SelectObject(hdc, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
    EXPECT_EQ(ReleaseDC(nullptr, hdc), 0) << "not that window's context";
    EXPECT_EQ(ReleaseDC(hwnd_, hdc), 1);
    EXPECT_EQ(ReleaseDC(hwnd_, hdc), 0) << "released twice";

    const RecordingLog& log = RecordingDisplay::Log();
    EXPECT_EQ(log.getDCCalls, 2);
    EXPECT_EQ(log.openDCs, 0);
    EXPECT_EQ(log.backColors, (std::vector<COLORREF>{0, 0}));
    EXPECT_EQ(log.textColors, std::vector<COLORREF>{0xFFFFFF});
}

TEST_F(DrawingTest, TextIsRecordedWithItsExactBytes) {
    HDC hdc = GetDC(hwnd_);
    SetBkColor(hdc, RGB(0, 0, 0));
    SetTextColor(hdc, RGB(255, 255, 255));
    HGDIOBJ previous = SelectObject(hdc, font_);
    const char line[] = "Mail \x82\xA0\x82";  // typed up to a lead byte
    EXPECT_TRUE(TextOutA(hdc, 0, 300, line, 8));
    EXPECT_TRUE(TextOutA(hdc, 0, 60, "USER x", 3));
    EXPECT_TRUE(TextOutA(hdc, 4, 8, nullptr, 0));
    EXPECT_FALSE(TextOutA(hdc, 0, 0, "x", -1));
    SelectObject(hdc, previous);
    ReleaseDC(hwnd_, hdc);

    const std::vector<RecordedText>& texts = RecordingDisplay::Log().texts;
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].bytes, std::string("Mail \x82\xA0\x82", 8));
    EXPECT_EQ(texts[0].x, 0);
    EXPECT_EQ(texts[0].y, 300);
    EXPECT_EQ(texts[0].font, font_);
    EXPECT_EQ(texts[0].textColor, RGB(255, 255, 255));
    EXPECT_EQ(texts[0].backColor, RGB(0, 0, 0));
    EXPECT_EQ(texts[1].bytes, "USE");
    EXPECT_EQ(texts[2].bytes, "");
    EXPECT_EQ(texts[2].x, 4);
}

TEST_F(DrawingTest, LinesRunFromTheCurrentPosition) {
    HDC hdc = GetDC(hwnd_);
    MoveToEx(hdc, 0, 17, nullptr);
    LineTo(hdc, 1024, 17);
    LineTo(hdc, 1024, 0);
    ReleaseDC(hwnd_, hdc);
    const std::vector<RecordedLine>& lines = RecordingDisplay::Log().lines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].from.x, 0);
    EXPECT_EQ(lines[0].from.y, 17);
    EXPECT_EQ(lines[0].to.x, 1024);
    EXPECT_EQ(lines[1].from.x, 1024);
    EXPECT_EQ(lines[1].from.y, 17);
    EXPECT_EQ(lines[1].to.y, 0);
}

TEST_F(DrawingTest, FontsAndObjectsAreRecorded) {
    const std::vector<RecordedFont>& fonts = RecordingDisplay::Log().fonts;
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].font, font_);
    EXPECT_EQ(fonts[0].height, 30);
    EXPECT_EQ(fonts[0].weight, 100);
    EXPECT_EQ(fonts[0].charSet, static_cast<DWORD>(SHIFTJIS_CHARSET));
    EXPECT_EQ(fonts[0].outPrecision, static_cast<DWORD>(OUT_TT_PRECIS));
    EXPECT_EQ(fonts[0].pitchAndFamily, static_cast<DWORD>(FIXED_PITCH));
    EXPECT_EQ(fonts[0].face, "MS UI GOSHIC");

    LOGBRUSH black = {BS_SOLID, 0, 0};
    HBRUSH brush = CreateBrushIndirect(&black);
    ASSERT_NE(brush, nullptr);
    EXPECT_TRUE(DeleteObject(font_));
    EXPECT_FALSE(DeleteObject(font_)) << "deleted twice";
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
    EXPECT_EQ(SelectObject(GetDC(hwnd_), GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN))
        << "stock objects survive deletion";
    EXPECT_EQ(RecordingDisplay::Log().deletedObjects, std::vector<HGDIOBJ>{font_});
    EXPECT_EQ(RecordingDisplay::Log().openDCs, 1) << "a context never released shows";
}

}  // namespace
