// The configuration dialog as it must come out on both builds, written out
// independently of resources/ConfigDialog.inc: styles as numbers, texts as the
// code page 932 bytes the program reads back (and their UTF-8 for messages).
#pragma once

#include <cstdint>

struct ExpectedControl {
    int id;
    uint16_t classOrdinal;  // 0x80 button, 0x81 edit, 0x82 static
    const char* cp932;
    const char* utf8;
    uint32_t style;
    int16_t x, y, cx, cy;
};

const uint32_t kExpectedDialogStyle =
    0x80C808C0;  // popup, caption, system menu, modal frame, centred, font
const int kExpectedDialogSize[4] = {0, 0, 150, 143};
const char kExpectedTitle[] = "Inkwheel";
const int kExpectedPointSize = 11;
const char kExpectedFace[] = "MS UI Gothic";
const uint16_t kJapanese = 0x0411;

const uint32_t kButton = 0x50010000;     // child, visible, tab stop
const uint32_t kDefButton = 0x50010001;  // ... and the default push button
const uint32_t kLabel = 0x50020000;      // child, visible, group, left-aligned
const uint32_t kEdit = 0x50810080;       // child, visible, border, tab stop, auto scroll

const ExpectedControl kExpectedControls[] = {
    {1, 0x80, "\x90\xDD\x92\xE8", "設定", kDefButton, 95, 105, 50, 14},
    {2, 0x80, "\xB7\xAC\xDD\xBE\xD9", "ｷｬﾝｾﾙ", kButton, 5, 105, 50, 14},
    {65535, 0x82, "POP3 \x83T\x81[\x83o\x81[", "POP3 サーバー", kLabel, 10, 5, 47, 8},
    {1000, 0x81, "", "", kEdit, 60, 5, 70, 14},
    {65535, 0x82, "\x83|\x81[\x83g", "ポート", kLabel, 38, 20, 19, 8},
    {1001, 0x81, "", "", kEdit | 0x0002, 60, 20, 35, 14},  // right-aligned
    {65535, 0x82, "\x83\x86\x81[\x83U\x96\xBC", "ユーザ名", kLabel, 29, 41, 28, 8},
    {65535, 0x82, "\x83p\x83X\x83\x8F\x81[\x83h", "パスワード", kLabel, 25, 55, 32, 8},
    {1002, 0x81, "", "", kEdit, 60, 40, 70, 14},
    {1003, 0x81, "", "", kEdit | 0x0020, 60, 55, 70, 14},  // password
    {65535, 0x82,
     "\x83`\x83"
     "F\x83"
     "b\x83N\x8A\xD4\x8Au",
     "チェック間隔", kLabel, 20, 79, 37, 8},
    {1004, 0x81, "", "", kEdit | 0x0002, 60, 79, 35, 14},  // right-aligned
    {65535, 0x82, "\x81~ 20 Sec.", "× 20 Sec.", kLabel, 100, 85, 50, 8},
    {1006, 0x80, "\x90\xA7\x8D\xEC: Letterglass \x8AJ\x94\xAD\x83`\x81[\x83\x80",
     "制作: Letterglass 開発チーム", kButton, 5, 125, 140, 14},
};
