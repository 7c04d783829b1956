// The WebAssembly build's files: they live in memory, named as the command line names
// them, filled and read by the module's host. Only that build has them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fit {

std::map<std::string, std::vector<std::uint8_t>, std::less<>>& memory_files();

// The file of that name, or nothing; "./a" and "a" are one file, as they are on disk.
const std::vector<std::uint8_t>* memory_file(std::string_view name);

// Stores the file under the name that memory_file finds it by.
void put_memory_file(std::string_view name, std::vector<std::uint8_t> bytes);

}  // namespace fit
