// Stands in for xdg-open: a script first on PATH that waits until the test
// releases it (at most ten seconds), then records the address it was given.
// A caller that waited for the opener would therefore find nothing recorded.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

class FakeOpener {
public:
    FakeOpener() : previousPath_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        static int counter = 0;
        folder_ =
            std::filesystem::temp_directory_path() /
            ("letterglass-opener-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(folder_);
        const std::filesystem::path script = folder_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "i=0\n"
                                 "while [ ! -e '"
                              << ReleaseFile().string()
                              << "' ] && [ $i -lt 200 ]; do\n"
                                 "  sleep 0.05; i=$((i+1))\n"
                                 "done\n"
                                 "printf '%s' \"$1\" > '"
                              << LogFile().string()
                              << ".part'\n"
                                 "mv '"
                              << LogFile().string() << ".part' '" << LogFile().string() << "'\n";
        ::chmod(script.c_str(), 0755);
        ::setenv("PATH", (folder_.string() + ":" + previousPath_).c_str(), 1);
    }
    ~FakeOpener() {
        ::setenv("PATH", previousPath_.c_str(), 1);
        std::error_code ignored;
        // A script still waiting finds its folder gone and records nothing.
        std::filesystem::remove_all(folder_, ignored);
    }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    bool Recorded() const { return std::filesystem::exists(LogFile()); }

    // Lets the opener finish and returns what it recorded ("" after ten seconds).
    std::string ReleaseAndRead() {
        std::ofstream(ReleaseFile()) << "go";
        for (int i = 0; i < 500 && !Recorded(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(LogFile(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path ReleaseFile() const { return folder_ / "release"; }
    std::filesystem::path LogFile() const { return folder_ / "opened"; }

    std::string previousPath_;
    std::filesystem::path folder_;
};
