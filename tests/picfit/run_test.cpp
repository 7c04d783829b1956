// The run sequence: the dump is written after a successful read, before coding, and
// nowhere with --no-dump; each failed step gives its own exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "pcx_builder.hpp"
#include "picfit/messages.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::TempDir;

namespace {

constexpr const char* kBanner = "Picfit 2010.01\n";

}  // namespace

TEST(PicfitRun, DumpsTheDecodedPixelsOnceThePictureIsRead) {
    TempDir dir;
    const Bytes pixels = fit_test::pattern(16 * 8);
    const std::string two_colour = dir.write("p.pcx", fit_test::make_pcx(16, 8, pixels));
    fit_test::PcxFields empty_window = fit_test::window(16, 1);
    empty_window.ymax = 0;
    empty_window.ymin = 1;
    const std::string empty = dir.write("e.pcx", fit_test::pcx_with_data(empty_window, {}));
    // A folder whose truc.raw is a folder: no dump can be written there.
    std::filesystem::create_directories(dir.file("locked/truc.raw"));
    const std::string written = "t.tav file written.\n";
    struct Case {
        std::string source;
        std::string folder;  // where the run takes place
        int status;
        std::optional<Bytes> dumped;  // nothing: the older dump left as it was
        std::string err;
    };
    const Case cases[] = {
        {two_colour, dir.path(), picfit::kExitDone, pixels, written},
        // Written before the coding step refuses the empty picture.
        {empty, dir.path(), picfit::kExitEncoding, Bytes{}, "ERROR: Encoding problem.\n"},
        {dir.file("missing.pcx"), dir.path(), picfit::kExitLoading, std::nullopt,
         "ERROR: Cannot open source file.\nERROR: When loading source file.\n"},
        {dir.write("bad.pcx", Bytes(200, 0x0A)), dir.path(), picfit::kExitLoading, std::nullopt,
         "ERROR: Bad PCX source format.\nERROR: When loading source file.\n"},
        // A dump that cannot be written is skipped without a word.
        {two_colour, dir.file("locked"), picfit::kExitDone, std::nullopt, written},
    };
    const Bytes older(5000, 9);
    for (const auto& c : cases) {
        dir.write("truc.raw", older);
        const auto r = fit_test::run_program("picfit", {"-b", c.source, "t.tav"}, c.folder);
        EXPECT_EQ(r.status, c.status) << c.source;
        EXPECT_TRUE(r.out.starts_with(kBanner)) << c.source;
        EXPECT_EQ(r.err, c.err) << c.source;
        const std::string target = c.folder + "/t.tav";
        EXPECT_EQ(fit_test::exists(target), c.status == picfit::kExitDone) << c.source;
        // Replaced whole, or left as it was.
        EXPECT_EQ(fit_test::read_bytes(dir.file("truc.raw")), c.dumped.value_or(older)) << c.source;
        EXPECT_TRUE(std::filesystem::is_directory(dir.file("locked/truc.raw")));
        std::filesystem::remove(target);
    }
}

TEST(PicfitRun, WritesOnlyTheTargetWithoutADump) {
    TempDir dir;
    dir.write("p.pcx", fit_test::make_pcx(16, 8, fit_test::pattern(128)));
    const auto r = fit_test::run_program("picfit", {"-b", "--no-dump", "p.pcx", "t.tav"}, dir.path());
    EXPECT_EQ(r.status, picfit::kExitDone) << r.err;
    EXPECT_TRUE(r.out.starts_with(std::string(kBanner) + "16 x 8\nTaille du fichier TAV: ")) << r.out;
    EXPECT_TRUE(fit_test::exists(dir.file("t.tav")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
