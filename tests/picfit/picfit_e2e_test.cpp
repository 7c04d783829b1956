// picfit run as a user runs it: progress lines, messages, exit status, the TAV file
// and the dump it leaves in its working directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "pcx_builder.hpp"
#include "picfit/picture_front.hpp"
#include "support/e2e.hpp"
#include "support/tav_decode.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

constexpr const char* kBanner = "Picfit 2010.01\n";

std::string sample(const std::string& name) { return std::string(FIT_TEST_DATA) + "/" + name; }

// The TAV file must hold the picture the reader dumped, in the mode's colours.
void expect_tav_of_dump(const TempDir& dir, const std::string& name, bool colour, int width,
                        int height) {
    const Bytes pixels = fit_test::read_bytes(dir.file("truc.raw"));
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width * height));
    const auto file = fit_test::parse_tav_file(fit_test::read_bytes(dir.file(name)));
    ASSERT_TRUE(file) << name << " is no TAV file";
    EXPECT_EQ(file->colour_mode, colour);
    EXPECT_EQ(file->width_groups, width / (colour ? 8 : 16));
    EXPECT_EQ(file->height, height);
    EXPECT_LE(file->length, colour ? 30079u : 20079u);
    const auto d = fit_test::decode_tav_stream(file->stream, colour, pixels.size());
    ASSERT_TRUE(d.ok()) << d.error;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(d.colours[i], pixels[i] & (colour ? 7 : 1)) << "pixel " << i;
}

std::string progress(int width, int height, std::size_t length) {
    return std::string(kBanner) + std::to_string(width) + " x " + std::to_string(height) +
           "\nTaille du fichier TAV: " + std::to_string(length) + "\n";
}

}  // namespace

