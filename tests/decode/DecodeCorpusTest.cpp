// The decoder against an independent reference: subjects generated at build time by
// make_corpus.py, whose expected bytes come from Python's iso2022_jp and cp932 codecs.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "decode/HeaderDecoder.h"
#include "tests/decode/ByteDump.h"

namespace {

struct CorpusCase {
    const char* value;
    const char* expected;
};

const CorpusCase kCorpus[] = {
#include "decode_corpus.inc"
};

TEST(DecodeCorpus, MatchesPythonCodecs) {
    const HeaderDecoder decoder(932);
    ASSERT_GE(std::size(kCorpus), 300u);
    for (std::size_t i = 0; i < std::size(kCorpus); ++i) {
        char result[4096];
        decoder.DecodeHeaderValue(kCorpus[i].value, result, sizeof result);
        SCOPED_TRACE("case " + std::to_string(i) + ": " + kCorpus[i].value + "\n  expected " +
                     ByteDump(kCorpus[i].expected) + "\n  actual   " + ByteDump(result));
        EXPECT_EQ(std::string(result), kCorpus[i].expected);
    }
}

}  // namespace
