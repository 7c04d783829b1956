#include "run.hpp"

#include <cstdio>

#include "common/file_io.hpp"
#include "encoder.hpp"
#include "pcx.hpp"
#include "tav_file.hpp"

namespace picfit {

namespace {
// Shorter streams are refused, however sound.
constexpr int kShortestStream = 8;
}  // namespace

int run(const Job& job, fit::Reporter& report) {
    // The dump would replace a source that is that very file.
    if (job.dump && fit::same_file(job.source, *job.dump)) {
        report.erreur(kSameName);
        return kExitUsage;
    }
    const std::optional<Picture> picture = read_pcx(job.source, job.color, report);
    if (!picture) {
        report.erreur(kLoading);
        return kExitLoading;
    }
    if (job.dump) (void)fit::write_file(*job.dump, {picture->pixels});
    std::printf("%zu x %zu\n", picture->width, picture->height);
    std::fflush(stdout);

    header_TAV tav;
    const int length_coding = job.color != kTwoColour ? encoder_COLOR_tav(*picture, tav)
                                                      : encoder_BW_tav(*picture, tav);
    if (length_coding < kShortestStream) {
        report.erreur(kEncoding);
        return kExitEncoding;
    }
    std::printf("Taille du fichier TAV: %d\n", length_coding);
    std::fflush(stdout);

    if (save_tav(job.target, tav, length_coding, report) == 0) {
        report.erreur(kSaving);
        return kExitSaving;
    }
    return kExitDone;
}

}  // namespace picfit