TEST(PicfitE2E, ColourMode) {
    TempDir dir;
    const auto r =
        run_program("picfit", {sample("title-320x200-pillow.pcx"), "title.tav"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    // Stream lengths of the samples as an encoder written apart from this one gives them.
    EXPECT_EQ(r.out, progress(320, 200, 2736));
    EXPECT_EQ(std::filesystem::file_size(dir.file("title.tav")), 2746u);
    EXPECT_EQ(r.err, "title.tav file written.\n");
    expect_tav_of_dump(dir, "title.tav", true, 320, 200);
}

TEST(PicfitE2E, TwoColourModeWhereverTheOptionStands) {
    TempDir dir;
    const std::string logo = sample("logo-640x200-pillow.pcx");
    auto r = run_program("picfit", {logo, "a.tav", "-b"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, progress(640, 200, 3287));
    EXPECT_EQ(r.err, "a.tav file written.\n");
    EXPECT_EQ(std::filesystem::file_size(dir.file("a.tav")), 3297u);
    expect_tav_of_dump(dir, "a.tav", false, 640, 200);
    r = run_program("picfit", {"-b", logo, "b.tav"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fit_test::read_bytes(dir.file("a.tav")), fit_test::read_bytes(dir.file("b.tav")));
    // The logo is too wide for colour mode.
    r = run_program("picfit", {logo, "c.tav"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ERROR: Bad image size.\nERROR: When loading source file.\n");
}

TEST(PicfitE2E, SourceLongerThan65535Bytes) {
    TempDir dir;
    const auto r = run_program("picfit", {sample("noise-320x250-pillow.pcx"), "n.tav"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, progress(320, 250, 29988));
    expect_tav_of_dump(dir, "n.tav", true, 320, 250);
}

TEST(PicfitE2E, OptionRejectionsExitWithOneAndReadNothing) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        std::string out, err_tail;
    };
    const Case cases[] = {
        {{"-h", "in.pcx", "out.tav"},
         std::string(kBanner) + "Usage: picfit sourceFile targetFile [-b]\n",
         ""},
        {{"-x", "in.pcx", "out.tav"}, kBanner, "Unknown option `-x'.\n"},
        {{"in.pcx"}, kBanner, "Two arguments required: sourceFile TargetFile.\n"},
        {{"in.pcx", "in.pcx"}, kBanner, "ERROR: Same filename for source and target files.\n"},
    };
    dir.write("in.pcx", fit_test::make_pcx(16, 16, fit_test::pattern(256)));
    for (const auto& c : cases) {
        const auto r = run_program("picfit", c.args, dir.path());
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_TRUE(r.err.ends_with(c.err_tail)) << r.err;
        if (c.err_tail.starts_with("Unknown")) {
            EXPECT_NE(r.err, c.err_tail) << "getopt's line first";
        } else {
            EXPECT_EQ(r.err, c.err_tail);
        }
    }
    EXPECT_FALSE(fit_test::exists(dir.file("truc.raw")));
    EXPECT_FALSE(fit_test::exists(dir.file("out.tav")));
}

TEST(PicfitE2E, StreamsShorterThan8BytesAreRefused) {
    TempDir dir;
    const std::string old = dir.write("old.tav", {1, 2, 3});
    dir.write("one.pcx", fit_test::make_pcx(16, 16, Bytes(256, 3)));
    auto r = run_program("picfit", {"one.pcx", "old.tav", "-b"}, dir.path());
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, std::string(kBanner) + "16 x 16\n");
    EXPECT_EQ(r.err, "ERROR: Encoding problem.\n");
    EXPECT_EQ(fit_test::read_bytes(old), (Bytes{1, 2, 3}));
    EXPECT_EQ(fit_test::read_bytes(dir.file("truc.raw")), Bytes(256, 3));

    // A window 0 wide is an empty picture.
    fit_test::PcxFields empty = fit_test::window(8, 5);
    empty.xmin = 8;
    Bytes file = fit_test::pcx_with_data(empty, {});
    file.push_back(0x0C);
    file.resize(file.size() + 768, 255);  // a palette, for --map=colour
    dir.write("empty.pcx", file);
    for (const char* map : {"--map=index", "--map=colour"}) {
        r = run_program("picfit", {map, "empty.pcx", "e.tav"}, dir.path());
        EXPECT_EQ(r.status, 9) << map;
        EXPECT_EQ(r.out, std::string(kBanner) + "0 x 5\n") << map;
        EXPECT_EQ(r.err, "ERROR: Encoding problem.\n") << map;
        EXPECT_FALSE(fit_test::exists(dir.file("e.tav")));
    }
}

TEST(PicfitE2E, ReaderFailuresExitWithTwo) {
    TempDir dir;
    fit_test::PcxFields narrow = fit_test::window(8, 1);
    narrow.xmin = 10;  // width -1
    dir.write("narrow.pcx", fit_test::pcx_with_data(narrow, {}));
    dir.write("cut.pcx", fit_test::pcx_with_data(fit_test::window(16, 2), {0xC0 | 20, 1}));
    dir.write("empty.pcx", {});
    struct Case {
        const char* source;
        const char* first_line;
    };
    const Case cases[] = {
        {"missing.pcx", "ERROR: Cannot open source file.\n"},
        {"empty.pcx", "ERROR: When loading source file.\n"},
        {".", "ERROR: When loading source file.\n"},  // a directory opens but does not read
        {"narrow.pcx", "ERROR: Bad image size.\n"},
        {"cut.pcx", "ERROR: Bad PCX source format.\n"},
        {"/dev/zero", "ERROR: Bad PCX source format.\n"},  // endless, read only so far
    };
    for (const auto& c : cases) {
        const auto r = run_program("picfit", {c.source, "out.tav"}, dir.path());
        EXPECT_EQ(r.status, 2) << c.source;
        EXPECT_EQ(r.out, kBanner) << c.source;
        EXPECT_EQ(r.err, std::string(c.first_line) + "ERROR: When loading source file.\n");
    }
    EXPECT_FALSE(fit_test::exists(dir.file("out.tav")));
    EXPECT_FALSE(fit_test::exists(dir.file("truc.raw")));
}

TEST(PicfitE2E, FailedSavesExitWithThree) {
    TempDir dir;
    const std::string title = sample("title-320x200-pillow.pcx");
    auto r = run_program("picfit", {title, "/dev/full"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "ERROR: When saving target file.\nERROR: When saving target file.\n");
    EXPECT_TRUE(r.out.starts_with(std::string(kBanner) + "320 x 200\nTaille du fichier TAV: "));

    r = run_program("picfit", {title, "nodir/title.tav"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "ERROR: Cannot save target file.\nERROR: When saving target file.\n");
    EXPECT_FALSE(fit_test::exists(dir.file("nodir")));
}

// A picture longer than a PCX can be, from a pipe named as a file, is read once: a pipe
// cannot be read a second time from its start.
TEST(PicfitE2E, LongPictureFromANamedPipe) {
    const TempDir dir;
    // The shipped PNG with a private chunk of 1.5 MB before its pixels, which the
    // decoder passes over.
    const Bytes png = fit_test::read_bytes(sample("picture/exact/colour-rgb8.png"));
    Bytes longer(png.begin(), png.begin() + 33);  // signature and header chunk
    const std::uint32_t pad = 1500000;
    for (int shift = 24; shift >= 0; shift -= 8) longer.push_back(static_cast<std::uint8_t>(pad >> shift));
    longer.insert(longer.end(), {'p', 'r', 'V', 't'});
    longer.resize(longer.size() + pad, 0);
    const std::uint32_t crc = picfit::crc32(std::span(longer).last(pad + 4));
    for (int shift = 24; shift >= 0; shift -= 8) longer.push_back(static_cast<std::uint8_t>(crc >> shift));
    longer.insert(longer.end(), png.begin() + 33, png.end());
    dir.write("long.png", longer);
    ASSERT_EQ(run_program("picfit", {"--no-dump", "long.png", "file.tav"}, dir.path()).status, 0);

    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    ::signal(SIGPIPE, SIG_IGN);  // a reader that stops early is the program's failure
    std::thread writer([&] {
        // Opened once picfit has opened its end, for at most 20 s.
        int fd = -1;
        for (int tries = 0; fd < 0 && tries < 2000; ++tries) {
            fd = ::open(dir.file("pipe").c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) ::usleep(10000);
        }
        if (fd < 0) return;
        ::fcntl(fd, F_SETFL, 0);
        for (std::size_t at = 0; at < longer.size();) {
            const ssize_t n = ::write(fd, longer.data() + at, longer.size() - at);
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    // A second open of the pipe would wait for a writer for ever.
    const auto r = run_program("picfit", {"--no-dump", "pipe", "pipe.tav"}, dir.path(), [] { ::alarm(20); });
    writer.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fit_test::read_bytes(dir.file("pipe.tav")), fit_test::read_bytes(dir.file("file.tav")));
}
