// The writer's bytes checked against the layout directly (not through the
// reader), the round trip, GBK texts and the programs the writer refuses.
#include "image_test_support.hpp"

#include <algorithm>
#include <functional>
#include <ostream>
#include <map>
#include <set>
#include <string>

namespace imagetest {
namespace {

class ImageLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        bytes = written(sampleProgram());
        ASSERT_FALSE(bytes.empty());
    }
    // Section header offsets, walked from the header's first-header offset.
    std::vector<size_t> chain() const
    {
        std::vector<size_t> at;
        for (uint32_t pos = u32(bytes, 36); pos != 0xFFFFFFFFu && at.size() < 10; pos = u32(bytes, pos + 4)) at.push_back(pos);
        return at;
    }
    std::string name(size_t header) const { return reinterpret_cast<const char*>(bytes.data() + header + 12); }
    std::vector<uint8_t> bytes;
};

TEST_F(ImageLayout, HeaderHoldsItsValuesAtTheirOffsets)
{
    EXPECT_EQ(bytes[0], 'R');
    EXPECT_EQ(bytes[1], 'Q');
    EXPECT_TRUE(std::all_of(bytes.begin() + 2, bytes.begin() + 36, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(u32(bytes, 40), 1u);
    EXPECT_EQ(u32(bytes, 44), 3u);
    EXPECT_EQ(u32(bytes, 48), 0u);
    EXPECT_EQ(u32(bytes, 52), 0x0001011Du);
    EXPECT_EQ(u32(bytes, 56), 0u);
    const std::vector<size_t> sections = chain();
    ASSERT_EQ(sections.size(), 6u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(u32(bytes, 64 + 4 * i), sections[i]) << img::kSectionNames[i];
    // The library list runs from 88 to the first section header.
    EXPECT_EQ(u32(bytes, 84), u32(bytes, 36));
    const std::string list(bytes.begin() + 88, bytes.begin() + u32(bytes, 84));
    EXPECT_EQ(list.substr(0, 6), "tavrn\r");
    EXPECT_NE(list.find("\r5\r0\r"), std::string::npos);
    EXPECT_NE(list.find(std::string("\0stylx\r", 7)), std::string::npos);
    EXPECT_EQ(list.substr(list.size() - 2), std::string(2, '\0')); // last record's NUL, then the lone NUL
    // The start routine's offset lies in the code data, at routine 0's entry.
    const size_t code = sections[3];
    EXPECT_EQ(u32(bytes, 60), u32(bytes, code + 44) + 28);
}

TEST_F(ImageLayout, ChainVisitsTheSectionsInOrderAndEachDataEndsAtTheNextHeader)
{
    const std::vector<size_t> sections = chain();
    ASSERT_EQ(sections.size(), 6u);
    const uint32_t flags[] = {1, 1, 1, 5, 0x13, 1};
    for (size_t i = 0; i < sections.size(); ++i) {
        const size_t h = sections[i];
        SCOPED_TRACE(img::kSectionNames[i]);
        EXPECT_EQ(name(h), img::kSectionNames[i]);
        EXPECT_EQ(u32(bytes, h + 8), flags[i]);
        EXPECT_EQ(u32(bytes, h + 36), u32(bytes, h + 40)); // stored size = memory size
        EXPECT_EQ(u32(bytes, h + 0), 56 + 4 * u32(bytes, h + 48));
        if (i == 4) {
            EXPECT_EQ(u32(bytes, h + 44), 0xFFFFFFFFu);
            EXPECT_EQ(u32(bytes, h + 4), h + 56);
        } else {
            EXPECT_EQ(u32(bytes, h + 44), h + u32(bytes, h + 0)); // data right after the header
            const size_t data_end = u32(bytes, h + 44) + u32(bytes, h + 36);
            EXPECT_EQ(i == 5 ? bytes.size() : u32(bytes, h + 4), data_end);
        }
    }
    EXPECT_EQ(u32(bytes, sections[2] + 36), 52u);
}

TEST_F(ImageLayout, FixupsAscendInsideTheCodeDataAndCarryKnownKinds)
{
    const size_t code = chain()[3];
    const uint32_t count = u32(bytes, code + 48), code_size = u32(bytes, code + 36);
    std::map<uint32_t, int> kinds;
    int64_t previous = -1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t entry = u32(bytes, code + 56 + 4 * i);
        EXPECT_GT(int64_t{entry >> 3}, previous);
        EXPECT_LE((entry >> 3) + 4, code_size);
        previous = entry >> 3;
        ++kinds[entry & 7];
    }
    // 11 stubs; 5 routine names + 4 constants; 2 routines passed as values.
    EXPECT_EQ(kinds, (std::map<uint32_t, int>{{0, 11}, {1, 9}, {3, 2}}));
}

TEST_F(ImageLayout, EveryElementIdentityHasOneRecordAndTheLastEndsWithTheFormData)
{
    const size_t form = chain()[1];
    const size_t data = u32(bytes, form + 44), end = data + u32(bytes, form + 36);
    const uint32_t n = u32(bytes, data + 28);
    ASSERT_EQ(n, sampleProgram().form.elements.size());
    EXPECT_EQ(u32(bytes, data + 32), end - (data + 36));
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < n; ++i) ids.push_back(u32(bytes, data + 36 + 4 * i));
    EXPECT_EQ(ids[0], 0x06010000u);
    EXPECT_TRUE(std::is_sorted(ids.begin() + 1, ids.end(), std::greater<>()));
    // 36 + 4n + 4n: for 35 elements the records start at 316.
    const size_t records = data + 36 + 8 * size_t{n};
    std::set<size_t> starts;
    size_t pos = records;
    for (uint32_t i = 0; i < n; ++i) {
        starts.insert(pos - records);
        pos += 4 + u32(bytes, pos);
    }
    EXPECT_EQ(pos, end);
    std::set<size_t> claimed;
    for (uint32_t i = 0; i < n; ++i) claimed.insert(u32(bytes, data + 36 + 4 * n + 4 * i));
    EXPECT_EQ(claimed, starts);
}

TEST_F(ImageLayout, ElementRecordKeepsItsFieldsWhereTheLayoutPutsThem)
{
    // The record of 模数标签 (the second in form order): kind, name, place,
    // and the caption at offset 96 of its property data.
    const size_t form = chain()[1];
    const size_t data = u32(bytes, form + 44);
    const uint32_t n = u32(bytes, data + 28);
    size_t r = data + 36 + 8 * size_t{n};
    r += 4 + u32(bytes, r); // skip the window's record
    EXPECT_EQ(u32(bytes, r + 4), f::kLabel);
    const std::string gbk_name = img::utf8ToGbk("模数标签").value();
    size_t at = r + 8 + 20;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at])), gbk_name);
    at += gbk_name.size() + 1 + 1 + 4; // name NUL, empty comment, reserved
    EXPECT_EQ(u32(bytes, at), 10u);
    EXPECT_EQ(static_cast<int32_t>(u32(bytes, at + 4)), -3);
    const size_t record_end = r + 4 + u32(bytes, r);
    const std::string caption = img::utf8ToGbk("模数 M：").value();
    const size_t props = record_end - (96 + 4 + caption.size());
    EXPECT_EQ(u32(bytes, props + 20), 2u); // layout version
    EXPECT_EQ(u32(bytes, props + 96), caption.size());
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(props + 100), bytes.begin() + static_cast<long>(record_end)), caption);
}

