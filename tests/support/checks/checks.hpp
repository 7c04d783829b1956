// What must hold for any input of each fuzz target. Every check runs one input
// through a part of the programs and returns "" when every rule held, else what
// broke. The fuzz targets abort on a broken rule; the regression tests run the
// inputs the fuzzers once broke through the same checks.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace fit_fuzz {

using Check = std::string (*)(std::span<const std::uint8_t>);

// One codefit converter on arbitrary code, with the settings taken from the first
// bytes: a converter that succeeds wrote a file that loads the code at its address,
// one that fails reported one range error, in the order of the tests, and wrote
// nothing.
std::string check_codefit(std::span<const std::uint8_t> input);

// The same for the three datafit converters, with arbitrary header and record sizes.
std::string check_datafit(std::span<const std::uint8_t> input);

// The three option parsers on an argument vector of NUL-separated words: the same
// words give the same settings every time, accepted settings are consistent, and
// the words are only reordered.
std::string check_options(std::span<const std::uint8_t> input);

// The PCX reader on arbitrary file contents, then both encoders on what it accepted:
// the stream decodes back to the picture's colours and stays within its bound.
std::string check_pcx(std::span<const std::uint8_t> input);

// fitinfo on arbitrary file contents: it gives a summary or one fault (within the
// file), and what it accepts and extracts, the converter of that kind makes again
// byte for byte from the payload and the settings fitinfo read (every kind but TAV
// pictures, whose payload is a preview).
std::string check_fitinfo(std::span<const std::uint8_t> input);

// What every converter's target must be, whatever its own rules: a file fitinfo reads
// without fault, whose payload check_fitinfo then extracts and makes again. For the
// types the converters' checks have no rules of.
std::string fitinfo_takes(std::span<const std::uint8_t> file);
// A PNG, GIF or BMP file after four bytes of settings (mode and dithering, then the
// background): a decoded picture is taken as it is exactly when it fits the mode,
// fitted it gives indices of the palette that the encoder's stream gives back, and
// made of palette colours only it maps to exactly those.
std::string check_picture(std::span<const std::uint8_t> input);

}  // namespace fit_fuzz
