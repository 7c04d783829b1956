// The run sequence: the dump is written after a successful read, before coding, and
// nowhere when the job names none; each failed step gives its own exit status.
#include "picfit/run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "pcx_builder.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const picfit::Job& job) {
    fit::Reporter report(fit::picfit_errors);
    CaptureStdout();
    CaptureStderr();
    const int status = picfit::run(job, report);
    std::string out = GetCapturedStdout();
    return {status, std::move(out), GetCapturedStderr()};
}

}  // namespace

TEST(PicfitRun, DumpsTheDecodedPixelsOnceThePictureIsRead) {
    TempDir dir;
    const Bytes pixels = fit_test::pattern(16 * 8);
    const std::string two_colour = dir.write("p.pcx", fit_test::make_pcx(16, 8, pixels));
    fit_test::PcxFields empty_window = fit_test::window(16, 1);
    empty_window.ymax = 0;
    empty_window.ymin = 1;
    const std::string empty = dir.write("e.pcx", fit_test::pcx_with_data(empty_window, {}));
    const std::string dump = dir.file("truc.raw");
    const std::string target = dir.file("t.tav");
    const std::string written = target + " file written.\n";
    struct Case {
        std::string source;
        std::string dump;
        int status;
        std::optional<Bytes> dumped;  // nothing: the older dump left as it was
        std::string err;
    };
    const Case cases[] = {
        {two_colour, dump, picfit::kExitDone, pixels, written},
        // Written before the coding step refuses the empty picture.
        {empty, dump, picfit::kExitEncoding, Bytes{}, "ERROR: Encoding problem.\n"},
        {dir.file("missing.pcx"), dump, picfit::kExitLoading, std::nullopt,
         "ERROR: Cannot open source file.\nERROR: When loading source file.\n"},
        {dir.write("bad.pcx", Bytes(200, 0x0A)), dump, picfit::kExitLoading, std::nullopt,
         "ERROR: Bad PCX source format.\nERROR: When loading source file.\n"},
        // A dump that cannot be written is skipped without a word.
        {two_colour, dir.file("no/such/dir/truc.raw"), picfit::kExitDone, std::nullopt, written},
    };
    const Bytes older(5000, 9);
    for (const auto& c : cases) {
        dir.write("truc.raw", older);
        const Outcome o = run({c.source, picfit::kTwoColour, target, c.dump});
        EXPECT_EQ(o.status, c.status) << c.source;
        EXPECT_EQ(o.err, c.err) << c.source;
        EXPECT_EQ(fit_test::exists(target), c.status == picfit::kExitDone) << c.source;
        // Replaced whole, or left as it was.
        EXPECT_EQ(fit_test::read_bytes(dump), c.dumped.value_or(older)) << c.source;
        EXPECT_FALSE(fit_test::exists(dir.file("no/such/dir/truc.raw")));
        std::filesystem::remove(target);
    }
}

TEST(PicfitRun, WritesOnlyTheTargetWithoutADump) {
    TempDir dir;
    const std::string source = dir.write("p.pcx", fit_test::make_pcx(16, 8, fit_test::pattern(128)));
    const Outcome o = run({source, picfit::kTwoColour, dir.file("t.tav"), std::nullopt});
    EXPECT_EQ(o.status, picfit::kExitDone) << o.err;
    EXPECT_TRUE(o.out.starts_with("16 x 8\nTaille du fichier TAV: ")) << o.out;
    EXPECT_TRUE(fit_test::exists(dir.file("t.tav")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