TEST(ImageRoundTrip, ReadGivesTheProgramBackAndWritingAgainGivesTheSameBytes)
{
    const img::Program p = sampleProgram();
    const std::vector<uint8_t> first = written(p);
    img::Result<img::Image> read = img::readImage(first);
    ASSERT_TRUE(read.ok()) << read.error().message;
    expectSameProgram(p, read->program);
    EXPECT_FALSE(read->short_reloc_size);
    EXPECT_EQ(read->end, first.size());
    EXPECT_EQ(written(read->program), first);
    // A loader resolves the stubs to slots 0x00..0x30 of the service table.
    ASSERT_EQ(read->linkage.services.size(), 11u);
    EXPECT_EQ(read->linkage.services.front().slot, 0);
    EXPECT_EQ(read->linkage.services.back().slot, 12);
    EXPECT_EQ(read->identity_groups[0].size(), 2 * p.form.elements.size());
    EXPECT_EQ(read->identity_groups[2].size(), 1u);
    EXPECT_EQ(read->identity_groups[3].size(), p.form.elements.size());
}

TEST(ImageRoundTrip, ZeroFillAfterTheLastSectionIsAccepted)
{
    std::vector<uint8_t> bytes = written(sampleProgram());
    const size_t size = bytes.size();
    bytes.resize(37376, 0);
    img::Result<img::Image> read = img::readImage(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->end, size);

    // The fill is zero bytes: anything else behind the image is refused.
    bytes[size + 100] = 0x5A;
    read = img::readImage(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().message, "fill: byte " + img::hex(size + 100) + " behind the last section is 0x5A, not zero");
}

