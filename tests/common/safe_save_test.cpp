// What the programs promise about the files they write, run as a user runs them: a
// source is never overwritten, a replace is durable and keeps the owner, and no failed
// or interrupted save leaves anything behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>

#include "common/file_io.hpp"
#include "support/e2e.hpp"
#include "support/temp_dir.hpp"

using fit_test::Bytes;
using fit_test::read_bytes;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

constexpr const char* kSameName = "ERROR: Same filename for source and target files.\n";
constexpr const char* kShortWrite = "ERROR: When saving target file.\n";
const Bytes kOld{'O', 'L', 'D'};

std::string sample(const std::string& name) { return std::string(FIT_TEST_DATA) + "/" + name; }

std::set<std::string> names_in(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// The program under test with the call-watching library preloaded and set by `env`.
std::function<void()> watched(std::vector<std::pair<std::string, std::string>> env) {
    return [env] {
        // A sanitizer runtime wants to be the first library loaded.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options =
            std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
        ::setenv("LD_PRELOAD", FIT_SAVE_CALLS, 1);
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    };
}

void limit_file_size() {
    const rlimit limit{1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace

TEST(SafeSave, SourceIsRefusedAsTargetWhateverTheSpelling) {
    struct Case {
        const char* program;
        std::string source;
        std::string target;  // "ABS" for the absolute path of a.bin
    };
    const Case cases[] = {
        {"codefit", "a.bin", "./a.bin"},      {"codefit", "a.bin", "ABS"},
        {"codefit", "a.bin", "link"},         {"codefit", "a.bin", "sub/../a.bin"},
        {"codefit", "link", "hard"},          {"datafit", "a.bin", "./a.bin"},
        {"datafit", "a.bin", "link"},         {"datafit", "sub/../a.bin", "hard"},
        {"picfit", "a.bin", "ABS"},           {"picfit", "a.bin", "link"},
        {"picfit", "hard", "sub/../a.bin"},
        // The pixel dump would replace its own source.
        {"picfit", "truc.raw", "out.tav"},    {"picfit", "./truc.raw", "out.tav"},
        {"picfit", "dump-link", "out.tav"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const Bytes source = fit_test::pattern(3000);
        dir.write("a.bin", source);
        dir.write("truc.raw", source);
        std::filesystem::create_directory(dir.file("sub"));
        std::filesystem::create_symlink("a.bin", dir.file("link"));
        std::filesystem::create_symlink("truc.raw", dir.file("dump-link"));
        std::filesystem::create_hard_link(dir.file("a.bin"), dir.file("hard"));
        const auto before = names_in(dir.path());
        const std::string target = c.target == "ABS" ? dir.file("a.bin") : c.target;

        const auto r = run_program(c.program, {c.source, target}, dir.path());
        const std::string what = std::string(c.program) + " " + c.source + " " + target;
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_EQ(r.err, kSameName) << what;
        EXPECT_EQ(read_bytes(dir.file("a.bin")), source) << what;
        EXPECT_EQ(read_bytes(dir.file("truc.raw")), source) << what;
        EXPECT_EQ(names_in(dir.path()), before) << what;
    }
}

TEST(SafeSave, AFileThatStandardInputReadsIsRefusedAsAnyFileWritten) {
    struct Case {
        const char* program;
        std::vector<std::string> args;
        const char* input;  // given as standard input
        const char* err;
    };
    const std::string fitinfo_same = std::string(kSameName).substr(7);  // without "ERROR: "
    // Each would be read and then replaced: a picture, code, an EXE file to extract.
    const Case cases[] = {
        {"codefit", {"-", "a.bin"}, "a.bin", kSameName},
        {"codefit", {"--type=rom", "-", "link"}, "a.bin", kSameName},
        {"datafit", {"-", "a.bin"}, "a.bin", kSameName},
        {"datafit", {"-", "sub/../hard"}, "a.bin", kSameName},
        {"picfit", {"-", "a.bin"}, "a.bin", kSameName},
        {"picfit", {"-", "out.tav", "--preview=p.png"}, "p.png", kSameName},
        // The default dump, and one asked for.
        {"picfit", {"-", "out.tav"}, "truc.raw", kSameName},
        {"picfit", {"-", "out.tav", "--dump=d.raw"}, "d.raw", kSameName},
        {"fitinfo", {"-x", "h.exe", "-"}, "h.exe", fitinfo_same.c_str()},
    };
    const std::vector<std::string> files{"a.bin", "truc.raw", "p.png", "d.raw", "h.exe"};
    for (const auto& c : cases) {
        TempDir dir;
        for (const auto& name : files)
            std::filesystem::copy_file(sample("title-320x200-pillow.pcx"), dir.file(name));
        ASSERT_EQ(run_program("codefit", {"--quiet", "a.bin", "h.exe", "--load=2000"}, dir.path()).status, 0);
        std::filesystem::create_directory(dir.file("sub"));
        std::filesystem::create_symlink("a.bin", dir.file("link"));
        std::filesystem::create_hard_link(dir.file("a.bin"), dir.file("hard"));
        const auto before = names_in(dir.path());
        std::vector<Bytes> bytes;
        for (const auto& name : files) bytes.push_back(read_bytes(dir.file(name)));

        const std::string input = c.input;
        const auto r = run_program(c.program, c.args, dir.path(), [&] {
            const int fd = ::open(input.c_str(), O_RDONLY);
            if (fd < 0 || ::dup2(fd, 0) < 0) ::_exit(126);
        });
        std::string what = c.program;
        for (const auto& arg : c.args) what += " " + arg;
        what += " < " + input;
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_EQ(r.err, c.err) << what;
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(read_bytes(dir.file(files[i])), bytes[i]) << what << ": " << files[i];
        EXPECT_EQ(names_in(dir.path()), before) << what;
    }
}

TEST(SafeSave, PicfitReplacesNoFileWhenOneOfItsFilesCannotBeWritten) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
        bool dumped;  // the default dump written, as after any run that read the picture
    };
    const auto cannot = [](const char* what, const char* name) {
        return std::string("picfit: cannot write the ") + what + " " + name +
               "; the target is left as it was\n";
    };
    const Case cases[] = {
        {{"--preview=nope/x.png"}, 4, cannot("preview", "nope/x.png"), true},
        {{"--verbose", "--preview=nope/x.png"}, 4,
         cannot("preview", "nope/x.png") + "nope/x.png: No such file or directory\n", true},
        {{"--preview=/dev/full", "--dump=d.raw"}, 4, cannot("preview", "/dev/full"), false},
        {{"--dump=nope/x.raw", "--preview=p.png"}, 4, cannot("dump", "nope/x.raw"), false},
        {{"--dump=sub"}, 4, cannot("dump", "sub"), false},
        {{"--verbose", "--dump=/dev/full"}, 4,
         cannot("dump", "/dev/full") + "/dev/full: No space left on device\n", false},
        // The target's own failure keeps its messages and status.
        {{"--preview=p.png", "--dump=d.raw", "sub/nope/o.tav"}, 3,
         "ERROR: Cannot save target file.\nERROR: When saving target file.\n", false},
        {{"--preview=p.png", "sub/nope/o.tav"}, 3,
         "ERROR: Cannot save target file.\nERROR: When saving target file.\n", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::copy_file(sample("title-320x200-pillow.pcx"), dir.file("p.pcx"));
        for (const char* name : {"o.tav", "truc.raw", "p.png", "d.raw"}) dir.write(name, kOld);
        std::filesystem::create_directory(dir.file("sub"));
        const auto before = names_in(dir.path());
        std::vector<std::string> args{"p.pcx"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (!c.args.back().ends_with("o.tav")) args.push_back("o.tav");

        const auto r = run_program("picfit", args, dir.path());
        std::string what = "picfit";
        for (const auto& arg : args) what += " " + arg;
        EXPECT_EQ(r.status, c.status) << what;
        EXPECT_EQ(r.err, c.err) << what;
        EXPECT_EQ(r.out, "Picfit 2010.01\n320 x 200\nTaille du fichier TAV: 2736\n") << what;
        for (const char* name : {"o.tav", "p.png", "d.raw"})
            EXPECT_EQ(read_bytes(dir.file(name)), kOld) << what << ": " << name;
        EXPECT_EQ(read_bytes(dir.file("truc.raw")).size(), c.dumped ? 64000u : kOld.size()) << what;
        EXPECT_EQ(names_in(dir.path()), before) << what << ": something was left";
        EXPECT_TRUE(std::filesystem::is_empty(dir.file("sub"))) << what;
    }
}

TEST(SafeSave, ExceedingTheFileSizeLimitIsAShortWriteThatKeepsTheOldTarget) {
    struct Case {
        const char* program;
        std::string source;
        const char* target;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"codefit", "src", "old", 5, kShortWrite},
        {"datafit", "src", "old", 5, kShortWrite},
        // The dump is skipped, then the target fails: codes 11 and 3.
        {"picfit", sample("title-320x200-pillow.pcx"), "old", 3,
         std::string(kShortWrite) + kShortWrite},
        // Through a link to a file not made yet: nothing is made.
        {"codefit", "src", "link", 5, kShortWrite},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("src", fit_test::pattern(3000));
        dir.write("old", kOld);
        std::filesystem::create_symlink("sub/new", dir.file("link"));
        std::filesystem::create_directory(dir.file("sub"));
        const auto before = names_in(dir.path());

        const auto r = run_program(c.program, {c.source, c.target}, dir.path(), limit_file_size);
        EXPECT_EQ(r.signal, 0) << c.program;
        EXPECT_EQ(r.status, c.status) << c.program;
        EXPECT_EQ(r.err, c.err) << c.program;
        EXPECT_EQ(read_bytes(dir.file("old")), kOld) << c.program;
        EXPECT_EQ(names_in(dir.path()), before) << c.program << ": something was left";
        EXPECT_TRUE(std::filesystem::is_empty(dir.file("sub"))) << c.program;
    }
}

TEST(SafeSave, ADanglingLinkIsWrittenBesideItsDestination) {
    TempDir dir;
    dir.write("src", fit_test::pattern(3000));
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("sub/new", dir.file("link"));
    ASSERT_EQ(run_program("codefit", {"src", "plain"}, dir.path()).status, 0);

    const auto r = run_program("codefit", {"src", "link"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(read_bytes(dir.file("sub/new")), read_bytes(dir.file("plain")));
    EXPECT_EQ(names_in(dir.file("sub")), std::set<std::string>{"new"});
}

TEST(SafeSave, ASignalMidSaveRemovesTheTemporaryAndEndsTheProgram) {
    struct Case {
        int signal;
        const char* at;  // the call the signal comes with
        bool unnamed;    // through an unnamed temporary file
    };
    const Case cases[] = {
        {SIGTERM, "fsync", false}, {SIGINT, "fsync", false}, {SIGHUP, "fsync", false},
        {SIGTERM, "fsync", true},  {SIGHUP, "rename", false}, {SIGINT, "rename", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("src", fit_test::pattern(3000));
        dir.write("old", kOld);
        ASSERT_EQ(run_program("codefit", {"src", "new"}, dir.path()).status, 0);
        std::vector<std::pair<std::string, std::string>> env{
            {"FIT_SHIM_RAISE", std::to_string(c.signal) + "@" + c.at}};
        if (!c.unnamed) env.emplace_back("FIT_SHIM_NO_TMPFILE", "1");

        const auto r = run_program("codefit", {"src", "old"}, dir.path(), watched(env));
        const std::string what = std::string(strsignal(c.signal)) + " at " + c.at;
        EXPECT_EQ(r.signal, c.signal) << what << ": " << r.err;
        EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"src", "old", "new"})) << what;
        // Once renaming, the save completes before the signal ends the program.
        const bool renamed = std::string(c.at) == "rename";
        EXPECT_EQ(read_bytes(dir.file("old")), renamed ? read_bytes(dir.file("new")) : kOld)
            << what;
    }
}

TEST(SafeSave, ASignalMidSaveRemovesEveryTemporaryOfTheRun) {
    struct Case {
        int signal;
        const char* at;
        bool unnamed;
    };
    const Case cases[] = {
        {SIGTERM, "fsync", false}, {SIGINT, "fsync", true}, {SIGHUP, "rename", false},
    };
    const std::vector<std::string> args{sample("title-320x200-pillow.pcx"), "o.tav",
                                        "--dump=d.raw", "--preview=p.png"};
    for (const auto& c : cases) {
        TempDir dir;
        for (const char* name : {"o.tav", "d.raw", "p.png"}) dir.write(name, kOld);
        std::vector<std::pair<std::string, std::string>> env{
            {"FIT_SHIM_RAISE", std::to_string(c.signal) + "@" + c.at}};
        if (!c.unnamed) env.emplace_back("FIT_SHIM_NO_TMPFILE", "1");

        const auto r = run_program("picfit", args, dir.path(), watched(env));
        const std::string what = std::string(strsignal(c.signal)) + " at " + c.at;
        EXPECT_EQ(r.signal, c.signal) << what << ": " << r.err;
        EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"o.tav", "d.raw", "p.png"})) << what;
        // Once renaming, every file is put in place before the signal ends the program.
        const bool renamed = std::string(c.at) == "rename";
        for (const char* name : {"o.tav", "d.raw", "p.png"})
            EXPECT_EQ(read_bytes(dir.file(name)) != kOld, renamed) << what << ": " << name;
    }
}

