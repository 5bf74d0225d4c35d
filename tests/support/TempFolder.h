// A fresh folder that is the current directory for the lifetime of the object,
// removed afterwards, with the raw bytes of the files in it.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class TempFolder {
public:
    TempFolder() : previous_(std::filesystem::current_path()) {
        static int counter = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("letterglass-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    // Tests may leave the folder read-only.
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Entries in the folder, to catch stray temporary files.
    int EntryCount() const {
        const std::filesystem::directory_iterator all(path_);
        return static_cast<int>(std::distance(begin(all), end(all)));
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
