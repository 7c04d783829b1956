#include "program.hpp"

#include <cstdio>
#include <optional>

#include "common/file_io.hpp"
#include "encoder.hpp"
#include "options.hpp"
#include "pcx.hpp"
#include "tav_file.hpp"

namespace {
constexpr int kLoading = 2;
constexpr int kSaving = 3;
constexpr int kEncoding = 9;
constexpr int kSameName = 12;
// Shorter streams are refused, however sound.
constexpr int kShortestStream = 8;
}  // namespace

namespace picfit {

int program_main(int argc, char** argv) {
    std::fputs("Picfit 2010.01\n", stdout);
    std::fflush(stdout);
    fit::Reporter report(fit::picfit_errors);
    picfit::State state;
    if (const int parsed = picfit::ManageArguments(argc, argv, state, report);
        parsed != fit::kGoOn)
        return parsed == fit::kAnswered ? 0 : 1;
    // The pixel dump would replace a source that is that very file.
    if (fit::same_file(state.source, picfit::kDumpName)) {
        report.erreur(kSameName);
        return 1;
    }

    std::optional<picfit::header_TAV> tav = picfit::read_pcx(state.source, state.color, report);
    if (!tav) {
        report.erreur(kLoading);
        return 2;
    }
    std::printf("%d x %d\n", tav->width, tav->heigth);
    std::fflush(stdout);

    const int length_coding = state.color != picfit::kTwoColour ? picfit::encoder_COLOR_tav(*tav)
                                                                : picfit::encoder_BW_tav(*tav);
    if (length_coding < kShortestStream) {
        report.erreur(kEncoding);
        return 9;
    }
    std::printf("Taille du fichier TAV: %d\n", length_coding);
    std::fflush(stdout);

    if (picfit::save_tav(state.target, *tav, length_coding, report) == 0) {
        report.erreur(kSaving);
        return 3;
    }
    return 0;
}

}  // namespace picfit
