// Batch files: the gears the check keeps for the run, and the rows read
// again past that budget, must be the same gears.
#include <batch.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gearcalc::report::Batch;
using gearcalc::report::GearInput;
using gearcalc::report::parseBatch;

std::string describe(const GearInput& g)
{
    const auto text = [](const std::optional<std::string>& s) { return s ? "\"" + *s + "\"" : std::string("-"); };
    std::string out = text(g.item) + " " + text(g.module) + " " + text(g.teeth) + " " + g.pressure_angle + " " +
                      (g.helical ? "H" : "") + (g.spur ? "S" : "") + " " + text(g.helix) + " ";
    if (g.helix_dms) out += (*g.helix_dms)[0] + ":" + (*g.helix_dms)[1] + ":" + (*g.helix_dms)[2];
    out += " " + (g.grade ? std::to_string(*g.grade) : "-") + " " + text(g.deviation) + " " +
           (g.tolerance ? std::to_string(*g.tolerance) : "-");
    return out;
}

const std::string kFile = "item,module,teeth,pressure-angle,helix,helix-dms,grade,deviation,tolerance\n"
                          ",2,20,,,,7,e,25\n"
                          "ZKD-S2-20-7,,,,,,,,\n"
                          ",\"2,5\",31,20,19.5283,,6,ab,22\n"
                          ",3,40,14.5,,19 31 42,8,h,30\n"
                          ",０.８,12,25,,,1,a,21\n"
                          ",10,200,,,,12,cd,27\n";

std::vector<std::string> gearsOf(Batch& batch)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        GearInput g;
        EXPECT_EQ(batch.gear(i, g), "") << "row " << i;
        out.push_back(describe(g));
    }
    return out;
}

TEST(BatchGears, KeptAndReadAgainAreTheSame)
{
    Batch reference;
    ASSERT_EQ(parseBatch(kFile, "gears.csv", reference, 0), ""); // every row read again
    const std::vector<std::string> expected = gearsOf(reference);
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(expected[2], "- \"2.5\" \"31\" 20 H \"19.5283\"  6 \"ab\" 22");
    for (const std::size_t rows : {1, 3, 6, 100}) {
        Batch batch;
        ASSERT_EQ(parseBatch(kFile, "gears.csv", batch, rows * sizeof(std::optional<GearInput>)), "");
        EXPECT_EQ(gearsOf(batch), expected) << rows << " rows kept";
    }
}

TEST(BatchGears, AGearAskedForAgainOrOutOfOrderIsTheSame)
{
    Batch reference;
    ASSERT_EQ(parseBatch(kFile, "gears.csv", reference, 0), "");
    const std::vector<std::string> expected = gearsOf(reference);
    Batch batch;
    ASSERT_EQ(parseBatch(kFile, "gears.csv", batch), "");
    for (const std::size_t i : {4, 1, 1, 5, 0, 4, 2, 3, 3}) {
        GearInput g;
        ASSERT_EQ(batch.gear(i, g), "");
        EXPECT_EQ(describe(g), expected[i]) << "row " << i;
    }
}

TEST(BatchGears, ABadRowIsReportedWhateverIsKept)
{
    const std::string bad = kFile + ",2,20.5,,,,,,\n";
    for (const std::size_t kept : {std::size_t{0}, gearcalc::report::kKeptGearBytes}) {
        Batch batch;
        const std::string e = parseBatch(bad, "gears.csv", batch, kept);
        EXPECT_TRUE(e.starts_with("gears.csv:8: --teeth")) << e;
    }
}

} // namespace
