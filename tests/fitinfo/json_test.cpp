// fitinfo --json read back field by field, -x - and --quiet, run as a user runs them;
// and the escaping of the JSON writer.
#include <gtest/gtest.h>

#include <sstream>

#include "fitinfo/json.hpp"
#include "hand_built.hpp"
#include "support/e2e.hpp"
#include "support/json_read.hpp"

using fit_test::Bytes;
using fit_test::Json;
using fit_test::run_program;
using fit_test::TempDir;

namespace {

Bytes record_file(const Bytes& data) { return fit_test::container({data}, data.size()); }

// The summary lines of a text report, without their indentation.
std::vector<std::string> summary_of(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("  ")) lines.push_back(line.substr(2));
    return lines;
}

std::vector<std::string> strings_of(const Json& array) {
    std::vector<std::string> out;
    for (const auto& item : array.array()) out.push_back(item.string());
    return out;
}

}  // namespace

TEST(FitinfoJson, OneDocumentForAllFilesReadBackFieldByField) {
    TempDir dir;
    dir.write("a.dsk", record_file(fit_test::pattern(300)));
    const Bytes k7 = fit_test::unit("ABCD", 0xC300, {1, 2, 3});
    dir.write("b.k7", k7);
    Bytes bad = record_file(fit_test::pattern(300));
    bad[15] = 2;
    dir.write("bad.dsk", bad);
    dir.write("junk", fit_test::text("no file of the machine"));
    const std::string odd = "n\x01\"\\\xff.k7";
    dir.write(odd, k7);

    const auto text = run_program("fitinfo", {"a.dsk", "b.k7", "bad.dsk", "junk", "missing", odd},
                                  dir.path());
    const auto r = run_program("fitinfo",
                               {"--json", "a.dsk", "b.k7", "bad.dsk", "junk", "missing", odd},
                               dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, text.err) << "the fault lines stay on standard error";
    const auto doc = fit_test::parse_json(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ((*doc)["status"].number(), 3);
    const auto& files = (*doc)["files"].array();
    ASSERT_EQ(files.size(), 6U);

    const Json& a = files[0];
    EXPECT_EQ(a["name"].string(), "a.dsk");
    EXPECT_EQ(a["status"].string(), "valid");
    EXPECT_EQ(a["exit_status"].number(), 0);
    EXPECT_EQ(a["kind"].string(), "data record file (disk file)");
    const Json& container = a["fields"]["container"];
    EXPECT_EQ(container["record_count"].number(), 1);
    EXPECT_EQ(container["max_record_length"].number(), 300);
    EXPECT_EQ(container["allocation_units"].number(), 1);
    EXPECT_EQ(container["file_size"].number(), 1024);
    ASSERT_EQ(a["fields"]["record_sizes"].array().size(), 1U);
    EXPECT_EQ(a["fields"]["record_sizes"].array()[0].number(), 300);
    EXPECT_EQ(a["fields"]["data_size"].number(), 300);
    EXPECT_FALSE(a.has("fault"));

    // The summary lines are those of the text report, file after file.
    std::vector<std::string> all;
    for (const auto& file : files)
        if (file.has("summary"))
            for (const auto& line : strings_of(file["summary"])) all.push_back(line);
    EXPECT_EQ(all, summary_of(text.out));

    for (const Json* k : {&files[1], &files[5]}) {
        EXPECT_EQ((*k)["kind"].string(), "code cassette image");
        const Json& fields = (*k)["fields"];
        EXPECT_EQ(fields["image"].string(), "code");
        EXPECT_EQ(fields["loader"].number(), 0);
        EXPECT_EQ(fields["payload_size"].number(), 3);
        ASSERT_EQ(fields["blocks"].array().size(), 1U);
        const Json& block = fields["blocks"].array()[0];
        EXPECT_EQ(block["offset"].number(), 0);
        EXPECT_EQ(block["name"].string(), "ABCD");
        EXPECT_EQ(block["start"].number(), 0xC300);
        EXPECT_EQ(block["end"].number(), 0xC302);
        EXPECT_EQ(block["size"].number(), 3);
        EXPECT_EQ(block["checksum"].number(), 6);
    }
    // A byte that is no UTF-8 becomes U+FFFD; the control character and the quote pass.
    EXPECT_EQ(files[5]["name"].string(), "n\x01\"\\\xEF\xBF\xBD.k7");

    const Json& broken = files[2];
    EXPECT_EQ(broken["status"].string(), "broken");
    EXPECT_EQ(broken["exit_status"].number(), 3);
    EXPECT_EQ(broken["kind"].string(), "disk file");
    EXPECT_EQ(broken["fault"]["offset"].number(), 15);
    EXPECT_EQ(broken["fault"]["rule"].string(), "NbAu (file of 1024 bytes)");
    EXPECT_EQ(broken["fault"]["expected"].string(), "0x01");
    EXPECT_EQ(broken["fault"]["found"].string(), "0x02");
    EXPECT_FALSE(broken.has("fields"));

    EXPECT_EQ(files[3]["status"].string(), "unrecognised");
    EXPECT_EQ(files[3]["exit_status"].number(), 4);
    EXPECT_TRUE(files[3]["kind"].is_null());
    EXPECT_EQ(files[4]["status"].string(), "unreadable");
    EXPECT_EQ(files[4]["exit_status"].number(), 2);
    EXPECT_EQ(files[4]["problem"].string(), "cannot open the file.");
}

TEST(FitinfoJson, PayloadAloneOnStandardOutputAndQuietRuns) {
    TempDir dir;
    dir.write("b.k7", fit_test::unit("ABCD", 0xC300, {1, 2, 3}));
    dir.write("junk", fit_test::text("no file of the machine"));
    const auto text = run_program("fitinfo", {"b.k7"}, dir.path());

    auto r = run_program("fitinfo", {"-x", "-", "b.k7"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("\x01\x02\x03"));
    EXPECT_EQ(r.err, text.out + "- file written.\n");

    r = run_program("fitinfo", {"--quiet", "-x", "-", "b.k7"}, dir.path());
    EXPECT_EQ(r.out, std::string("\x01\x02\x03"));
    EXPECT_EQ(r.err, "");

    // With the payload on standard output, the JSON document goes to standard error.
    r = run_program("fitinfo", {"--json", "-x", "-", "b.k7"}, dir.path());
    EXPECT_EQ(r.out, std::string("\x01\x02\x03"));
    const auto doc = fit_test::parse_json(r.err);
    ASSERT_TRUE(doc) << r.err;
    EXPECT_EQ((*doc)["files"].array()[0]["fields"]["payload_size"].number(), 3);
    // A failed extraction names its fault as any failed file does.
    r = run_program("fitinfo", {"--json", "-x", "no-dir/out.bin", "b.k7"}, dir.path());
    const auto failed = fit_test::parse_json(r.out);
    ASSERT_TRUE(failed) << r.out;
    EXPECT_EQ((*failed)["files"].array()[0]["exit_status"].number(), r.status);
    EXPECT_EQ((*failed)["files"].array()[0]["problem"].string(), "cannot create the file.");

    r = run_program("fitinfo", {"--quiet", "b.k7", "junk"}, dir.path());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, run_program("fitinfo", {"junk"}, dir.path()).err);
}

TEST(FitinfoJson, StringsAreEscapedAndAlwaysValidUtf8) {
    const struct {
        std::string bytes;
        std::string json;
    } cases[] = {
        {"plain", "\"plain\""},
        {"\"\\", "\"\\\"\\\\\""},
        {"\n\r\t", "\"\\n\\r\\t\""},
        {std::string("\x00\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"\xff", "\"\\ufffd\""},
        {"\xC0\x80", "\"\\ufffd\\ufffd\""},          // overlong
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
        {"\xE2\x82", "\"\\ufffd\\ufffd\""},          // cut short
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fitinfo::json_string(c.bytes), c.json);
        const auto back = fit_test::parse_json(c.json);
        ASSERT_TRUE(back) << c.json;
        if (c.json.find("fffd") == std::string::npos) {
            EXPECT_EQ(back->string(), c.bytes);
        }
    }
    // The reader the checks rest on refuses what is no JSON.
    for (const char* bad : {"{\"a\":1,}", "[1] x", "\"\x01\"", "\"\\x\"", "{\"a\":1,\"a\":2}", "01"})
        EXPECT_FALSE(fit_test::parse_json(bad)) << bad;

    fitinfo::JsonWriter json;
    json.begin_object();
    json.key("a").begin_array();
    json.number(1);
    json.boolean(false);
    json.null();
    json.begin_object();
    json.end_object();
    json.end_array();
    json.key("b").string("x");
    json.end_object();
    EXPECT_EQ(json.text(), "{\"a\":[1,false,null,{}],\"b\":\"x\"}");
}
