// Each conversion on the largest input its target accepts: the output's throughput,
// and how the conversion compares with a memcpy of the same output size, timed in
// the same run ("x_memcpy": 1 would be as fast as copying the bytes).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "codefit/converters.hpp"
#include "datafit/converters.hpp"
#include "picfit/encoder.hpp"
#include "picfit/pcx.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes noise(std::size_t n, std::uint32_t seed) {
    Bytes b(n);
    for (auto& x : b) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<std::uint8_t>(seed >> 24);
    }
    return b;
}

// Seconds a memcpy of n bytes takes, at best of a few rounds.
double memcpy_seconds(std::size_t n) {
    static std::vector<std::uint8_t> from, to;
    from.assign(n, 0x5A);
    to.assign(n, 0);
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        constexpr int kTimes = 200;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kTimes; ++i) {
            std::memcpy(to.data(), from.data(), n);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / kTimes);
    }
    return best;
}

// Runs `convert` over and over; it returns the output length of one conversion.
// Returns the seconds one conversion takes.
double measure(benchmark::State& st, std::size_t input, const std::function<std::size_t()>& convert) {
    std::size_t out = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : st) {
        out = convert();
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double each = took.count() / static_cast<double>(st.iterations());
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * out));
    st.counters["in_bytes"] = static_cast<double>(input);
    st.counters["out_bytes"] = static_cast<double>(out);
    st.counters["x_memcpy"] = each / memcpy_seconds(out);
    return each;
}

template <typename State, typename Conv>
void run_converter(benchmark::State& st, Conv conv, const State& state, Bytes source,
                   std::size_t out_capacity, const fit::ErrorTable& table) {
    fit::Work work;
    work.in_buffer.assign(source.begin(), source.end());
    work.LengthIN = static_cast<int>(work.in_buffer.size());
    work.out_buffer.assign(out_capacity, 0);
    fit::Reporter report(table);
    measure(st, work.in_buffer.size(), [&] {
        if (conv(state, work, report) != 0) st.SkipWithError("refused");
        return static_cast<std::size_t>(work.LengthOUT);
    });
}

codefit::State code_state(int type, std::uint16_t reloc, int loader = 0) {
    codefit::State s;
    s.type_number = type;
    s.load_address = reloc;
    s.entry_address = reloc;
    s.loaderk7 = loader;
    return s;
}

void code(benchmark::State& st, int type, std::uint16_t reloc, std::size_t length, int loader = 0) {
    run_converter(st, codefit::convert, code_state(type, reloc, loader), noise(length, 1),
                  codefit::kCapacities.out, fit::codefit_errors);
}

void data(benchmark::State& st, int type, std::size_t length, long record) {
    datafit::State s;
    s.type_number = type;
    s.recordSize.value = record;
    run_converter(st, datafit::convert, s, noise(length, 2), datafit::capacities(type).out,
                  fit::datafit_errors);
}

// A PCX file of the picture: noisy pixels are palette indices below 0xC0, a byte
// each, as a paint program writes them; flat ones are runs of 63.
Bytes pcx_file(int width, int height, bool noisy) {
    Bytes f(128, 0);
    f[0] = 0x0A;
    f[1] = 5;
    f[2] = 1;
    f[3] = 8;
    f[8] = static_cast<std::uint8_t>((width - 1) & 0xFF);
    f[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    f[10] = static_cast<std::uint8_t>(height - 1);
    f[65] = 1;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const Bytes pixels = noise(n, 3);
    for (std::size_t i = 0; i < n;) {
        if (!noisy) {
            const std::size_t run = std::min<std::size_t>(63, n - i);
            f.push_back(static_cast<std::uint8_t>(0xC0 | run));
            f.push_back(0x02);
            i += run;
            continue;
        }
        f.push_back(static_cast<std::uint8_t>(pixels[i++] % 0xC0));
    }
    return f;
}

void picture(benchmark::State& st, int mode, int width, int height, bool noisy) {
    const Bytes file = pcx_file(width, height, noisy);
    fit::Reporter report(fit::picfit_errors);
    const double each = measure(st, file.size(), [&] {
        const auto picture = picfit::decode_pcx(file, mode, report);
        if (!picture) {
            st.SkipWithError("refused");
            return std::size_t{0};
        }
        picfit::TavRecord tav;
        const int n = mode == picfit::kColour ? picfit::encode_colour_tav(*picture, tav)
                                               : picfit::encode_two_colour_tav(*picture, tav);
        benchmark::DoNotOptimize(tav.stream.data());
        return static_cast<std::size_t>(n);
    });
    // The encoder reads every pixel, however short the stream: set it beside copying
    // the pixels too.
    st.counters["x_memcpy_pixels"] = each / memcpy_seconds(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

}  // namespace

BENCHMARK_CAPTURE(code, EXE_48639, codefit::kEXE, 0x0200, 48639);
BENCHMARK_CAPTURE(code, DOS_45056, codefit::kDOS, 0x1000, 45056);
BENCHMARK_CAPTURE(code, ROM_32251, codefit::kROM, 0x0200, 32251);
BENCHMARK_CAPTURE(code, K7_16383_loader2, codefit::kK7, 0x8000, 16383, 2);
BENCHMARK_CAPTURE(code, BAS_1151, codefit::kBAS, 0xC380, 1151);
BENCHMARK_CAPTURE(data, DOS_130556_r_FFFF, datafit::kDOS, 130556, 0xFFFF);
BENCHMARK_CAPTURE(data, K7_637330_r_10000, datafit::kK7, 637330, 0x10000);
BENCHMARK_CAPTURE(data, TASM_640000, datafit::kTASM, 640000, 0);
BENCHMARK_CAPTURE(picture, colour_320x250_noisy, picfit::kColour, 320, 250, true);
BENCHMARK_CAPTURE(picture, colour_320x250_flat, picfit::kColour, 320, 250, false);
BENCHMARK_CAPTURE(picture, two_colour_640x250_noisy, picfit::kTwoColour, 640, 250, true);
BENCHMARK_CAPTURE(picture, two_colour_640x250_flat, picfit::kTwoColour, 640, 250, false);

BENCHMARK_MAIN();
