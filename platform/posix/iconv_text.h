// Whole-text conversion through iconv, shared by the drawing and the dialog's
// code page 932 conversions.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>

namespace layer {

// Called where iconv cannot go on: error is EILSEQ (no character starts at
// `at`) or EINVAL (the text ends inside a character). It appends what stands
// in for the bytes there and returns how many of them to skip; 0 ends the text.
using StuckHandler = std::size_t (*)(const char* at, std::size_t left, int error, std::string& out);

std::string ConvertText(iconv_t converter, const char* text, std::size_t length,
                        StuckHandler onStuck);

}  // namespace layer
