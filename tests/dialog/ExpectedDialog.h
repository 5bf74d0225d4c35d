// The dialog both builds must show, written independently of resources/ConfigDialog.inc.
#pragma once

#include "platform/win32.h"
#include "resources/ResourceIds.h"

// clang-format off
#define TEXTS(text) u"" text, text  // as the resource (UTF-16) and GTK (UTF-8) keep it
struct Control { const char16_t* wide; const char* text; int id, classOrdinal; DWORD style;
                 short x, y, cx, cy; };
const DWORD kButton = 0x50010000, kLabel = 0x50020000, kEdit = 0x50810080;  // child, visible...
const Control kControls[] = {
    {TEXTS("設定"), 1, 0x80, kButton | 1 /* default */, 95, 105, 50, 14},
    {TEXTS("ｷｬﾝｾﾙ"), 2, 0x80, kButton, 5, 105, 50, 14},
    {TEXTS("POP3 サーバー"), 0xFFFF, 0x82, kLabel, 10, 5, 47, 8},
    {TEXTS(""), 1000, 0x81, kEdit, 60, 5, 70, 14},
    {TEXTS("ポート"), 0xFFFF, 0x82, kLabel, 38, 20, 19, 8},
    {TEXTS(""), 1001, 0x81, kEdit | 2 /* right */, 60, 20, 35, 14},
    {TEXTS("ユーザ名"), 0xFFFF, 0x82, kLabel, 29, 41, 28, 8},
    {TEXTS("パスワード"), 0xFFFF, 0x82, kLabel, 25, 55, 32, 8},
    {TEXTS(""), 1002, 0x81, kEdit, 60, 40, 70, 14},
    {TEXTS(""), 1003, 0x81, kEdit | 0x20 /* password */, 60, 55, 70, 14},
    {TEXTS("チェック間隔"), 0xFFFF, 0x82, kLabel, 20, 79, 37, 8},
    {TEXTS(""), 1004, 0x81, kEdit | 2, 60, 79, 35, 14},
    {TEXTS("× 20 Sec."), 0xFFFF, 0x82, kLabel, 100, 85, 50, 8},
    {TEXTS("制作: Letterglass 開発チーム"), 1006, 0x80, kButton, 5, 125, 140, 14},
};
// Popup, caption, system menu, modal frame, centred, with a font.
const Control kFrame = {TEXTS("Inkwheel"), IDD_CONFIG, 0, 0x80C808C0, 0, 0, 150, 143};
// clang-format on