TEST(Gbk, ChineseTextsRoundTripAndUseTwoBytesACharacter)
{
    EXPECT_EQ(img::utf8ToGbk("齿轮").value(), "\xB3\xDD\xC2\xD6");
    for (const char* text : {"ZKD-KESTAL 齿轮参数计算", "螺旋角 β：", "°", "制齿精度（DIN 3967）：", "在屏幕边缘时收起！", ""}) {
        img::Result<std::string> gbk = img::utf8ToGbk(text);
        ASSERT_TRUE(gbk.ok()) << text;
        EXPECT_EQ(img::gbkToUtf8(gbk.value()).value(), text);
    }
    EXPECT_EQ(img::utf8ToGbk("ZKD-KESTAL 齿轮参数计算")->size(), 23u);
}

TEST(Gbk, WhatGbkCannotHoldIsAnErrorNamingTheByte)
{
    EXPECT_EQ(img::utf8ToGbk("ok\xF0\x9F\x98\x80").error().message, "byte 0xF0 at 0x2 is not valid UTF-8 that GBK can hold");
    EXPECT_EQ(img::gbkToUtf8("a\xFF").error().message, "byte 0xFF at 0x1 is not valid GBK");
    EXPECT_EQ(img::gbkToUtf8("\xB3").error().message, "byte 0xB3 at 0x0 is not valid GBK"); // half a character
}

struct Refusal {
    const char* name;
    std::function<void(img::Program&)> change;
    std::string message;
};

// Names the row in test listings and failure messages, instead of a dump of
// its bytes.
void PrintTo(const Refusal& row, std::ostream* os)
{
    *os << row.name;
}

class WriterRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(WriterRefuses, WhatCannotBeStoredFaithfully)
{
    img::Program p = sampleProgram();
    GetParam().change(p);
    img::Result<std::vector<uint8_t>> r = img::writeImage(p);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterRefuses,
    ::testing::Values(
        Refusal{"TextOutsideGbk", [](img::Program& p) { p.form.elements[1].text = "\xF0\x9F\x98\x80"; },
                "form: element 0x16010030 (模数标签) text: byte 0xF0 at 0x0 is not valid UTF-8 that GBK can hold"},
        Refusal{"TextOnAComboBox", [](img::Program& p) { p.form.elements[4].text = "x"; },
                "form: element 0x1601002E (精度组合框): a text has no place in a combo box"},
        Refusal{"TickOnALabel", [](img::Program& p) { p.form.elements[1].checked = 1; },
                "form: element 0x16010030 (模数标签): ticked 0x1 has no place in a label"},
        Refusal{"ColourWithoutPropertyData", [](img::Program& p) { p.form.elements[3].text_colour = 0; },
                "form: element 0x1601008D (货号编辑框): text colour 0x0 has no place in an edit box without property data"},
        Refusal{"EventNamesNoRoutine", [](img::Program& p) { p.form.elements[8].events[0].routine = 9; },
                "form: element 0x16010034 (计算按钮): event 0x0 names routine 0x9, which does not exist"},
        Refusal{"IdentityTwice", [](img::Program& p) { p.form.elements[2].identity = 0x16010030; },
                "form: element 0x16010030 (结果编辑框): identity appears twice"},
        Refusal{"WindowNotFirst", [](img::Program& p) { std::swap(p.form.elements[0], p.form.elements[1]); },
                "form: element 0x16010030 (模数标签): kind 0x1000A but the first element is the window itself"},
        Refusal{"UnknownKind", [](img::Program& p) { p.form.elements[1].kind = 0x10099; },
                "form: element 0x16010030 (模数标签): unknown kind 0x10099"},
        Refusal{"NulInATextConstant", [](img::Program& p) { p.constants[0].text = std::string("a\0b", 3); },
                "const: text constant 0x0 holds a NUL byte"},
        Refusal{"StartRoutineMissing", [](img::Program& p) { p.start_routine = 5; },
                "code: start routine 0x5 is not a routine"},
        Refusal{"LibraryCallPastTheList", [](img::Program& p) { p.library_calls[0].library = 2; },
                "code: library call names library position 0x2, the list has 0x2"},
        Refusal{"IdentifierNotHex", [](img::Program& p) { p.libraries[1].identifier[0] = 'G'; },
                "library list: library \"stylx\": identifier must be 32 hexadecimal digits"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
} // namespace imagetest
