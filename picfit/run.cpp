#include "run.hpp"

#include <cstdio>
#include <new>

#include "common/allocation.hpp"
#include "common/file_io.hpp"
#include "common/frame.hpp"
#include "encoder.hpp"
#include "media/png_preview.hpp"
#include "pcx.hpp"
#include "picture_chain.hpp"
#include "picture_fit.hpp"
#include "picture_front.hpp"
#include "picture_input.hpp"
#include "tav_file.hpp"

namespace picfit {

namespace {
// Shorter streams are refused, however sound.
constexpr int kShortestStream = 8;

using Bytes = std::vector<std::uint8_t>;

enum class Load { ok, cannot_open, read_error, memory };

// Reads the source once, as far as its kind and header say it can go (a PCX reader
// takes only its first part): standard input, or a pipe named as a file, cannot be
// read a second time. A source that goes on further is read one byte past the limit,
// for the decoder to refuse.
Load read_source(const Job& job, Bytes& bytes) {
    fit::ReadResult read;
    const fit::LimitOf limit = [](std::span<const std::uint8_t> so_far) { return source_limit(so_far); };
    if (!fit::try_allocate([&] {
            read = job.source_is_stdin ? fit::read_standard_input_upto(limit, bytes)
                                       : fit::read_file_upto(job.source, limit, bytes);
            if (read.longer) bytes.push_back(0);
        }))
        return Load::memory;
    switch (read.status) {
    case fit::ReadStatus::cannot_open: return Load::cannot_open;
    case fit::ReadStatus::read_error: return Load::read_error;
    case fit::ReadStatus::ok: break;
    }
    return Load::ok;
}

Dither dither_of(DitherOption option) {
    return option == kDitherUnset ? Dither::floyd_steinberg : static_cast<Dither>(option - kDitherNone);
}
static_assert(kDitherFloydSteinberg - kDitherNone == static_cast<int>(Dither::floyd_steinberg) &&
              kDitherBayer8 - kDitherNone == static_cast<int>(Dither::bayer8));

Rgb rgb_of(const std::optional<Background>& background) {
    if (!background) return {0, 0, 0};
    if (background->machine >= 0) {
        const media::Rgb machine = media::rgb_of(static_cast<std::uint8_t>(background->machine), true);
        return {machine[0], machine[1], machine[2]};
    }
    return {static_cast<std::uint8_t>(background->rgb >> 16), static_cast<std::uint8_t>(background->rgb >> 8),
            static_cast<std::uint8_t>(background->rgb)};
}

void say_limits(int width, int height, int mode, bool fit_scales) {
    const SizeLimits limits = size_limits(mode);
    std::fprintf(stderr,
                 "picfit: the picture is %d x %d; %s mode takes at most %d x %d, a width of whole "
                 "groups of %d pixels%s\n",
                 width, height, mode == kTwoColour ? "two-colour" : "colour", limits.widest,
                 limits.highest, limits.multiple, fit_scales ? " (--fit scales it)" : "");
}

// The picture of a PCX file, in its palette's colours or by its indices.
std::optional<Picture> from_pcx(std::span<const std::uint8_t> file, const Job& job,
                                fit::Reporter& report) {
    if (file.size() > kPcxReadLimit) file = file.first(kPcxReadLimit);
    std::optional<Picture> picture = decode_pcx(file, job.mode, report);
    if (!picture) {
        if (job.verbose && report.first_code() == kBadFormat)
            std::fprintf(stderr, "picfit: the kinds of picture accepted: %s\n", accepted_kinds());
        if (job.verbose && report.first_code() == kBadSize) {
            // The size the header gives, as the reader computed it.
            const auto word = [&](std::size_t at) { return file[at] | file[at + 1] << 8; };
            say_limits(word(8) - word(4) + 1, word(10) - word(6) + 1, job.mode, false);
        }
        return picture;
    }
    constexpr std::size_t kPalette = 768;
    // An empty picture has no colours to map; the coding step refuses it.
    if (job.map != kMapColour || file.size() < kPcxHeaderSize + kPalette || picture->pixels.empty())
        return picture;
    const RgbaPicture rgba = palette_picture(file.last<kPalette>(), picture->pixels,
                                             static_cast<int>(picture->width),
                                             static_cast<int>(picture->height));
    PictureOptions options{job.mode, dither_of(job.dither), rgb_of(job.background), false};
    if (picture_record(rgba, options, *picture) != PictureStatus::ok) {
        report.error(kMemory);
        return std::nullopt;
    }
    return picture;
}

std::optional<Picture> from_true_colours(std::span<const std::uint8_t> file, const Job& job,
                                         fit::Reporter& report) {
    // Without --fit, a picture larger than the mode takes is refused before decoding.
    PictureLimits limits;
    if (!job.fit) {
        limits.widest = size_limits(job.mode).widest;
        limits.highest = size_limits(job.mode).highest;
    }
    const Decoded decoded = decode_picture(file, limits);
    switch (decoded.status) {
    case DecodeStatus::ok: break;
    case DecodeStatus::too_large:
        report.error(kBadSize);
        if (job.verbose && !job.fit) say_limits(decoded.width, decoded.height, job.mode, true);
        if (job.verbose && job.fit)
            std::fprintf(stderr, "picfit: the picture is %d x %d; --fit takes at most %d x %d and %zu pixels\n",
                         decoded.width, decoded.height, limits.widest, limits.highest, limits.most_pixels);
        return std::nullopt;
    case DecodeStatus::too_long:
        std::fprintf(stderr, "picfit: the source goes on past the %zu bytes a %d x %d %s can need\n",
                     decoded.most_bytes, decoded.width, decoded.height, kind_name(decoded.kind));
        return std::nullopt;
    case DecodeStatus::memory: report.error(kMemory); return std::nullopt;
    case DecodeStatus::unknown_kind:
    case DecodeStatus::corrupt:
        // Not the PCX reader's message: the file is of another kind. The loading error
        // that follows sets the exit status.
        std::fprintf(stderr, "ERROR: Bad %s source format.\n", kind_name(decoded.kind));
        return std::nullopt;
    }
    const PictureOptions options{job.mode, dither_of(job.dither), rgb_of(job.background), job.fit};
    Picture picture;
    switch (picture_record(decoded.picture, options, picture)) {
    case PictureStatus::ok: return picture;
    case PictureStatus::memory: report.error(kMemory); return std::nullopt;
    case PictureStatus::bad_size: break;
    }
    report.error(kBadSize);
    if (job.verbose) say_limits(decoded.picture.width, decoded.picture.height, job.mode, true);
    return std::nullopt;
}

std::optional<Picture> read_picture(const Job& job, fit::Reporter& report) {
    Bytes file;
    switch (read_source(job, file)) {
    case Load::ok: break;
    case Load::cannot_open:
        report.error(kCannotOpenSource);
        report.explain(job.source);
        return std::nullopt;
    case Load::memory: report.error(kMemory); return std::nullopt;
    case Load::read_error:
        report.error(kEmptySource);
        report.explain(job.source);
        return std::nullopt;
    }
    if (file.empty()) {
        report.error(kEmptySource);
        return std::nullopt;
    }
    // Told apart by content: anything the decoder does not take is the PCX reader's to
    // judge.
    const PictureKindRow* kind = kind_row(picture_kind(file));
    if (kind != nullptr && kind->header != nullptr) return from_true_colours(file, job, report);
    return from_pcx(file, job, report);
}

// Two of the files written (or the source and one written) are one: the later write
// would replace the earlier, or the source before it is read.
bool clash(const std::string& a, const std::string& b) { return a == b || fit::same_file(a, b); }

bool names_clash(const Job& job) {
    std::vector<std::string> written;
    if (!job.target_is_stdout) written.push_back(job.target);
    if (job.preview) written.push_back(*job.preview);
    for (const std::string& name : written)
        if (!job.source_is_stdin && fit::same_file(job.source, name) && name != job.target)
            return true;
    // A source read from standard input is a file as well, when it is one.
    if (job.source_is_stdin) {
        if (job.dump) written.push_back(*job.dump);
        for (const std::string& name : written)
            if (fit::standard_input_is(name)) return true;
        if (job.dump) written.pop_back();
    }
    for (std::size_t i = 0; i < written.size(); ++i)
        for (std::size_t j = i + 1; j < written.size(); ++j)
            if (clash(written[i], written[j])) return true;
    // A target named like the default dump replaces it, as it always did.
    if (job.dump)
        for (const std::string& name : written)
            if ((job.dump_named || name != job.target) && clash(*job.dump, name)) return true;
    return false;
}

// The preview, made from the file as written, so that it shows what the machine will
// show; nothing when there is no memory for it.
std::optional<Bytes> preview_of(const TavRecord& tav, int length) {
    const TavHeader header = tav_header(tav, length);
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), tav.stream.begin(), tav.stream.begin() + length);
    const std::optional<Picture> picture = media::decode_tav(file);
    return picture ? media::png_preview(*picture) : std::nullopt;
}

