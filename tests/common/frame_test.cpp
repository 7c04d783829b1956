#include "common/frame.hpp"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string_view>

#include <filesystem>

#include "common/file_io.hpp"
// The programs' own tables: the reporter is tested with the texts users see.
#include "codefit/messages.hpp"
#include "datafit/messages.hpp"
#include "picfit/messages.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A converter that copies the source, to exercise the frame alone.
int copy_converter(fit::Work& work, fit::Reporter&) {
    std::copy(work.input().begin(), work.input().end(), work.out_buffer.begin());
    work.LengthOUT = work.LengthIN;
    return 0;
}

int failing_converter(fit::Work&, fit::Reporter& report) {
    report.error(8);
    return 1;
}

struct Outcome {
    int status;
    std::string err;
};

Outcome run(const std::string& source, const std::string& target, const fit::Converter& conv,
            fit::LongSource longer = {}, fit::Capacities caps = {16, 64}) {
    fit::Reporter report(fit::datafit_errors);
    CaptureStderr();
    const int status = fit::run_conversion({caps, longer, source, target}, conv, report);
    return {status, GetCapturedStderr()};
}

}  // namespace

TEST(Erreur, PrintsEachProgramsTableAndItsFallback) {
    struct Case {
        const fit::ErrorTable& table;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {fit::codefit_errors, 1, "ERROR: Same filename for source and target files.\n"},
        {fit::codefit_errors, 9, "ERROR: Binary source file too long.\n"},
        {fit::codefit_errors, 10, "ERROR: Erreur 10\n"},
        {fit::codefit_errors, -3, "ERROR: Erreur -3\n"},
        {fit::datafit_errors, 6, "ERROR: Memory problem.\n"},
        {fit::datafit_errors, 7, "ERROR: Incorrect Header size.\n"},
        {fit::datafit_errors, 13, "ERROR: Cassette image too long (640000 bytes at most).\n"},
        {fit::datafit_errors, 14, "ERROR: Erreur 14\n"},
        {fit::picfit_errors, 4, "ERROR: Memory problem\n"},
        {fit::picfit_errors, 6, "ERROR: When loading source file.\n"},
        {fit::picfit_errors, 10, "ERROR: Cannot save target file.\n"},
        {fit::picfit_errors, 12, "ERROR: Same filename for source and target files.\n"},
        {fit::picfit_errors, 13, "ERROR: Error 13\n"},
        {fit::picfit_errors, 0, "ERROR: Error 0\n"},
    };
    for (const auto& c : cases) {
        fit::Reporter report(c.table);
        CaptureStderr();
        report.error(c.code);
        EXPECT_EQ(GetCapturedStderr(), c.text) << "code " << c.code;
    }
}

TEST(Erreur, KeepsTheFirstCodeReported) {
    fit::Reporter report(fit::codefit_errors);
    CaptureStderr();
    EXPECT_FALSE(report.failed());
    report.error(7);
    report.error(3);
    GetCapturedStderr();
    EXPECT_EQ(report.first_code(), 7);
    EXPECT_EQ(report.count(), 2);
}

TEST(PageBuffer, SmallAndHugeBuffersHoldWhatIsWritten) {
    // Below and above the size that is mapped in huge pages, and one that is not a
    // whole number of them.
    for (const std::size_t n : {std::size_t{100}, std::size_t{1} << 20, std::size_t{2880002}}) {
        fit::Buffer buffer;
        buffer.resize(n);
        ASSERT_EQ(buffer.size(), n);
        for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(i * 7);
        fit::Buffer copy = buffer;
        buffer.resize(n + 4096, 0x5A);  // grows into a new mapping, keeping the bytes
        for (std::size_t i = 0; i < n; i += 997) ASSERT_EQ(buffer[i], static_cast<std::uint8_t>(i * 7)) << n;
        EXPECT_EQ(buffer[n + 4095], 0x5A);
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), buffer.begin())) << n;
    }
}

TEST(Frame, ConvertsAndReportsTheWrittenFile) {
    TempDir dir;
    const auto src = dir.write("in", {1, 2, 3});
    const auto out = run(src, dir.file("out"), copy_converter);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.err, dir.file("out") + " file written.\n");
    EXPECT_EQ(fit_test::read_bytes(dir.file("out")), (Bytes{1, 2, 3}));
}

TEST(Frame, LoadFailuresWriteNothingAndGiveTheirCode) {
    TempDir dir;
    auto out = run(dir.file("missing"), dir.file("out"), copy_converter);
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.err, "ERROR: Cannot open source file.\n");

    out = run(dir.write("empty", {}), dir.file("out"), copy_converter);
    EXPECT_EQ(out.status, 4);
    EXPECT_EQ(out.err, "ERROR: When loading source file.\n");

    out = run(dir.path().string(), dir.file("out"), copy_converter);
    EXPECT_EQ(out.status, 4) << "a directory cannot be loaded";
    EXPECT_FALSE(fit_test::exists(dir.file("out")));
}

