#include "run.hpp"

#include <cstdio>

#include "common/file_io.hpp"
#include "png_preview.hpp"
#include "recognise.hpp"

namespace fitinfo {

namespace {

enum class Read { ok, cannot_open, cannot_read, too_long };

// Longer than any file the converters write (a 640000-byte source listed as text).
constexpr std::size_t kLongest = 1 << 23;

Read read_whole(const std::string& path, Bytes& bytes) {
    const fit::ReadResult read = fit::read_file_upto(path, kLongest, bytes);
    if (read.status == fit::ReadStatus::cannot_open) return Read::cannot_open;
    if (read.status != fit::ReadStatus::ok) return Read::cannot_read;
    return read.longer ? Read::too_long : Read::ok;
}

int extract(const Finding& finding, const std::string& file, const std::string& out) {
    std::optional<Bytes> png;
    if (finding.picture) {
        png = png_preview(*finding.picture);
        if (!png) {
            std::fprintf(stderr, "%s: cannot make the PNG preview.\n", out.c_str());
            return kNotExtracted;
        }
    } else if (finding.payload.empty()) {
        std::fprintf(stderr, "%s: no code to extract.\n", file.c_str());
        return kNotExtracted;
    }
    const Bytes& bytes = png ? *png : finding.payload;
    switch (fit::write_file(out, {bytes})) {
    case fit::WriteStatus::cannot_create:
        std::fprintf(stderr, "%s: cannot create the file.\n", out.c_str());
        return kNotExtracted;
    case fit::WriteStatus::short_write:
        std::fprintf(stderr, "%s: cannot write the whole file.\n", out.c_str());
        return kNotExtracted;
    case fit::WriteStatus::written:
        break;
    }
    std::fprintf(stderr, "%s file written.\n", out.c_str());
    return kValid;
}

int examine(const std::string& file, const Settings& settings) {
    Bytes bytes;
    switch (read_whole(file, bytes)) {
    case Read::cannot_open:
        std::fprintf(stderr, "%s: cannot open the file.\n", file.c_str());
        return kUnreadable;
    case Read::cannot_read:
        std::fprintf(stderr, "%s: cannot read the file.\n", file.c_str());
        return kUnreadable;
    case Read::too_long:
        std::fprintf(stderr, "%s: not recognised: longer than any file the converters write.\n",
                     file.c_str());
        return kUnrecognised;
    case Read::ok:
        break;
    }
    const Inspection inspection = inspect(bytes, {settings.rom_load, settings.rom_size});
    switch (inspection.verdict) {
    case Verdict::unrecognised:
        std::fprintf(stderr,
                     "%s: not recognised: neither a disk file, a cassette image, a ROM image, "
                     "a TAV picture, a BASIC DATA program nor an assembler listing.\n",
                     file.c_str());
        return kUnrecognised;
    case Verdict::broken:
        std::fprintf(stderr, "%s: %s: %s\n", file.c_str(), inspection.kind.c_str(),
                     media::describe(*inspection.error).c_str());
        return kBroken;
    case Verdict::valid:
        break;
    }
    const Finding& finding = *inspection.finding;
    std::printf("%s: %s\n", file.c_str(), finding.kind.c_str());
    for (const auto& line : finding.details) std::printf("  %s\n", line.c_str());
    std::fflush(stdout);
    return settings.extract_to ? extract(finding, file, *settings.extract_to) : kValid;
}

int report_lost() {
    std::fputs("standard output: cannot write the report.\n", stderr);
    return kReportLost;
}

}  // namespace

int run(const Settings& settings) {
    int status = kValid;
    for (const auto& file : settings.files) {
        const int result = examine(file, settings);
        // Whatever follows would be lost as well: the run stops at the first report
        // that did not go out.
        if (std::ferror(stdout)) return report_lost();
        if (status == kValid) status = result;
    }
    return status;
}

int close_report(int status) {
    if (status == kReportLost) return status;
    return std::fclose(stdout) == 0 ? status : report_lost();
}

}  // namespace fitinfo
