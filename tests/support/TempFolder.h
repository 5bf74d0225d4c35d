// A fresh folder, the current directory while the object lives, then removed.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
public:
    TempFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        std::filesystem::create_directories(path_ /= "letterglass-test-" + std::to_string(stamp));
        std::filesystem::current_path(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Path() const { return path_; }
    void Put(const std::string& name, const std::string& bytes) const {  // raw bytes
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    long EntryCount() const {  // to catch stray temporary files
        return std::distance(std::filesystem::directory_iterator(path_), {});
    }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
    std::filesystem::path path_ = std::filesystem::temp_directory_path();
};