TEST(Frame, LongSourceIsCutOrRefused) {
    TempDir dir;
    const Bytes big = fit_test::pattern(20);
    const auto src = dir.write("in", big);

    auto out = run(src, dir.file("cut"), copy_converter);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(fit_test::read_bytes(dir.file("cut")), Bytes(big.begin(), big.begin() + 16));

    out = run(src, dir.file("refused"), copy_converter, {9});
    EXPECT_EQ(out.status, 9);
    EXPECT_EQ(out.err, "ERROR: Source file too long (640000 bytes at most).\n");
    EXPECT_FALSE(fit_test::exists(dir.file("refused")));

    // Exactly the capacity is no longer than the capacity.
    const auto exact = dir.write("exact", Bytes(big.begin(), big.begin() + 16));
    out = run(exact, dir.file("ok"), copy_converter, {9});
    EXPECT_EQ(out.status, 0);
}

TEST(Frame, ConverterErrorLeavesTheExistingTargetUntouched) {
    TempDir dir;
    const auto src = dir.write("in", {1, 2, 3});
    const auto target = dir.write("out", {9, 9});
    const auto out = run(src, target, failing_converter);
    EXPECT_EQ(out.status, 8);
    EXPECT_EQ(out.err, "ERROR: Incorrect Record size.\n");
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{9, 9}));
}

TEST(Frame, FailedWriteToFullDeviceIsAnErrorWithoutWrittenLine) {
    TempDir dir;
    const auto src = dir.write("in", {1, 2, 3});
    const auto out = run(src, "/dev/full", copy_converter);
    EXPECT_EQ(out.status, 5);
    EXPECT_EQ(out.err, "ERROR: When saving target file.\n");
}

TEST(Frame, TargetThatCannotBeCreated) {
    TempDir dir;
    const auto src = dir.write("in", {1});
    const auto out = run(src, dir.file("no/such/dir/out"), copy_converter);
    EXPECT_EQ(out.status, 3);
    EXPECT_EQ(out.err, "ERROR: Cannot save target file.\n");
}

TEST(FileIo, ReplacesAtomicallyKeepingPermissionsAndLeavesNoTemporary) {
    TempDir dir;
    const auto target = dir.write("out", {1, 2, 3, 4});
    ::chmod(target.c_str(), 0640);
    const Bytes a{5, 6}, b{7};
    ASSERT_EQ(fit::write_file(target, {a, b}), fit::WriteStatus::written);
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{5, 6, 7}));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(FileIo, NewFileGetsThePlainCreateMode) {
    TempDir dir;
    for (const auto& [mask, mode] : {std::pair<mode_t, mode_t>{027, 0640}, {077, 0600}, {002, 0664}}) {
        const std::string name = dir.file("new" + std::to_string(mask));
        const mode_t old = ::umask(mask);
        const Bytes a{1};
        const auto status = fit::write_file(name, {a});
        ::umask(old);
        ASSERT_EQ(status, fit::WriteStatus::written);
        struct stat st {};
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << "umask " << std::oct << mask;
    }
}

TEST(FileIo, FailedWriteLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const auto target = dir.write("keep", {'O', 'L', 'D'});
    // A child with a 1 KiB file-size limit cannot write 64 KiB.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Bytes big(65536, 7);
        ::_exit(fit::write_file(target, {big}) == fit::WriteStatus::short_write ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the short write must be reported";
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{'O', 'L', 'D'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}


// Runs `body` in a child process as an ordinary user (root may write anything) and
// returns its exit status.
template <typename Body>
int as_ordinary_user(Body body) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileIo, ReadOnlyTargetIsRefusedAndKept) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    const auto target = dir.write("ro", {'O', 'L', 'D'});
    ::chmod(target.c_str(), 0444);
    EXPECT_EQ(as_ordinary_user([&] {
                  const Bytes a{1};
                  return fit::write_file(target, {a}) == fit::WriteStatus::cannot_create ? 0 : 1;
              }),
              0);
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{'O', 'L', 'D'}));
}

TEST(FileIo, WritableFileInAClosedDirectoryIsWrittenInPlace) {
    TempDir dir;
    const auto target = dir.write("open", {'O', 'L', 'D'});
    ::chmod(target.c_str(), 0666);
    ::chmod(dir.path().c_str(), 0555);
    const int status = as_ordinary_user([&] {
        const Bytes a{1, 2};
        return fit::write_file(target, {a}) == fit::WriteStatus::written ? 0 : 1;
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{1, 2}));
}

