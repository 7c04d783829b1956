// codefit and datafit with "-" for a file, --quiet and --verbose, run as a user runs
// them: the target on standard output is byte for byte the file target, with nothing
// else on it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

using Words = std::vector<std::string>;

// The file `path` as standard input of the program.
std::function<void()> stdin_from(const std::string& path) {
    return [path] {
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0) ::_exit(127);
    };
}

Words with(Words options, const std::string& source, const std::string& target) {
    options.push_back(source);
    options.push_back(target);
    return options;
}

std::string as_text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// What the program writes into a pipe (the words need no quoting), standard error
// kept in `err_file`.
std::string through_pipe(const std::string& program, const Words& args, const TempDir& dir,
                         const std::string& err_file) {
    std::string command = "cd '" + dir.path().string() + "' && '" FIT_BIN_DIR "/" + program + "'";
    for (const auto& a : args) command += " " + a;
    command += " 2>" + err_file;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "no pipe";
    std::string out;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    return ::pclose(pipe) == 0 ? out : "failed";
}

struct Target {
    const char* program;
    const char* banner;
    Words options;
};

const Target kTargets[] = {
    {"codefit", "Codefit 2010.01\n", {}},
    {"codefit", "Codefit 2010.01\n", {"-t:DOS"}},
    {"codefit", "Codefit 2010.01\n", {"-t:ROM", "-r:1000", "-p"}},
    {"codefit", "Codefit 2010.01\n", {"-t:K7", "-l:2", "-n:GAME"}},
    {"codefit", "Codefit 2010.01\n", {"-t:BAS"}},
    {"datafit", "Datafit 2010.01\n", {"-H:10", "-r:40"}},
    {"datafit", "Datafit 2010.01\n", {"-t:K7", "-r:80", "-n:DATA"}},
    {"datafit", "Datafit 2010.01\n", {"-t:TASM"}},
};

}  // namespace

TEST(Streams, StandardOutputCarriesTheTargetAloneAndStandardInputTheSource) {
    const TempDir dir;
    const std::string source = dir.write("in.bin", fit_test::pattern(300));
    for (const auto& t : kTargets) {
        SCOPED_TRACE(std::string(t.program) + " " + (t.options.empty() ? "" : t.options[0]));
        auto r = run_program(t.program, with(t.options, "in.bin", "out"), dir.path());
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string expected = as_text(fit_test::read_bytes(dir.file("out")));
        ASSERT_FALSE(expected.empty());

        // The banner and the written line move to standard error.
        r = run_program(t.program, with(t.options, "in.bin", "-"), dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, std::string(t.banner) + "- file written.\n");
        EXPECT_EQ(through_pipe(t.program, with(t.options, "in.bin", "-"), dir, "err"), expected);
        EXPECT_EQ(as_text(fit_test::read_bytes(dir.file("err"))),
                  std::string(t.banner) + "- file written.\n");

        r = run_program(t.program, with(t.options, "-", "from-stdin"), dir.path(),
                        stdin_from(source));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(as_text(fit_test::read_bytes(dir.file("from-stdin"))), expected);

        // A pipe end to end, quiet: the bytes and nothing else anywhere.
        Words quiet = with(t.options, "-", "-");
        quiet.insert(quiet.begin(), "--quiet");
        r = run_program(t.program, quiet, dir.path(), stdin_from(source));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
}

TEST(Streams, DashIsAFileOnlyAsDotSlashDash) {
    const TempDir dir;
    dir.write("-", fit_test::pattern(50));
    auto r = run_program("codefit", {"./-", "out.exe"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    r = run_program("codefit", {"in.bin", "./-"}, dir.path());
    EXPECT_EQ(r.status, 2) << "no in.bin";
    r = run_program("codefit", {"./-", "./-"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Same filename for source and target files.\n");
    // With no standard input, "-" is an empty source.
    r = run_program("datafit", {"-", "out.dsk"}, dir.path());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "ERROR: When loading source file.\n");
}

TEST(Streams, QuietPrintsOnlyErrorsAndVerboseTheirReason) {
    const TempDir dir;
    dir.write("in.bin", fit_test::pattern(100));
    struct Case {
        const char* program;
        Words args;
        int status;
        std::string err;  // with --quiet
    };
    const std::string missing = std::strerror(ENOENT);
    const Case cases[] = {
        {"codefit", {"in.bin", "out.exe"}, 0, ""},
        {"datafit", {"-t:K7", "in.bin", "out.k7"}, 0, ""},
        {"codefit", {"absent", "out.exe"}, 2, "ERROR: Cannot open source file.\n"},
        {"datafit", {"in.bin", "no/dir/out"}, 3, "ERROR: Cannot save target file.\n"},
        {"codefit", {"-t:ROM", "-r:100", "in.bin", "out.rom"}, 7,
         "ERROR: Allocation memory out of range.\n"},
        {"datafit", {"-q", "in.bin", "out"}, 1, "Unknown option `-q'.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        Words args = c.args;
        args.insert(args.begin(), "--quiet");
        auto r = run_program(c.program, args, dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        // The unknown option also gets the C library's own line first.
        EXPECT_TRUE(r.err.ends_with(c.err)) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
        }

        args[0] = "--verbose";
        r = run_program(c.program, args, dir.path());
        EXPECT_EQ(r.status, c.status);
        std::string reason;
        if (c.status == 2) reason = "absent: " + missing + "\n";
        if (c.status == 3) reason = "no/dir/out: " + missing + "\n";
        if (c.status == 0) {
            EXPECT_EQ(r.err, c.args.back() + " file written.\n");  // and no reason to give
        } else if (c.status != 1) {
            EXPECT_TRUE(r.err.ends_with(c.err + reason)) << r.err;
        }
    }
}
