#include "fit_api.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "codefit/program.hpp"
#include "codefit/types.hpp"
#include "common/memory_files.hpp"
#include "datafit/program.hpp"
#include "datafit/types.hpp"
#include "fitinfo/options.hpp"
#include "fitinfo/program.hpp"
#include "picfit/options.hpp"
#include "picfit/program.hpp"

// The module's exports; a native build of the same interface (the benchmark's) has no
// such table.
#if defined(__wasm__)
#define FIT_EXPORT(name) __attribute__((export_name(#name)))
#else
#define FIT_EXPORT(name)
#endif

namespace {

using Program = int (*)(int, char**);

Program program_named(std::string_view name) {
    if (const auto slash = name.find_last_of('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (name == "codefit") return codefit::program_main;
    if (name == "datafit") return datafit::program_main;
    if (name == "picfit") return picfit::program_main;
    if (name == "fitinfo") return fitinfo::program_main;
    return nullptr;
}

std::string quoted(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') json += '\\';
        json += c;
    }
    return json + '"';
}

// A converter's targets, in the order of its table: the first is its default.
template <typename Rows>
std::string targets_json(const Rows& rows) {
    std::string json;
    for (const auto& row : rows) {
        json += json.empty() ? "[" : ",";
        json += "{\"name\":" + quoted(row.name) + ",\"help\":" + quoted(row.help) +
                ",\"extension\":" + quoted(row.extension);
        if constexpr (requires { row.default_reloc; }) {
            char load[5];
            std::snprintf(load, sizeof load, "%04X", row.default_reloc);
            json += ",\"load\":" + quoted(load);
        }
        json += "}";
    }
    return json + "]";
}

// The long options whose value is a choice, and the choices.
std::string choices_json(const fit::OptionTable& table) {
    std::string json;
    for (const auto& values : table.values) {
        if (values.option.size() < 2 || values.words.empty()) continue;
        json += (json.empty() ? "" : ",") + quoted(values.option) + ":[";
        for (std::size_t i = 0; i < values.words.size(); ++i)
            json += (i == 0 ? "" : ",") + quoted(values.words[i]);
        json += "]";
    }
    return "{" + json + "}";
}

// The picture modes' screens: the largest picture each takes as it is, and the multiple
// its width must be.
std::string modes_json() {
    std::string json;
    for (const auto& [name, mode] : {std::pair{"colour", picfit::kColour}, std::pair{"two", picfit::kTwoColour}}) {
        const picfit::SizeLimits limits = picfit::size_limits(mode);
        json += std::string(json.empty() ? "{" : ",") + quoted(name) + ":{\"width\":" +
                std::to_string(limits.widest) + ",\"height\":" + std::to_string(limits.highest) +
                ",\"step\":" + std::to_string(limits.multiple) + "}";
    }
    return json + "}";
}

std::string choices_document() {
    std::string json = "{";
    for (const auto& table : {codefit::option_table(), datafit::option_table(),
                              picfit::option_table(), fitinfo::option_table()}) {
        json += (json.size() == 1 ? "" : ",") + quoted(table.program) + ":{\"choices\":" +
                choices_json(table);
        if (table.program == "codefit") json += ",\"targets\":" + targets_json(codefit::kTargetTypes);
        if (table.program == "datafit") json += ",\"targets\":" + targets_json(datafit::kTargetTypes);
        if (table.program == "picfit") json += ",\"modes\":" + modes_json();
        json += "}";
    }
    return json + "}";
}

}  // namespace

extern "C" {

FIT_EXPORT(fit_alloc) void* fit_alloc(size_t size) { return std::malloc(size); }

FIT_EXPORT(fit_free) void fit_free(void* memory) { std::free(memory); }

FIT_EXPORT(fit_put_file) int fit_put_file(const char* name, const unsigned char* bytes, size_t size) {
    fit::put_memory_file(name, std::vector<unsigned char>(bytes, bytes + size));
    return 0;
}

FIT_EXPORT(fit_file_size) long fit_file_size(const char* name) {
    const auto* file = fit::memory_file(name);
    return file == nullptr ? -1 : static_cast<long>(file->size());
}

FIT_EXPORT(fit_file_data) const unsigned char* fit_file_data(const char* name) {
    const auto* file = fit::memory_file(name);
    return file == nullptr ? nullptr : file->data();
}

FIT_EXPORT(fit_clear_files) void fit_clear_files(void) { fit::memory_files().clear(); }

FIT_EXPORT(fit_choices) const char* fit_choices(void) {
    static const std::string document = choices_document();
    return document.c_str();
}

FIT_EXPORT(fit_run) int fit_run(int argc, char** argv) {
    const Program program = argc > 0 ? program_named(argv[0]) : nullptr;
    if (program == nullptr) return -1;
    const int status = program(argc, argv);
    std::fflush(stdout);
    std::fflush(stderr);
    // A run whose standard output failed leaves it clean for the next.
    std::clearerr(stdout);
    return status;
}

}  // extern "C"
