// The WebAssembly build's files: they live in memory, named as the command line names
// them, filled and read by the module's host. Only that build has them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fit {

std::map<std::string, std::vector<std::uint8_t>, std::less<>>& memory_files();

}  // namespace fit
