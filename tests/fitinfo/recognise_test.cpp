// Telling the kind of a file: by its signature even with one byte of it wrong, and by
// trying each kind a file might be.
#include <gtest/gtest.h>

#include "hand_built.hpp"

using fit_test::Bytes;
using fit_test::inspect;
using fitinfo::Verdict;

namespace {

const Bytes kTav = [] {
    Bytes f{'T', 'A', 'V', 0x01, 2, 1, 0, 5, 1, 0, 0x05, 0x80, 0x0F, 0x33, 0x55};
    return f;
}();

Bytes rom_starting_with(const Bytes& code) {
    Bytes image(32256, 0);
    std::copy(code.begin(), code.end(), image.begin());
    image[32252] = 0xAA, image[32253] = 0x8C, image[32254] = 0x02;
    return image;
}

}  // namespace

TEST(Recognise, AWrongFirstByteStillNamesTheKindAndTheFault) {
    const std::vector<std::pair<Bytes, std::string>> files{
        {kTav, "TAV picture"},
        {fit_test::container({Bytes(300, 1)}, 300), "data record file (disk file)"},
        {fit_test::unit("    ", 0, Bytes(3, 1)), "data cassette image"},
        {fit_test::text("100 DATA 50048,1\r\n110 DATA 7\r\n120 READ A,N:FOR I=0 TO N-1:READ D:"
                        "CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n"),
         "BASIC DATA loader program"},
        {fit_test::text("\r\n\t.byte $01\r\n"), "assembler listing"},
    };
    for (const auto& [file, kind] : files) {
        ASSERT_EQ(inspect(file).kind, kind);
        Bytes bad = file;
        bad[0] ^= 0x01;
        const auto inspection = inspect(bad);
        ASSERT_EQ(inspection.verdict, Verdict::broken) << kind;
        EXPECT_EQ(inspection.error->offset, 0u) << kind;
    }
}

TEST(Recognise, AFileIsWhatItReadsAsWithoutFault) {
    // Code at 0x0200 that opens like another kind.
    for (const Bytes& start : {Bytes{'T', 'A', 'V', 0x01}, Bytes{0x55, 0x55, 0x55, 0x55},
                               fit_test::text("100 DATA "), Bytes{0xFD, 0x00}}) {
        const auto inspection = inspect(rom_starting_with(start));
        ASSERT_EQ(inspection.verdict, Verdict::valid) << inspection.kind;
        EXPECT_EQ(inspection.kind, "ROM cartridge image");
    }
    // A data cassette whose data is itself a cassette image.
    const Bytes inner = fit_test::unit("IN  ", 0xC300, Bytes(40, 9));
    const auto outer = inspect(fit_test::unit("OUT ", 0, inner));
    ASSERT_EQ(outer.verdict, Verdict::valid);
    EXPECT_EQ(outer.finding->payload, inner);
}

TEST(Recognise, OtherFilesAreNotRecognised) {
    for (const Bytes& file : {Bytes{}, fit_test::text("hello"), Bytes(1000, 0), Bytes(32255, 0),
                              fit_test::text("TA")})
        EXPECT_EQ(inspect(file).verdict, Verdict::unrecognised) << file.size();
}
