// Reads a classic (non-extended) Win32 dialog template as the resource
// compiler lays it out, so tests can compare the compiled dialog field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ParsedControl {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint16_t id = 0;
    uint16_t classOrdinal = 0;  // 0 when the class is named by a string
    std::u16string className;
    std::u16string text;
    uint16_t extraBytes = 0;
};

struct ParsedDialog {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    bool hasMenu = false;
    bool hasClass = false;
    std::u16string title;
    uint16_t pointSize = 0;
    std::u16string face;
    std::vector<ParsedControl> controls;
};

// False when the bytes are not a whole classic template (extended templates included).
bool ParseDialogTemplate(const std::vector<unsigned char>& bytes, ParsedDialog* dialog);
