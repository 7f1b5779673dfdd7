// The catalogue data that ships: built from the CSV sources as the build
// does, checked clean, and looked up the way the calculation looks them up,
// against cells of the DIN 3967 tables.
#include "catalogue_test_support.hpp"
#include <geardb/database_set.hpp>
#include "edbtool.hpp"

using gr::db::DatabaseSet;
using gr::db::Expect;
using gr::db::SearchOutcome;
using namespace test_support;

namespace {

const std::string kSources = GEAR_CATALOGUE_SOURCES;

class ShippedCatalogues : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir();
        for (const char* name : {"spc", "gc", "ZKD"}) {
            const std::string csv = readBytes(kSources + "/" + name + ".csv");
            ASSERT_FALSE(csv.empty()) << name;
            ASSERT_EQ(edbtool::createFromCsv(dir->file(std::string(name) + ".edb"), csv), "")
                << name;
        }
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(set.open(dir->file("spc.edb"), "S"), "");
        ASSERT_EQ(set.open(dir->file("gc.edb"), "G"), "");
        ASSERT_EQ(set.open(dir->file("ZKD.edb"), "Z"), "");
    }

    // The calculation's range lookup: the first row with
    // 最小 - 1e-7 <= d <= 最大 + 1e-7, then the series field of that row.
    double lookUp(const char* alias, double d, const std::string& series)
    {
        set.select(alias);
        set.goFirst();
        const auto outcome = set.search([&] {
            const auto lo = set.readField("最小", Expect::Number);
            if (lo.status != GR_OK) return -1;
            if (!(lo.value.d - d <= 1e-7)) return 0;
            const auto hi = set.readField("最大", Expect::Number);
            if (hi.status != GR_OK) return -1;
            return hi.value.d - d >= -1e-7 ? 1 : 0;
        });
        EXPECT_EQ(outcome, SearchOutcome::Found) << alias << " d=" << d;
        const auto value = set.readField(series, Expect::Number);
        EXPECT_EQ(value.status, GR_OK) << value.message;
        return value.value.d;
    }

    static TempDir* dir;
    DatabaseSet set;
};

TempDir* ShippedCatalogues::dir = nullptr;

TEST_F(ShippedCatalogues, CheckCleanAndExportToTheirSources)
{
    for (const char* name : {"spc", "gc", "ZKD"}) {
        const auto loaded = gr::db::Catalogue::load(dir->file(std::string(name) + ".edb"));
        ASSERT_TRUE(loaded.catalogue) << loaded.error;
        const auto report =
            edbtool::checkCatalogue(*loaded.catalogue, edbtool::CatalogueKind::Auto);
        EXPECT_TRUE(report.errors.empty()) << name << ": " << report.errors.front();
        EXPECT_TRUE(report.warnings.empty()) << name << ": " << report.warnings.front();
        // The sources are kept in the canonical form that export writes.
        EXPECT_EQ(edbtool::exportToCsv(*loaded.catalogue),
                  readBytes(kSources + "/" + name + ".csv"));
    }
}

struct Cell {
    const char* name;
    const char* alias;
    double diameter;
    const char* series;
    double value; // mm
    friend void PrintTo(const Cell& c, std::ostream* os) { *os << c.name; }
};

class ReferenceCells : public ShippedCatalogues, public ::testing::WithParamInterface<Cell> {};

TEST_P(ReferenceCells, LookupGivesTableValue)
{
    const Cell& c = GetParam();
    EXPECT_DOUBLE_EQ(lookUp(c.alias, c.diameter, c.series), c.value);
}

// Values from the DIN 3967 tables (micrometres there, millimetres here).
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, ReferenceCells, ::testing::Values(
    Cell{"cd_50_125", "S", 100, "cd", -0.070},
    Cell{"s27_50_125", "G", 100, "二十七", 0.100},
    Cell{"a_0_10", "S", 5, "a", -0.100},
    Cell{"e_10_50", "S", 30, "e", -0.030},
    Cell{"f_125_280_single_source", "S", 200, "f", -0.026},
    Cell{"s29_0_10_single_source", "G", 5, "二十九", 0.130},
    Cell{"b_1000_1600", "S", 1234, "b", -0.420},
    Cell{"bc_6300_10000", "S", 8000, "bc", -1.150},
    Cell{"h_is_zero", "S", 700, "h", 0.0},
    Cell{"s21_280_560", "G", 300, "二十一", 0.010},
    Cell{"s30_6300_10000", "G", 9999, "三十", 2.400},
    Cell{"s25_2500_4000", "G", 3000, "二十五", 0.160},
    // A shared end belongs to the earlier row; 1e-7 of slack on either side.
    Cell{"upper_end_50_is_10_50", "S", 50, "d", -0.044},
    Cell{"within_slack_above_50", "G", 50 + 5e-8, "二十五", 0.030},
    Cell{"beyond_slack_is_next_row", "G", 50 + 1e-6, "二十五", 0.040},
    Cell{"last_end", "S", 10000, "g", -0.100}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ShippedCatalogues, WorkedExampleOfTheStandard)
{
    // "27cd" at d = 100 mm: A_sne = -70 um, A_sni = A_sne - T_sn = -170 um.
    const double upper = lookUp("S", 100, "cd");
    const double tolerance = lookUp("G", 100, "二十七");
    EXPECT_NEAR(upper - tolerance, -0.170, 1e-12);
}

TEST_F(ShippedCatalogues, SampleItemsIncludeModule2With20TeethHelicalAndSpur)
{
    set.select("Z");
    set.goFirst();
    const auto isItem = [&] {
        return set.readField("订货编号", Expect::Text).value.text == "ZKD-H2-20-6";
    };
    ASSERT_EQ(set.search(isItem), SearchOutcome::Found);
    EXPECT_EQ(set.readField("模数", Expect::Number).value.d, 2.0);
    EXPECT_EQ(set.readField("齿数", Expect::Number).value.d, 20.0);
    EXPECT_EQ(set.readField("齿形", Expect::Number).value.d, 1.0);
    EXPECT_EQ(set.readField("精度", Expect::Number).value.d, 6.0);

    set.goFirst();
    const auto isSpurM2Z20 = [&] {
        return set.readField("模数", Expect::Number).value.d == 2.0 &&
               set.readField("齿数", Expect::Number).value.d == 20.0 &&
               set.readField("齿形", Expect::Number).value.d != 1.0;
    };
    EXPECT_EQ(set.search(isSpurM2Z20), SearchOutcome::Found);
}

} // namespace
