// Failure messages for byte strings: printable ASCII as is, every other byte as \xHH.
#pragma once

#include <cstdio>
#include <string>

inline std::string ByteDump(const std::string& bytes) {
    std::string shown = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        }
    }
    return shown + "\"";
}
