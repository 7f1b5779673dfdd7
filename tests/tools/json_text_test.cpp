// JSON strings of the report's JSON lines, against RapidJSON's writer as
// the reference for escaping.
#include <json_text.hpp>

#include <geardb/utf8.hpp>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using gearcalc::report::appendJsonString;

std::string jsonString(std::string_view text)
{
    std::string out;
    appendJsonString(out, text);
    return out;
}

// The reference: each byte that does not begin a well-formed UTF-8
// sequence replaced by U+FFFD, then written by RapidJSON.
std::string reference(std::string_view text)
{
    std::string mended;
    for (std::size_t bad = gr::db::firstInvalidUtf8(text); bad != std::string_view::npos;
         bad = gr::db::firstInvalidUtf8(text)) {
        mended.append(text.substr(0, bad));
        mended += "\xEF\xBF\xBD";
        text.remove_prefix(bad + 1);
    }
    mended.append(text);
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.String(mended.data(), static_cast<rapidjson::SizeType>(mended.size()));
    return std::string(buffer.GetString(), buffer.GetSize());
}

TEST(JsonString, NamedCases)
{
    const struct {
        std::string_view text, json;
    } rows[] = {
        {"", R"("")"},
        {"4.6985", R"("4.6985")"},
        {"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
        {"\r\n\t\b\f", R"("\r\n\t\b\f")"},
        {std::string_view("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001F\x7f\""},
        {"齿轮：20°", "\"齿轮：20°\""},
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},             // four bytes
        {"a\xE4\xB8", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\""},            // cut short at the end
        {"\xE4" "A", "\"\xEF\xBF\xBD" "A\""},                      // lead without its continuation
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},              // overlong
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // surrogate
        {"\xF5\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},              // past U+10FFFF
    };
    for (const auto& row : rows) {
        EXPECT_EQ(jsonString(row.text), row.json);
        EXPECT_EQ(jsonString(row.text), reference(row.text));
    }
}

TEST(JsonString, AgreesWithRapidJsonOnRandomBytes)
{
    // Pieces that meet each other in every order: plain and escaped ASCII,
    // whole sequences of two to four bytes, and broken ones.
    const std::vector<std::string> pieces = {
        "a", "7", " ", ".", "\"", "\\", "/", "\n", "\r", "\t", std::string(1, '\0'), "\x1b", "\x7f",
        "\xC3\xA9", "中", "°", "\xF0\x9F\x98\x80", "\xE4", "\xB8", "\xC2", "\xFF", "\xC0\x80", "\xED\xBF\xBF",
        "\xF4\x90\x80\x80", "\xE0\x9F\xBF"};
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = length(rng); n > 0; --n)
            text += i % 4 == 0 ? std::string(1, static_cast<char>(byte(rng))) : pieces[piece(rng)];
        ASSERT_EQ(jsonString(text), reference(text)) << "case " << i;
    }
}

TEST(JsonString, OneByteNeedingCareAtEveryPlaceOfALongRun)
{
    // Plain runs are scanned sixteen bytes at a time: a byte that needs care
    // must be found wherever it falls in or across those words, and the
    // bytes around it copied whole.
    const std::string specials[] = {"\"", "\\", "\n", std::string(1, '\0'), "\x1f", "\x7f",
                                    "\xE4\xB8\xAD", "\xE4", "\xFF", " ", "~"};
    for (const std::string& special : specials) {
        for (std::size_t before = 0; before <= 40; ++before) {
            for (std::size_t after : {0, 1, 7, 8, 9, 15, 16, 17, 33}) {
                const std::string text = std::string(before, 'x') + special + std::string(after, 'y');
                ASSERT_EQ(jsonString(text), reference(text)) << before << " + " << after;
            }
        }
    }
}

TEST(JsonString, AppendsToWhatIsThere)
{
    std::string out = "{\"k\":";
    appendJsonString(out, "v");
    EXPECT_EQ(out, "{\"k\":\"v\"");
}

} // namespace
