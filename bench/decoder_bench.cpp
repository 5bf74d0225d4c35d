// Decoder throughput, and heap allocations per call (expected: none). Every operator
// new in the process is counted; the counter "allocs/call" reports the share of
// the decoding loop.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "decode/HeaderDecoder.h"

namespace {

std::atomic<long> allocations{0};

const std::string kMarker = "=?ISO-2022-JP?B?";

// A subject of three encoded-words, as a Japanese mailer sends it.
const std::string kJapaneseSubject =
    "Re: " + kMarker + "GyRCMnE1RCRONUQ7dk8/JEskRCQkJEYbKEI=?= " + kMarker +
    "GyRCTWg9NSROQkckQTlnJG8kO009RGobKEI=?= " + kMarker + "GyRCJDQzTkcnJCo0aiQkJDckXiQ5GyhC?= (2)";
// The same kind of subject as most mail sends it today: UTF-8 words, one of them in Q.
const std::string kUtf8Subject =
    "Re: =?UTF-8?B?5Lya6K2w44Gu5pel56iL44Gr44Gk44GE44Gm?= =?UTF-8?B?5p2l6YCx44Gu5LqI5a6a44KS?= "
    "=?utf-8?q?=E3=81=94=E7=A2=BA=E8=AA=8D=E3=81=8F=E3=81=A0=E3=81=95=E3=81=84?= (2)";
const std::string kPlainSubject = "Re: Minutes of the weekly meeting and next week's schedule";

// Markers before the first closer: each repeats the same text, and the result is cut.
std::string HostileSubject() {
    std::string value;
    for (int i = 0; i < 40; ++i)
        value += kMarker + " ";
    return value + "?=" + std::string(300, 'x') + kMarker + "?=";
}

void Decode(benchmark::State& state, const std::string& value) {
    const HeaderDecoder decoder(932);
    char subject[4096];
    const long before = allocations.load();
    for (auto _ : state) {
        decoder.DecodeHeaderValue(value.c_str(), subject, sizeof subject);
        benchmark::DoNotOptimize(subject);
        benchmark::ClobberMemory();
    }
    const long counted = allocations.load() - before;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs/call"] =
        benchmark::Counter(static_cast<double>(counted) / static_cast<double>(state.iterations()));
}

void JapaneseSubject(benchmark::State& state) {
    Decode(state, kJapaneseSubject);
}
void Utf8Subject(benchmark::State& state) {
    Decode(state, kUtf8Subject);
}
void PlainSubject(benchmark::State& state) {
    Decode(state, kPlainSubject);
}
void HostileMarkers(benchmark::State& state) {
    Decode(state, HostileSubject());
}

void StatReplyCount(benchmark::State& state) {
    const char reply[] = "+OK 3 670\r\n";
    for (auto _ : state) {
        const char* p = HeaderDecoder::FindNth(reply, " ", 1);
        benchmark::DoNotOptimize(HeaderDecoder::NumberBetween(p, nullptr, " ", 0));
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(JapaneseSubject);
BENCHMARK(Utf8Subject);
BENCHMARK(PlainSubject);
BENCHMARK(HostileMarkers);
BENCHMARK(StatReplyCount);

BENCHMARK_MAIN();

void* operator new(std::size_t size) {
    ++allocations;
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) std::abort();
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