TEST(SafeSave, TheFilesAreOnDiskBeforeTheyReplaceTheOldOnes) {
    struct Case {
        const char* program;
        std::vector<std::string> args;
        bool unnamed;
        const char* calls;
        bool old_dump = false;  // a truc.raw is there before
    };
    const std::string title = sample("title-320x200-pillow.pcx");
    const Case cases[] = {
        {"codefit", {"src", "old"}, true, "fsync file\nlinkat\nrename\nfsync dir\n"},
        {"codefit", {"src", "old"}, false, "fsync file\nrename\nfsync dir\n"},
        // All of a run's files flushed before the first is named or renamed, and their
        // folder flushed once; the default dump, which any run makes again, is renamed
        // with them but not flushed, and an old one is swapped out and removed after.
        {"picfit", {title, "old"}, true, "fsync file\nlinkat\nlinkat\nno swap\nrename\nrename\nfsync dir\n"},
        {"picfit", {title, "old"}, true, "fsync file\nlinkat\nlinkat\nswap\nrename\nfsync dir\nunlink\n", true},
        // A dump asked for is flushed and renamed as any file asked for.
        {"picfit", {title, "old", "--dump=truc.raw"}, true,
         "fsync file\nfsync file\nlinkat\nlinkat\nrename\nrename\nfsync dir\n", true},
        {"picfit", {title, "old", "--dump=d.raw", "--preview=p.png"}, true,
         "fsync file\nfsync file\nfsync file\nlinkat\nlinkat\nlinkat\nrename\nrename\nrename\n"
         "fsync dir\n"},
        {"picfit", {title, "old", "--dump=d.raw", "--preview=p.png"}, false,
         "fsync file\nfsync file\nfsync file\nrename\nrename\nrename\nfsync dir\n"},
        // Two folders, each flushed once.
        {"picfit", {title, "old", "--preview=sub/p.png"}, true,
         "fsync file\nfsync file\nlinkat\nlinkat\nlinkat\nno swap\nrename\nrename\nrename\n"
         "fsync dir\nfsync dir\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("src", fit_test::pattern(3000));
        dir.write("old", kOld);
        if (c.old_dump) dir.write("truc.raw", kOld);
        std::filesystem::create_directory(dir.file("sub"));
        std::vector<std::pair<std::string, std::string>> env{{"FIT_SHIM_LOG", dir.file("calls")}};
        if (!c.unnamed) env.emplace_back("FIT_SHIM_NO_TMPFILE", "1");

        const auto r = run_program(c.program, c.args, dir.path(), watched(env));
        std::string what = c.program;
        for (const auto& arg : c.args) what += " " + arg;
        what += c.unnamed ? " (unnamed)" : " (named)";
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_NE(read_bytes(dir.file("old")), kOld) << what;
        if (c.old_dump) {
            EXPECT_NE(read_bytes(dir.file("truc.raw")), kOld) << what;
        }
        for (const std::string& name : names_in(dir.path()))  // no temporary, no old dump
            EXPECT_NE(name.front(), '.') << what << ": " << name;
        const Bytes calls = read_bytes(dir.file("calls"));
        EXPECT_EQ(std::string(calls.begin(), calls.end()), c.calls) << what;
    }
}

TEST(SafeSave, AReplacedFileKeepsItsOwnerOrLosesItsSetIdBits) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
    constexpr uid_t kNobody = 65534;
    struct Case {
        bool as_nobody;  // the program runs as nobody, not as root
        uid_t owner;     // of the old file
        mode_t mode;
        uid_t new_owner;
        mode_t new_mode;
    };
    const Case cases[] = {
        {false, kNobody, 04755, kNobody, 04755},
        {false, kNobody, 0640, kNobody, 0640},
        // Nobody may not give a file to root: the new file is nobody's, set-ID bits gone.
        {true, 0, 06777, kNobody, 0777},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ::chmod(dir.path().c_str(), 0777);
        ::chmod(dir.write("src", fit_test::pattern(3000)).c_str(), 0644);
        const std::string old = dir.write("old", kOld);
        ASSERT_EQ(::chown(old.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(old.c_str(), c.mode), 0);

        const auto r = run_program("codefit", {"src", "old"}, dir.path(), [&] {
            if (c.as_nobody && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
        });
        EXPECT_EQ(r.status, 0) << r.err;
        struct stat st {};
        ASSERT_EQ(::stat(old.c_str(), &st), 0);
        EXPECT_EQ(read_bytes(old).size(), 3584u);
        EXPECT_EQ(st.st_uid, c.new_owner) << std::oct << c.mode;
        EXPECT_EQ(st.st_gid, c.new_owner) << std::oct << c.mode;
        EXPECT_EQ(st.st_mode & 07777, c.new_mode) << std::oct << c.mode;
    }
}

TEST(SafeSave, FitinfoTellsWhenItsReportCannotBeWritten) {
    TempDir dir;
    dir.write("src", fit_test::pattern(3000));
    ASSERT_EQ(run_program("codefit", {"src", "prog.exe"}, dir.path()).status, 0);
    const auto r = run_program("fitinfo", {"prog.exe"}, dir.path(), [] {
        const int full = ::open("/dev/full", O_WRONLY);
        ::dup2(full, 1);
    });
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.err, "standard output: cannot write the report.\n");
}

TEST(SafeSave, HelpAndVersionLostOnAFullDeviceAreFailures) {
    TempDir dir;
    const struct {
        const char* program;
        const char* option;
        int status;
        const char* err;
    } cases[] = {
        {"codefit", "--help", 1, "standard output: cannot write.\n"},
        {"codefit", "--version", 1, "standard output: cannot write.\n"},
        {"datafit", "--help", 1, "standard output: cannot write.\n"},
        {"datafit", "--version", 1, "standard output: cannot write.\n"},
        {"picfit", "--help", 1, "standard output: cannot write.\n"},
        {"picfit", "--version", 1, "standard output: cannot write.\n"},
        {"fitinfo", "--help", 6, "standard output: cannot write the report.\n"},
    };
    for (const auto& c : cases) {
        const auto r = run_program(c.program, {c.option}, dir.path(), [] {
            const int full = ::open("/dev/full", O_WRONLY);
            ::dup2(full, 1);
        });
        EXPECT_EQ(r.status, c.status) << c.program << " " << c.option;
        EXPECT_EQ(r.err, c.err) << c.program << " " << c.option;
        EXPECT_EQ(run_program(c.program, {c.option}, dir.path()).status, 0) << c.program << " " << c.option;
    }
}

TEST(SafeSave, OnlyAFileThatWritingWouldOverwriteCountsAsTheSame) {
    TempDir dir;
    const auto a = dir.write("a", {1});
    dir.write("b", {1});
    std::filesystem::create_symlink("a", dir.file("link"));
    const struct {
        std::string one, two;
        bool same;
    } cases[] = {
        {a, dir.file("link"), true},
        {a, dir.file("b"), false},            // equal bytes, another file
        {a, dir.file("missing"), false},
        {"/dev/null", "/dev/null", false},    // a device that is no store
        {dir.path().string(), dir.path().string() + "/.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fit::same_file(c.one, c.two), c.same) << c.one << " " << c.two;
}