// The default dump stays what it always was, apart from the set: written once the
// picture is read, whatever fails after, and skipped without a word when it cannot be.
// Any run makes it again, so it is put in place whole but not flushed.
void dump_alone(const Job& job, const Picture& picture) {
    if (!job.dump || job.dump_named) return;
    fit::FileSet set;
    set.add(*job.dump, {picture.pixels}, true);
    if (set.prepare() == set.size()) set.commit();
}

// A file asked for besides the target could not be written: one line naming it.
int asked_file_failed(const std::string& name, const char* what, fit::Reporter& report) {
    std::fprintf(stderr, "picfit: cannot write the %s %s; the target is left as it was\n", what,
                 name.c_str());
    report.explain(name);
    return kExitAskedFile;
}

int target_failed(const Job& job, fit::WriteStatus status, fit::Reporter& report) {
    report.error(status == fit::WriteStatus::cannot_create ? kCannotCreateTarget : kShortWrite);
    report.explain(job.target);
    report.error(kSaving);
    return kExitSaving;
}

// The target, the dump and the preview, written together: each to a temporary file,
// all flushed, then all renamed into place, so that a run that fails leaves every one
// of them as it was. Tells in `dump_again` that the default dump is still to be written.
int save_set(const Job& job, const Picture& picture, const TavFile& tav_file,
             const std::optional<Bytes>& png, fit::Reporter& report, bool& dump_again) {
    constexpr std::size_t kNone = fit::FileSet::kMostFiles;
    fit::FileSet files;
    // The dump first: a target named like the default dump replaces it.
    const std::size_t dump = job.dump ? files.add(*job.dump, {picture.pixels}, !job.dump_named) : kNone;
    const std::size_t target =
        job.target_is_stdout ? kNone : files.add(job.target, {tav_file.header, tav_file.stream});
    const std::size_t preview = png ? files.add(*job.preview, {*png}) : kNone;

    const auto failed = [&](std::size_t index) {
        dump_again = dump != kNone && !job.dump_named && files.status(dump) == fit::WriteStatus::written;
        if (index == dump) return asked_file_failed(*job.dump, "dump", report);
        if (index == preview) return asked_file_failed(*job.preview, "preview", report);
        return target_failed(job, files.status(target), report);
    };
    if (const std::size_t index = files.prepare(); index != files.size()) return failed(index);
    // Standard output cannot be taken back: it goes once every file is ready.
    if (job.target_is_stdout) {
        const fit::WriteStatus status =
            fit::write_standard_output({tav_file.header, tav_file.stream});
        if (status != fit::WriteStatus::written) {
            dump_again = dump != kNone && !job.dump_named;
            return target_failed(job, status, report);
        }
    }
    if (const std::size_t index = files.commit(); index != files.size()) return failed(index);
    if (!job.quiet) {
        fit::report_written(job.target);
        if (job.preview) fit::report_written(*job.preview);
    }
    return kExitDone;
}

