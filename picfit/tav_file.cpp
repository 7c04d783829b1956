#include "tav_file.hpp"

#include <cstdio>
#include <span>

#include "common/file_io.hpp"

namespace picfit {

TavHeader tav_header(const TavRecord& tav, int length) {
    const auto group = media::tav::mode_facts(tav.Flag != kTwoColour).group;
    return media::tav::make_header(static_cast<std::uint8_t>(tav.width / group),
                                   static_cast<std::uint8_t>(tav.height),
                                   static_cast<std::uint16_t>(length), tav.Flag);
}

std::optional<TavFile> tav_file_of(const TavRecord& tav, int length) {
    // The header's 16-bit field could not tell a longer stream's length.
    if (length < 0 || length > 0xFFFF || static_cast<std::size_t>(length) > tav.stream.size())
        return std::nullopt;
    return TavFile{tav_header(tav, length),
                   std::span<const std::uint8_t>(tav.stream.data(), static_cast<std::size_t>(length))};
}

int save_tav(const std::string& filename, const TavRecord& tav, int length,
             fit::Reporter& report, bool quiet, bool to_stdout) {
    const std::optional<TavFile> file = tav_file_of(tav, length);
    if (!file) {
        report.error(kShortWrite);
        return 0;
    }
    const auto& [header, stream] = *file;
    switch (to_stdout ? fit::write_standard_output({header, stream}) : fit::write_file(filename, {header, stream})) {
    case fit::WriteStatus::cannot_create:
        report.error(kCannotCreateTarget);
        report.explain(filename);
        return 0;
    case fit::WriteStatus::short_write:
        report.error(kShortWrite);
        report.explain(filename);
        return 0;
    case fit::WriteStatus::written:
        break;
    }
    if (!quiet) std::fprintf(stderr, "%s file written.\n", filename.c_str());
    return length;
}

}  // namespace picfit
