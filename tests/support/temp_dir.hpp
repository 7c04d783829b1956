// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fit_test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes a file in the directory and returns its path.
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path path_;
};

Bytes read_bytes(const std::string& path);
bool exists(const std::string& path);

// n bytes of a reproducible pseudo-random pattern.
Bytes pattern(std::size_t n, std::uint32_t seed = 1);

}  // namespace fit_test
