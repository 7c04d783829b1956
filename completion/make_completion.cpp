// Writes the bash completion from the template and the four programs' option tables,
// the very tables their parsers read, so that no option is offered that they refuse
// nor missed that they take:
//   make_completion fit.bash.in fit.bash
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "codefit/options.hpp"
#include "datafit/options.hpp"
#include "fitinfo/options.hpp"
#include "picfit/options.hpp"

namespace {

const fit::OptionValues* values_of(const fit::OptionTable& table, std::string_view option) {
    for (const auto& values : table.values)
        if (values.option == option) return &values;
    return nullptr;
}

std::string file_reply(std::string_view word) {
    return "COMPREPLY=($(compgen -f -- \"" + std::string(word) + "\")); return ;;\n";
}

// One program's branch of the case on the program's name.
std::string program_case(const fit::OptionTable& table) {
    std::string options, by_prev, by_cur;
    auto offer = [&](const std::string& word) { options += (options.empty() ? "" : " ") + word; };
    auto take = [&](const std::string& pattern, const fit::OptionValues* values) {
        if (values == nullptr) return;
        if (values->words.empty())
            by_cur += "        " + pattern + "*) " + file_reply("${cur#*=}");
        else
            by_cur += "        " + pattern + "*) values=\"" + fit::joined(values->words, " ") +
                      "\" ;;\n";
    };
    for (const auto longs : {table.longs, fit::common_long_options()})
        for (const auto& option : longs) {
            const std::string name = "--" + std::string(option.name);
            offer(option.takes_value ? name + "=" : name);
            if (option.takes_value) take(name + "=", values_of(table, option.name));
        }
    const std::string_view shorts = table.shorts;
    for (std::size_t i = 0; i < shorts.size(); ++i) {
        const std::string name{'-', shorts[i]};
        const bool takes_value = i + 1 < shorts.size() && shorts[i + 1] == ':';
        const fit::OptionValues* values = values_of(table, shorts.substr(i, 1));
        if (takes_value) ++i;
        if (table.unoffered.find(name[1]) != std::string_view::npos) continue;
        if (!takes_value) {
            offer(name);
        } else if (values != nullptr && values->words.empty()) {
            // A file name, in the next word.
            offer(name);
            by_prev += "        " + name + ") " + file_reply("$cur");
        } else {
            // The value follows one skipped character: -t:K7.
            offer(name + ":");
            take(name + ":", values);
        }
    }
    std::string text = "    " + std::string(table.program) + ")\n        options=\"" + options + "\"\n";
    if (!by_prev.empty()) text += "        case $prev in\n" + by_prev + "        esac\n";
    if (!by_cur.empty()) text += "        case $cur in\n" + by_cur + "        esac\n";
    return text + "        ;;";
}

// False when the template lacks the marker: a completion without its cases must not
// be made.
bool replace(std::string& text, std::string_view marker, const std::string& by) {
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) return false;
    text.replace(at, marker.size(), by);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_completion template output\n", stderr);
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    std::string text = read.str();
    if (!in || text.empty()) {
        std::fprintf(stderr, "make_completion: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string cases, names;
    for (const auto& table : {codefit::option_table(), datafit::option_table(),
                              picfit::option_table(), fitinfo::option_table()}) {
        cases += (cases.empty() ? "" : "\n") + program_case(table);
        names += (names.empty() ? "" : " ") + std::string(table.program);
    }
    if (!replace(text, "@GENERATED@", "Made at build time from the programs' option tables.") ||
        !replace(text, "@PROGRAMS@", cases) || !replace(text, "@NAMES@", names)) {
        std::fprintf(stderr, "make_completion: %s lacks one of its markers\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_completion: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
