// Splits a fuzzer's input at each '\x01' into count parts, missing ones empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size,
                                           std::size_t count) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 1 && parts.size() < count)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    parts.resize(count);
    return parts;
}