int save_files(const Job& job, const Picture& picture, const TavRecord& tav, int length,
               fit::Reporter& report) {
    const std::optional<TavFile> tav_file = tav_file_of(tav, length);
    if (!tav_file) {
        report.error(kShortWrite);
        report.error(kSaving);
        dump_alone(job, picture);
        return kExitSaving;
    }
    std::optional<Bytes> png;
    if (job.preview && !(png = preview_of(tav, length))) {
        report.error(kEncoding);
        report.error(kSaving);
        dump_alone(job, picture);
        return kExitSaving;
    }
    bool dump_again = false;
    const int status = save_set(job, picture, *tav_file, png, report, dump_again);
    if (dump_again) dump_alone(job, picture);
    return status;
}

}  // namespace

Job job_of(const State& state) {
    Job job{state.source, state.mode, state.target};
    if (state.dump == kNoDump) job.dump.reset();
    if (state.dump == kDumpToFile) {
        job.dump = state.dump_to;
        job.dump_named = true;
    }
    job.source_is_stdin = state.source_is_stdin;
    job.target_is_stdout = state.target_is_stdout;
    job.quiet = state.quiet;
    job.verbose = state.verbose;
    job.map = state.map;
    job.dither = state.dither;
    job.background = state.background;
    job.fit = state.fit_picture;
    job.preview = state.preview;
    return job;
}

int run(const Job& job, fit::Reporter& report) {
    // The dump would replace a source that is that very file.
    if (job.dump && !job.source_is_stdin && fit::same_file(job.source, *job.dump)) {
        report.error(kSameName);
        return kExitUsage;
    }
    if (names_clash(job)) {
        report.error(kSameName);
        return kExitUsage;
    }
    const std::optional<Picture> picture = read_picture(job, report);
    if (!picture) {
        report.error(kLoading);
        return kExitLoading;
    }
    // With the TAV file on standard output, every line goes to standard error.
    std::FILE* const lines = job.target_is_stdout ? stderr : stdout;
    if (!job.quiet) {
        std::fprintf(lines, "%zu x %zu\n", picture->width, picture->height);
        std::fflush(lines);
    }

    TavRecord tav;
    const int length_coding = job.mode != kTwoColour ? encode_colour_tav(*picture, tav)
                                                      : encode_two_colour_tav(*picture, tav);
    if (length_coding < kShortestStream) {
        report.error(kEncoding);
        dump_alone(job, *picture);
        return kExitEncoding;
    }
    if (!job.quiet) {
        std::fprintf(lines, "Taille du fichier TAV: %d\n", length_coding);
        std::fflush(lines);
    }
    return save_files(job, *picture, tav, length_coding, report);
}

}  // namespace picfit
