// Round trips through the converters: a source converted by the built program, read
// back by fitinfo, must give the source again; and no single changed byte of the
// converted file may pass unseen.
#pragma once

#include <gtest/gtest.h>

#include <random>

#include "hand_built.hpp"
#include "support/e2e.hpp"

namespace fit_test {

// Runs `program source out options...` and returns the file it wrote (nothing when
// it failed).
inline std::optional<Bytes> convert(const std::string& program, const Bytes& source,
                                    const std::vector<std::string>& options) {
    const TempDir dir;
    dir.write("source", source);
    std::vector<std::string> args{"source", "target"};
    args.insert(args.end(), options.begin(), options.end());
    const auto r = run_program(program, args, dir.path().string());
    if (r.status != 0) {
        ADD_FAILURE() << program << " failed with status " << r.status << ": " << r.err;
        return std::nullopt;
    }
    return read_bytes(dir.file("target"));
}

inline std::string describe(const fitinfo::Inspection& inspection) {
    return inspection.error ? inspection.kind + ": " + media::describe(*inspection.error)
                            : inspection.kind;
}

// fitinfo reads the file without fault as `kind` and gives `source` back.
inline void expect_source_back(const Bytes& file, const Bytes& source, const std::string& kind,
                               fitinfo::InspectOptions options = {}) {
    const auto inspection = fitinfo::inspect(file, options);
    ASSERT_EQ(inspection.verdict, fitinfo::Verdict::valid) << describe(inspection);
    EXPECT_EQ(inspection.kind.substr(0, kind.size()), kind);
    EXPECT_TRUE(inspection.finding->payload == source) << "payload differs from the source";
}

inline bool same_finding(const fitinfo::Finding& a, const fitinfo::Finding& b) {
    const auto pixels = [](const fitinfo::Finding& f) {
        return f.picture ? f.picture->pixels : Bytes{};
    };
    return a.kind == b.kind && a.details == b.details && a.payload == b.payload &&
           pixels(a) == pixels(b);
}

// Positions to change: every byte of a small file, else its first and last bytes and
// a spread in between.
inline std::vector<std::size_t> positions(std::size_t size, std::mt19937& random) {
    std::vector<std::size_t> at;
    if (size <= 2048) {
        for (std::size_t i = 0; i < size; ++i) at.push_back(i);
        return at;
    }
    for (std::size_t i = 0; i < 600; ++i) at.push_back(i);
    for (std::size_t i = size - 200; i < size; ++i) at.push_back(i);
    for (int i = 0; i < 100; ++i) at.push_back(600 + random() % (size - 800));
    return at;
}

// Every change of one byte is refused, or shows in what fitinfo reports (the payload,
// the picture or the summary). Returns how many were refused.
inline std::size_t expect_every_change_seen(const Bytes& file, fitinfo::InspectOptions options = {},
                                            std::uint32_t seed = 1) {
    const auto original = fitinfo::inspect(file, options);
    EXPECT_EQ(original.verdict, fitinfo::Verdict::valid);
    if (!original.finding) return 0;
    std::mt19937 random(seed);
    std::size_t refused = 0;
    Bytes changed = file;
    for (const std::size_t at : positions(file.size(), random)) {
        changed[at] = static_cast<std::uint8_t>(file[at] ^ (1 + random() % 255));
        const auto inspection = fitinfo::inspect(changed, options);
        if (inspection.verdict != fitinfo::Verdict::valid)
            ++refused;
        else
            EXPECT_FALSE(same_finding(*inspection.finding, *original.finding))
                << "byte " << at << " changed unseen in a " << original.kind;
        changed[at] = file[at];
    }
    return refused;
}

inline std::string hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

}  // namespace fit_test