TEST(FileIo, StdoutRedirectedToAFileIsWrittenIntoNotReplaced) {
    TempDir dir;
    const auto target = dir.write("out", {});
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = ::open(target.c_str(), O_WRONLY);
        ::dup2(fd, 1);
        const Bytes a{'T', 'A', 'V'};
        ::_exit(fit::write_file("/dev/stdout", {a}) == fit::WriteStatus::written ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(fit_test::read_bytes(target), (Bytes{'T', 'A', 'V'}));
}

TEST(FileIo, ReadUpToALimit) {
    TempDir dir;
    const Bytes data = fit_test::pattern(200000);
    const auto path = dir.write("data", data);
    Bytes bytes;
    auto r = fit::read_file_upto(path, 300000, bytes);
    EXPECT_EQ(r.status, fit::ReadStatus::ok);
    EXPECT_FALSE(r.longer);
    EXPECT_EQ(bytes, data);

    r = fit::read_file_upto(path, 200000, bytes);
    EXPECT_FALSE(r.longer) << "exactly the limit is not longer";
    EXPECT_EQ(bytes, data);

    r = fit::read_file_upto(path, 70000, bytes);
    EXPECT_TRUE(r.longer);
    EXPECT_EQ(bytes, Bytes(data.begin(), data.begin() + 70000));

    r = fit::read_file_upto("/dev/zero", 100000, bytes);
    EXPECT_TRUE(r.longer) << "an endless source ends at the limit";
    EXPECT_EQ(bytes.size(), 100000u);

    EXPECT_EQ(fit::read_file_upto(dir.file("none"), 10, bytes).status, fit::ReadStatus::cannot_open);
    EXPECT_EQ(fit::read_file_upto(dir.path().string(), 10, bytes).status, fit::ReadStatus::read_error);
}

// A limit that follows what was read (a header found broken: "no further than this")
// is final once reached, on an endless source and on a long file alike.
TEST(FileIo, ALimitReachedIsFinal) {
    TempDir dir;
    const auto path = dir.write("long", fit_test::pattern(3000000));
    const fit::LimitOf broken_after_8 = [](std::span<const std::uint8_t> so_far) {
        return std::max<std::size_t>(8, so_far.size());
    };
    for (const std::string& source : {std::string("/dev/zero"), path}) {
        Bytes bytes;
        const auto r = fit::read_file_upto(source, broken_after_8, bytes);
        EXPECT_TRUE(r.longer) << source;
        EXPECT_LE(bytes.size(), std::size_t{1} << 17) << source;
    }
}

TEST(FileIo, TargetNamesAsLongAsTheDirectoryAllows) {
    TempDir dir;
    const Bytes a{1, 2};
    const std::string name = dir.file(std::string(255, 'a'));
    ASSERT_EQ(fit::write_file(name, {a}), fit::WriteStatus::written);
    EXPECT_EQ(fit_test::read_bytes(name), a);
    ASSERT_EQ(fit::write_file(name, {a, a}), fit::WriteStatus::written);
    EXPECT_EQ(fit_test::read_bytes(name).size(), 4u);
}

TEST(FileIo, WritesThroughALinkAndIntoDevices) {
    TempDir dir;
    const auto real = dir.write("real", {1});
    std::filesystem::create_symlink(real, dir.file("link"));
    const Bytes a{4, 5};
    ASSERT_EQ(fit::write_file(dir.file("link"), {a}), fit::WriteStatus::written);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(fit_test::read_bytes(real), a);
    EXPECT_EQ(fit::write_file("/dev/null", {a}), fit::WriteStatus::written);
    EXPECT_EQ(fit::write_file("/dev/full", {a}), fit::WriteStatus::short_write);
}

// --verbose: the line after "Cannot save target file." tells why, in the system's
// words, so that a missing directory and a refused one read differently.
TEST(Frame, VerboseTellsWhyASaveOrALoadFailed) {
    TempDir dir;
    const auto src = dir.write("in", {1});
    const auto plain = dir.write("plain", {1});
    std::filesystem::create_directory(dir.path() / "locked");
    std::filesystem::permissions(dir.path() / "locked", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_exec);
    struct Case {
        std::string source;
        std::string target;
        const char* message;
        int error;
    };
    std::vector<Case> cases{
        {src, dir.file("missing/out"), "Cannot save target file.\n", ENOENT},
        {src, plain + "/out", "Cannot save target file.\n", ENOTDIR},
        {dir.file("absent"), dir.file("out"), "Cannot open source file.\n", ENOENT},
        {dir.path().string(), dir.file("out"), "When loading source file.\n", EISDIR},
        {src, "/dev/full", "When saving target file.\n", ENOSPC},
    };
    // A directory without write permission stops everyone but the superuser.
    if (::geteuid() != 0)
        cases.push_back({src, dir.file("locked/out"), "Cannot save target file.\n", EACCES});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const bool about_source = std::string_view(c.message).find("source") != std::string_view::npos;
        const std::string& name = about_source ? c.source : c.target;
        for (const bool verbose : {false, true}) {
            fit::Reporter report(fit::codefit_errors);
            report.set_verbose(verbose);
            CaptureStderr();
            const int status =
                fit::run_conversion({{16, 64}, {}, c.source, c.target}, copy_converter, report);
            const std::string err = GetCapturedStderr();
            EXPECT_NE(status, 0);
            const std::string line = std::string("ERROR: ") + c.message;
            EXPECT_EQ(err, verbose ? line + name + ": " + std::strerror(c.error) + "\n" : line);
        }
    }
    // An empty source is no failed call: no reason follows.
    fit::Reporter report(fit::codefit_errors);
    report.set_verbose(true);
    CaptureStderr();
    fit::run_conversion({{16, 64}, {}, dir.write("empty", {}), dir.file("out")}, copy_converter,
                        report);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: When loading source file.\n");
}
