#include "run.hpp"

#include <cstdio>
#include <new>

#include "common/allocation.hpp"
#include "common/file_io.hpp"
#include "common/frame.hpp"
#include "encoder.hpp"
#include "media/byte_order.hpp"
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
Load read_source(const State& state, Bytes& bytes) {
    fit::ReadResult read;
    const fit::LimitOf limit = [](std::span<const std::uint8_t> so_far) { return source_limit(so_far); };
    if (!fit::try_allocate([&] {
            read = state.source_is_stdin ? fit::read_standard_input_upto(limit, bytes)
                                       : fit::read_file_upto(state.source, limit, bytes);
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
std::optional<Picture> from_pcx(std::span<const std::uint8_t> file, const State& state,
                                fit::Reporter& report) {
    if (file.size() > kPcxReadLimit) file = file.first(kPcxReadLimit);
    std::optional<Picture> picture = decode_pcx(file, state.mode, report);
    if (!picture) {
        if (state.verbose && report.first_code() == kBadFormat)
            std::fprintf(stderr, "picfit: the kinds of picture accepted: %s\n", accepted_kinds());
        if (state.verbose && report.first_code() == kBadSize) {
            // The size the header gives, as the reader computed it.
            const auto word = [&](std::size_t at) { return media::low_byte_first(file, at); };
            say_limits(word(8) - word(4) + 1, word(10) - word(6) + 1, state.mode, false);
        }
        return picture;
    }
    constexpr std::size_t kPalette = 768;
    // An empty picture has no colours to map; the coding step refuses it.
    if (state.map != kMapColour || file.size() < kPcxHeaderSize + kPalette || picture->pixels.empty())
        return picture;
    const RgbaPicture rgba = palette_picture(file.last<kPalette>(), picture->pixels,
                                             static_cast<int>(picture->width),
                                             static_cast<int>(picture->height));
    PictureOptions options{state.mode, dither_of(state.dither), rgb_of(state.background), false};
    if (picture_record(rgba, options, *picture) != PictureStatus::ok) {
        report.error(kMemory);
        return std::nullopt;
    }
    return picture;
}

std::optional<Picture> from_true_colours(std::span<const std::uint8_t> file, const State& state,
                                         fit::Reporter& report) {
    // Without --fit, a picture larger than the mode takes is refused before decoding.
    PictureLimits limits;
    if (!state.fit_picture) {
        limits.widest = size_limits(state.mode).widest;
        limits.highest = size_limits(state.mode).highest;
    }
    const Decoded decoded = decode_picture(file, limits);
    switch (decoded.status) {
    case DecodeStatus::ok: break;
    case DecodeStatus::too_large:
        report.error(kBadSize);
        if (state.verbose && !state.fit_picture) say_limits(decoded.width, decoded.height, state.mode, true);
        if (state.verbose && state.fit_picture)
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
    const PictureOptions options{state.mode, dither_of(state.dither), rgb_of(state.background), state.fit_picture};
    Picture picture;
    switch (picture_record(decoded.picture, options, picture)) {
    case PictureStatus::ok: return picture;
    case PictureStatus::memory: report.error(kMemory); return std::nullopt;
    case PictureStatus::bad_size: break;
    }
    report.error(kBadSize);
    if (state.verbose) say_limits(decoded.picture.width, decoded.picture.height, state.mode, true);
    return std::nullopt;
}

std::optional<Picture> read_picture(const State& state, fit::Reporter& report) {
    Bytes file;
    switch (read_source(state, file)) {
    case Load::ok: break;
    case Load::cannot_open:
        report.error(kCannotOpenSource);
        report.explain(state.source);
        return std::nullopt;
    case Load::memory: report.error(kMemory); return std::nullopt;
    case Load::read_error:
        report.error(kEmptySource);
        report.explain(state.source);
        return std::nullopt;
    }
    if (file.empty()) {
        report.error(kEmptySource);
        return std::nullopt;
    }
    // Told apart by content: anything the decoder does not take is the PCX reader's to
    // judge.
    const PictureKindRow* kind = kind_row(picture_kind(file));
    if (kind != nullptr && kind->header != nullptr) return from_true_colours(file, state, report);
    return from_pcx(file, state, report);
}

// Two of the files written (or the source and one written) are one: the later write
// would replace the earlier, or the source before it is read.
bool clash(const std::string& a, const std::string& b) { return a == b || fit::same_file(a, b); }

bool names_clash(const State& state) {
    std::vector<std::string> written;
    if (!state.target_is_stdout) written.push_back(state.target);
    if (state.preview) written.push_back(*state.preview);
    for (const std::string& name : written)
        if (!state.source_is_stdin && fit::same_file(state.source, name) && name != state.target)
            return true;
    // A source read from standard input is a file as well, when it is one.
    const std::optional<std::string> dump = state.dump_file();
    if (state.source_is_stdin) {
        if (dump && fit::standard_input_is(*dump)) return true;
        for (const std::string& name : written)
            if (fit::standard_input_is(name)) return true;
    }
    for (std::size_t i = 0; i < written.size(); ++i)
        for (std::size_t j = i + 1; j < written.size(); ++j)
            if (clash(written[i], written[j])) return true;
    // A target named like the default dump replaces it, as it always did.
    if (dump)
        for (const std::string& name : written)
            if ((state.dump_named() || name != state.target) && clash(*dump, name)) return true;
    return false;
}

// The preview, made from the file as written, so that it shows what the machine will
// show; nothing when there is no memory for it.
std::optional<Bytes> preview_of(const TavFile& tav_file) {
    Bytes file(tav_file.header.begin(), tav_file.header.end());
    file.insert(file.end(), tav_file.stream.begin(), tav_file.stream.end());
    const std::optional<Picture> picture = media::decode_tav(file);
    return picture ? media::png_preview(*picture) : std::nullopt;
}

// The default dump stays what it always was, apart from the set: written once the
// picture is read, whatever fails after, and skipped without a word when it cannot be.
// Any run makes it again, so it is put in place whole but not flushed.
void dump_alone(const State& state, const Picture& picture) {
    if (state.dump != kDumpDefault) return;
    fit::FileSet set;
    set.add(kDumpName, {picture.pixels}, true);
    if (set.prepare() == set.size()) set.commit();
}

// A file asked for besides the target could not be written: one line naming it.
int asked_file_failed(const std::string& name, const char* what, fit::Reporter& report) {
    std::fprintf(stderr, "picfit: cannot write the %s %s; the target is left as it was\n", what,
                 name.c_str());
    report.explain(name);
    return kExitAskedFile;
}

int target_failed(const State& state, fit::WriteStatus status, fit::Reporter& report) {
    report.error(status == fit::WriteStatus::cannot_create ? kCannotCreateTarget : kShortWrite);
    report.explain(state.target);
    report.error(kSaving);
    return kExitSaving;
}

// The target, the dump and the preview, written together: each to a temporary file,
// all flushed, then all renamed into place, so that a run that fails leaves every one
// of them as it was. Tells in `dump_again` that the default dump is still to be written.
int save_set(const State& state, const Picture& picture, const TavFile& tav_file,
             const std::optional<Bytes>& png, fit::Reporter& report, bool& dump_again) {
    constexpr std::size_t kNone = fit::FileSet::kMostFiles;
    fit::FileSet files;
    const std::optional<std::string> dump_name = state.dump_file();
    // The dump first: a target named like the default dump replaces it.
    const std::size_t dump = dump_name ? files.add(*dump_name, {picture.pixels}, !state.dump_named()) : kNone;
    const std::size_t target =
        state.target_is_stdout ? kNone : files.add(state.target, {tav_file.header, tav_file.stream});
    const std::size_t preview = png ? files.add(*state.preview, {*png}) : kNone;

    const auto failed = [&](std::size_t index) {
        dump_again = dump != kNone && !state.dump_named() && files.status(dump) == fit::WriteStatus::written;
        if (index == dump) return asked_file_failed(*dump_name, "dump", report);
        if (index == preview) return asked_file_failed(*state.preview, "preview", report);
        return target_failed(state, files.status(target), report);
    };
    if (const std::size_t index = files.prepare(); index != files.size()) return failed(index);
    // Standard output cannot be taken back: it goes once every file is ready.
    if (state.target_is_stdout) {
        const fit::WriteStatus status =
            fit::write_standard_output({tav_file.header, tav_file.stream});
        if (status != fit::WriteStatus::written) {
            dump_again = dump != kNone && !state.dump_named();
            return target_failed(state, status, report);
        }
    }
    if (const std::size_t index = files.commit(); index != files.size()) return failed(index);
    if (!state.quiet) {
        fit::report_written(state.target);
        if (state.preview) fit::report_written(*state.preview);
    }
    return kExitDone;
}

int save_files(const State& state, const Picture& picture, const TavRecord& tav, int length,
               fit::Reporter& report) {
    const std::optional<TavFile> tav_file = tav_file_of(tav, length);
    if (!tav_file) {
        report.error(kShortWrite);
        report.error(kSaving);
        dump_alone(state, picture);
        return kExitSaving;
    }
    std::optional<Bytes> png;
    if (state.preview && !(png = preview_of(*tav_file))) {
        report.error(kEncoding);
        report.error(kSaving);
        dump_alone(state, picture);
        return kExitSaving;
    }
    bool dump_again = false;
    const int status = save_set(state, picture, *tav_file, png, report, dump_again);
    if (dump_again) dump_alone(state, picture);
    return status;
}

}  // namespace

int run(const State& state, fit::Reporter& report) {
    // The dump would replace a source that is that very file.
    if (state.dump_file() && !state.source_is_stdin && fit::same_file(state.source, *state.dump_file())) {
        report.error(kSameName);
        return kExitUsage;
    }
    if (names_clash(state)) {
        report.error(kSameName);
        return kExitUsage;
    }
    const std::optional<Picture> picture = read_picture(state, report);
    if (!picture) {
        report.error(kLoading);
        return kExitLoading;
    }
    // With the TAV file on standard output, every line goes to standard error.
    std::FILE* const lines = state.target_is_stdout ? stderr : stdout;
    if (!state.quiet) {
        std::fprintf(lines, "%zu x %zu\n", picture->width, picture->height);
        std::fflush(lines);
    }

    TavRecord tav;
    const int length_coding = state.mode != kTwoColour ? encode_colour_tav(*picture, tav)
                                                      : encode_two_colour_tav(*picture, tav);
    if (length_coding < kShortestStream) {
        report.error(kEncoding);
        dump_alone(state, *picture);
        return kExitEncoding;
    }
    if (!state.quiet) {
        std::fprintf(lines, "Taille du fichier TAV: %d\n", length_coding);
        std::fflush(lines);
    }
    return save_files(state, *picture, tav, length_coding, report);
}

}  // namespace picfit
