// The Windows build's resources: dialog 101 field by field, icon, version record, the
// name Windows lists the saver by; Japanese.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>

#include "resources/Version.h"
#include "tests/dialog/ExpectedDialog.h"

namespace {

using namespace std::string_view_literals;

// A resource of the test program itself, which links the program's.
std::u16string Resource(LPCSTR type, int id) {
    HRSRC found = FindResourceExA(nullptr, type, MAKEINTRESOURCEA(id), 0x0411);
    auto* data = static_cast<const char16_t*>(LockResource(LoadResource(nullptr, found)));
    return found ? std::u16string(data, SizeofResource(nullptr, found) / 2) : u"";
}

TEST(ResourceTest, DialogIconAndVersionRecord) {
    std::u16string dialog;  // a classic template: no menu, no class, 11 points of MS UI Gothic
    auto words = [&dialog](auto... w) { ((dialog += static_cast<char16_t>(w)), ...); };
    auto text = [&dialog](const char16_t* t) { (dialog += t) += u'\0'; };
    words(kFrame.style, kFrame.style >> 16, 0, 0, std::size(kControls), kFrame.x, kFrame.y,
          kFrame.cx, kFrame.cy, 0, 0);
    text(kFrame.wide), words(11), text(u"MS UI Gothic");
    for (const Control& c : kControls) {
        dialog.resize((dialog.size() + 1) & ~size_t{1});  // each control on four bytes
        words(c.style, c.style >> 16, 0, 0, c.x, c.y, c.cx, c.cy, c.id, 0xFFFF, c.classOrdinal);
        text(c.wide), words(0);
    }
    EXPECT_EQ(dialog, Resource(RT_DIALOG, IDD_CONFIG));
    const std::u16string group = Resource(RT_GROUP_ICON, IDI_LETTERGLASS);
    ASSERT_EQ(3u + 3 * 7, group.size());
    for (int i = 0; i < 3; ++i) {  // 16, 32 and 48 pixels at 32 bits, each an icon of its own
        const char16_t* entry = &group[3 + 7 * i];
        EXPECT_EQ(std::make_tuple(257 * 16 * (i + 1), 32), std::make_tuple(+entry[0], +entry[3]));
        EXPECT_EQ(entry[4] | entry[5] << 16, 2 * Resource(RT_ICON, entry[6]).size());
    }
    // Key, padding, value.
    for (auto value :
         {u"ProductName\0\0Letterglass\0"sv, u"FileVersion\0\0" LG_VERSION_TEXT "\0"sv})
        EXPECT_NE(std::u16string::npos, Resource(RT_VERSION, 1).find(value)) << "version record";
    char name[32] = {};
    EXPECT_EQ(11, LoadStringA(nullptr, IDS_DESCRIPTION, name, sizeof name));
    EXPECT_STREQ("Letterglass", name);
}

}  // namespace
