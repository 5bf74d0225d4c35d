// Splits a fuzzer's input at each '\x01' into count parts, missing ones empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size,
                                           std::size_t count) {
    std::vector<std::string> parts(count);
    for (std::size_t i = 0, part = 0; i < size; ++i) {
        if (data[i] == 1 && part + 1 < count)
            ++part;
        else
            parts[part] += static_cast<char>(data[i]);
    }
    return parts;
}
