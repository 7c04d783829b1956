// fitinfo's exit statuses and the texts of its fault lines, each written here once.
#pragma once

namespace fitinfo {

// Exit statuses; with several files, the status of the first file that failed.
enum Status : int {
    kValid = 0,         // every file read without fault (and the payload was written)
    kUsage = 1,         // the options were rejected (also after -h)
    kUnreadable = 2,    // a file cannot be opened or read
    kBroken = 3,        // a file breaks a rule of its format
    kUnrecognised = 4,  // a file is of no kind fitinfo knows
    kNotExtracted = 5,  // the payload could not be written, or there is none
    kReportLost = 6,    // the report could not be written on standard output
};

// The fault lines after "name: ". The "not recognised" line that lists the kinds is
// made from the kinds' registry (see kinds.hpp).
inline constexpr const char* kCannotOpen = "cannot open the file.";
inline constexpr const char* kCannotRead = "cannot read the file.";
inline constexpr const char* kTooLong =
    "not recognised: longer than any file the converters write.";
inline constexpr const char* kNoPreview = "cannot make the PNG preview.";
inline constexpr const char* kNoCode = "no code to extract.";
inline constexpr const char* kCannotCreate = "cannot create the file.";
inline constexpr const char* kCannotWrite = "cannot write the whole file.";
inline constexpr const char* kReportNotWritten = "standard output: cannot write the report.\n";

}  // namespace fitinfo
