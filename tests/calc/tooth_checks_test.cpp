// Chordal tooth thickness, ISO 1328-1:2013 tolerances and the backlash of a
// pair, against values computed beforehand in 30-digit arithmetic by
// tooth_checks_reference.py (written from the equations, not from this
// code), the published figures, the rounding rule's edges and the refusals.
#include "gearcalc/tooth_checks.hpp"

#include "named_rows.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>

namespace {

using namespace gearcalc::inspection;

using named_rows::RowName;

void expectClose(double actual, double expected, const char* what)
{
    EXPECT_NEAR(actual, expected, 1e-11 * std::max(1.0, std::fabs(expected))) << what;
}

// ---- chordal tooth ----

struct ChordalRow {
    const char* name;
    double module, teeth, pressure, helix, upper, tolerance;
    // s̄ and h̄: nominal, at A, at A − T; exact and as printed.
    std::array<double, 6> exact;
    std::array<const char*, 6> printed;
};
NAMED_ROW_PRINTER(ChordalRow)

const ChordalRow kChordal[] = {
    {"PublishedSpurM10Z12", 10, 12, 20, 0, 0, 0, {15.663143066406191, 10.513308317571375, 15.663143066406191, 10.513308317571375, 15.663143066406191, 10.513308317571375}, {"15.6631", "10.5133", "15.6631", "10.5133", "15.6631", "10.5133"}},
    {"SpurEvenM2Z20", 2, 20, 20, 0, -0.03, 0.03, {3.1383638291137978, 2.0616533253374405, 3.1084554292408483, 2.0604820466715953, 3.0785452808618019, 2.0593219839840731}, {"3.1384", "2.0617", "3.1085", "2.0605", "3.0785", "2.0593"}},
    {"SpurOddM3Z17", 3, 17, 20, 0, -0.04, 0.04, {4.7056863326284018, 3.1087785044766197, 4.665855522313352, 3.106940947155963, 4.6260218418066633, 3.1051190103245036}, {"4.7057", "3.1088", "4.6659", "3.1069", "4.6260", "3.1051"}},
    {"SpurOddSmallModule", 0.5, 41, 20, 0, -0.022, 0.012, {0.78520604064572465, 0.50752164422919729, 0.76322173672333421, 0.5071062123466176, 0.75122992611610372, 0.50688458526767852}, {"0.7852", "0.5075", "0.7632", "0.5071", "0.7512", "0.5069"}},
    {"SpurFewTeethOdd", 1, 7, 20, 0, -0.022, 0.02, {1.5576465376942008, 1.0877523073636174, 1.5361904660755756, 1.0853214334311602, 1.5166717735103902, 1.0831408160623283}, {"1.5576", "1.0878", "1.5362", "1.0853", "1.5167", "1.0831"}},
    {"SpurPressureAngle25", 3, 24, 25, 0, -0.04, 0.025, {4.7090253045703008, 3.0770787634102738, 4.6691102229925471, 3.0757762445535001, 4.6441625644242886, 3.0749678007270256}, {"4.7090", "3.0771", "4.6691", "3.0758", "4.6442", "3.0750"}},
    {"HelicalEvenCatalogueAngle", 2, 20, 20, 19.5283, -0.03, 0.03, {3.1392624538156844, 2.0523810708590611, 3.1093285641066827, 2.0513858050094288, 3.0793934122779399, 2.0504000750075296}, {"3.1393", "2.0524", "3.1093", "2.0514", "3.0794", "2.0504"}},
    {"HelicalOddM15Z31", 1.5, 31, 20, 15.5, -0.03, 0.05, {2.3553726765696447, 1.5269435518427012, 2.3254036674578171, 1.5262619237534956, 2.2754535706244017, 1.5251452736314342}, {"2.3554", "1.5269", "2.3254", "1.5263", "2.2755", "1.5251"}},
    {"HelicalLargeModule", 20, 25, 20, 12, -0.1, 0.08, {31.397633435119602, 20.464136481026001, 31.297807545789299, 20.46118725274093, 31.217946036323778, 20.458834632191219}, {"31.3976", "20.4641", "31.2978", "20.4612", "31.2179", "20.4588"}},
    {"HelicalOddLargeModule", 8, 47, 20, 30, -0.075, 0.06, {12.565305244762675, 8.0708529322284051, 12.490324206193919, 8.0700097468014227, 12.430339212320933, 8.0693388320194194}, {"12.5653", "8.0709", "12.4903", "8.0700", "12.4303", "8.0693"}},
    {"HelicalSteepManyTeeth", 1, 400, 20, 40, -0.064, 0.1, {1.5707953710153541, 1.0007503335146268, 1.5067954831459582, 1.0006904364443852, 1.4067956402138785, 1.0006018344843983}, {"1.5708", "1.0008", "1.5068", "1.0007", "1.4068", "1.0006"}},
};

class ChordalFigures : public testing::TestWithParam<ChordalRow> {};

TEST_P(ChordalFigures, MatchTheReferenceToThePrintedDigit)
{
    const ChordalRow& r = GetParam();
    const Result<ChordalTooth> t =
        ChordalToothThickness({r.module, r.teeth, r.pressure, r.helix}, r.upper, r.tolerance);
    ASSERT_TRUE(t) << t.problem();
    ASSERT_TRUE(t->upper && t->lower);
    const std::array<double, 6> got = {t->nominal.thickness, t->nominal.height, t->upper->thickness,
                                       t->upper->height,     t->lower->thickness, t->lower->height};
    const char* names[] = {"s nominal", "h nominal", "s at A", "h at A", "s at A-T", "h at A-T"};
    for (std::size_t i = 0; i < got.size(); ++i) {
        expectClose(got[i], r.exact[i], names[i]);
        EXPECT_EQ(FourDecimals(got[i]), r.printed[i]) << names[i];
    }
    // The one-allowance form gives the same chord.
    const Result<Chordal> at_a = ChordalAt({r.module, r.teeth, r.pressure, r.helix}, r.upper);
    ASSERT_TRUE(at_a);
    EXPECT_EQ(at_a->thickness, t->upper->thickness);
}

INSTANTIATE_TEST_SUITE_P(Gears, ChordalFigures, testing::ValuesIn(kChordal), RowName());

TEST(ChordalTooth, WithoutAllowancesOnlyTheNominalAndToleranceAloneMeasuresFromIt)
{
    const Gear gear{2, 20, 20, 0};
    const Result<ChordalTooth> none = ChordalToothThickness(gear, std::nullopt, std::nullopt);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->upper);
    EXPECT_FALSE(none->lower);
    const Result<ChordalTooth> tolerance_only = ChordalToothThickness(gear, std::nullopt, 0.06);
    ASSERT_TRUE(tolerance_only);
    EXPECT_FALSE(tolerance_only->upper);
    // A − T with A = 0 is the reference row's A − T (−0.03 − 0.03).
    EXPECT_EQ(FourDecimals(tolerance_only->lower->thickness), "3.0785");
}

struct ChordalRefusal {
    const char* name;
    Gear gear;
    std::optional<double> upper, tolerance;
    const char* says;
};
NAMED_ROW_PRINTER(ChordalRefusal)

const ChordalRefusal kChordalRefusals[] = {
    {"AllowanceEatsTheTooth", {2, 20, 20, 0}, -3.2, std::nullopt, "leaves no tooth (the tooth is 3.1416 mm thick) at the upper allowance"},
    {"ToleranceEatsTheTooth", {2, 20, 20, 0}, -0.03, 3.2, "mm thick) at the lower allowance"},
    {"AllowanceFillsTheSpace", {2, 20, 20, 0}, 3.2, std::nullopt, "leaves no tooth space"},
    {"AllowanceNotANumber", {2, 20, 20, 0}, NAN, std::nullopt, "not a number"},
    {"ModuleZero", {0, 20, 20, 0}, std::nullopt, std::nullopt, "module must be a positive number"},
    {"TeethFraction", {2, 20.5, 20, 0}, std::nullopt, std::nullopt, "whole number"},
    {"HelixRightAngle", {2, 20, 20, 90}, std::nullopt, std::nullopt, "helix angle"},
};

class ChordalRefusals : public testing::TestWithParam<ChordalRefusal> {};

TEST_P(ChordalRefusals, SayWhyInsteadOfANumber)
{
    const ChordalRefusal& r = GetParam();
    const Result<ChordalTooth> t = ChordalToothThickness(r.gear, r.upper, r.tolerance);
    ASSERT_FALSE(t);
    EXPECT_NE(t.problem().find(r.says), std::string::npos) << t.problem();
}

INSTANTIATE_TEST_SUITE_P(Inputs, ChordalRefusals, testing::ValuesIn(kChordalRefusals), RowName());

// ---- tolerances ----

struct ToleranceRow {
    const char* name;
    double module, teeth, helix;
    int tolerance_class;
    double face_width; // 0: none given
    // fpT FpT fHαT ffαT FαT fHβT ffβT FβT FrT, µm: exact (0 without b) and printed
    std::array<double, 9> exact;
    std::array<const char*, 9> printed;
};
NAMED_ROW_PRINTER(ToleranceRow)

const ToleranceRow kTolerances[] = {
    {"PublishedM3Z40B30Class6", 3, 40, 0, 6, 30, {8.9378297141979607, 28.8003858460865, 7.5236161518248657, 9.4045201897810821, 12.043662233722764, 9.1425392610790554, 10.226974598017132, 13.717763431728207, 25.92034726147785}, {"9.0", "29", "7.5", "9.5", "12", "9.0", "10", "14", "26"}},
    {"SpurClass5NoFaceWidth", 2, 20, 0, 5, 0, {5.84, 16.958505426185217, 4.84, 6.1, 7.7868864124244165, 0, 0, 0, 15.262654883566696}, {"6.0", "17", "4.8", "6.0", "8.0", nullptr, nullptr, nullptr, "15"}},
    {"SpurFinestClass", 1, 25, 0, 1, 10, {1.35625, 3.875, 1.10625, 1.3875, 1.7745267855121263, 1.3391992952647332, 1.4432562367689427, 1.9688685373609911, 3.4875}, {"1.4", "3.9", "1.1", "1.4", "1.8", "1.3", "1.4", "2.0", "3.5"}},
    {"SpurCoarsestClass", 10, 60, 0, 11, 100, {76.8, 269.37754868245984, 68.8, 84.0, 108.57918769266972, 69.797958971132712, 81.717142559585797, 107.46835099060371, 242.43979381421385}, {"77", "269", "69", "84", "109", "70", "82", "107", "242"}},
    {"HelicalOddClass7", 1.5, 31, 15.5, 7, 20, {11.296510025902913, 33.934261159849883, 9.296510025902913, 11.65, 14.90461668952655, 11.825153451049165, 12.997443955068865, 17.571789991518114, 30.540835043864895}, {"11", "34", "9.5", "12", "15", "12", "13", "18", "31"}},
    {"HelicalCatalogueClass4", 2, 20, 19.5283, 4, 6, {4.1312299160397923, 12.068877543774888, 3.4241231348532448, 4.3133513652379399, 5.507233356471942, 3.6649744988097988, 3.9303114161324871, 5.3739544010632889, 10.861989789397399}, {"4.1", "12", "3.4", "4.3", "5.5", "3.7", "3.9", "5.5", "11"}},
    {"HelicalLargeModuleClass9", 20, 25, 12, 9, 250, {54.044681189730059, 157.82932859952676, 50.044681189730059, 64.0, 81.243277355001636, 42.657758732093805, 50.791040096796623, 66.328079530165259, 142.04639573957409}, {"54", "158", "50", "64", "81", "43", "51", "66", "142"}},
    {"SmallestRangeCorner", 0.5, 10, 0, 3, 4, {2.6025, 6.7949186938124422, 2.1025, 2.6375, 3.3729679067551176, 2.4059016994374947, 2.5282623792124926, 3.490053530463027, 6.1154268244311979}, {"2.6", "7.0", "2.1", "2.6", "3.4", "2.4", "2.5", "3.5", "6.0"}},
    {"LargeGearClass8", 40, 301, 30, 8, 1200, {98.719444957149278, 375.20580360846329, 95.891017832403088, 76.367532368147133, 122.58502070373136, 62.281452892827173, 78.749367061911054, 100.40140530437336, 337.68522324761696}, {"99", "375", "96", "76", "123", "62", "79", "100", "338"}},
    {"ProfileFormOnAHalfStep", 5, 20, 0, 5, 0, {7.1, 21.2, 6.1, 7.75, 9.8626821909661066, 0, 0, 0, 19.08}, {"7.0", "21", "6.0", "8.0", "10.0", nullptr, nullptr, nullptr, "19"}},
};

class ToleranceFigures : public testing::TestWithParam<ToleranceRow> {};

TEST_P(ToleranceFigures, MatchTheReferenceAndRoundByTheStandardsRule)
{
    const ToleranceRow& r = GetParam();
    const std::optional<double> b = r.face_width > 0 ? std::optional<double>(r.face_width) : std::nullopt;
    const Result<IsoTolerances> t = Iso1328Tolerances({r.module, r.teeth, 20, r.helix}, r.tolerance_class, b);
    ASSERT_TRUE(t) << t.problem();
    EXPECT_EQ(t->tolerance_class, r.tolerance_class);
    const std::array<std::optional<Tolerance>, 9> got = {t->fpT, t->FpT, t->fHaT, t->ffaT, t->FaT,
                                                         t->fHbT, t->ffbT, t->FbT, t->FrT};
    const char* names[] = {"fpT", "FpT", "fHaT", "ffaT", "FaT", "fHbT", "ffbT", "FbT", "FrT"};
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (r.printed[i] == nullptr) {
            EXPECT_FALSE(got[i]) << names[i] << " without a face width";
            continue;
        }
        ASSERT_TRUE(got[i]) << names[i];
        expectClose(got[i]->exact, r.exact[i], names[i]);
        EXPECT_EQ(ToleranceText(*got[i]), r.printed[i]) << names[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Gears, ToleranceFigures, testing::ValuesIn(kTolerances), RowName());

TEST(IsoTolerances, PublishedExample)
{
    const Result<IsoTolerances> t = Iso1328Tolerances({3, 40, 20, 0}, 6, 30.0);
    ASSERT_TRUE(t) << t.problem();
    EXPECT_EQ(ToleranceText(t->fpT), "9.0");
    EXPECT_EQ(ToleranceText(t->FpT), "29");
    EXPECT_EQ(ToleranceText(t->FaT), "12");
}

struct RoundingRow {
    const char* name;
    double micrometres;
    const char* printed;
};
NAMED_ROW_PRINTER(RoundingRow)

// Above 10 µm to whole µm, from 5 to 10 µm to 0.5 µm, below 5 µm to 0.1 µm;
// the step is chosen by the unrounded value, halves round up.
const RoundingRow kRounding[] = {
    {"AboveTenWhole", 10.2, "10"},
    {"AboveTenHalfUp", 12.5, "13"},
    {"AboveTenJustBelowHalf", 12.49, "12"},
    {"TenItselfTakesHalfSteps", 10.0, "10.0"},
    {"JustBelowTenRoundsToTen", 9.76, "10.0"},
    {"HalfStepHalfUp", 7.25, "7.5"},
    {"HalfStepDown", 7.24, "7.0"},
    {"FiveItselfTakesHalfSteps", 5.0, "5.0"},
    {"FiveTakesHalfStepsUp", 5.3, "5.5"},
    {"BelowFiveTenths", 4.94, "4.9"},
    {"BelowFiveTenthHalfUp", 4.95, "5.0"},
    {"SmallTenthHalfUp", 0.05, "0.1"},
    {"LargeWhole", 1234.5, "1235"},
};

class ToleranceRounding : public testing::TestWithParam<RoundingRow> {};

TEST_P(ToleranceRounding, StepByTheUnroundedValue)
{
    EXPECT_EQ(ToleranceText(RoundTolerance(GetParam().micrometres)), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(Values, ToleranceRounding, testing::ValuesIn(kRounding), RowName());

struct ToleranceRefusal {
    const char* name;
    Gear gear;
    int tolerance_class;
    std::optional<double> face_width;
    const char* says; // nullptr: accepted (the edge of the range)
};
NAMED_ROW_PRINTER(ToleranceRefusal)

const ToleranceRefusal kToleranceRefusals[] = {
    {"ClassZero", {3, 40, 20, 0}, 0, std::nullopt, "classes 1 to 11"},
    {"ClassTwelve", {3, 40, 20, 0}, 12, std::nullopt, "classes 1 to 11"},
    {"FourTeeth", {3, 4, 20, 0}, 6, std::nullopt, "number of teeth 4 lies outside"},
    {"ThousandAndOneTeeth", {1, 1001, 20, 0}, 6, std::nullopt, "number of teeth 1001 lies outside"},
    {"ModuleTooSmall", {0.4, 20, 20, 0}, 6, std::nullopt, "module 0.4 lies outside"},
    {"ModuleTooLarge", {71, 20, 20, 0}, 6, std::nullopt, "module 71 lies outside"},
    {"DiameterTooSmall", {0.5, 9, 20, 0}, 6, std::nullopt, "reference diameter 4.5 lies outside"},
    {"DiameterTooLarge", {70, 250, 20, 0}, 6, std::nullopt, "reference diameter 17500 lies outside"},
    {"HelixSteeperThan45", {2, 20, 20, 45.5}, 6, std::nullopt, "helix angle 45.5 lies outside"},
    {"FaceWidthTooNarrow", {3, 40, 20, 0}, 6, 3.9, "face width 3.9 lies outside"},
    {"FaceWidthTooWide", {3, 40, 20, 0}, 6, 1200.5, "face width 1200.5 lies outside"},
    {"GearRefused", {3, 40, 0, 0}, 6, std::nullopt, "pressure angle"},
    {"EdgeClassOne", {3, 40, 20, 0}, 1, std::nullopt, nullptr},
    {"EdgeClassEleven", {3, 40, 20, 0}, 11, std::nullopt, nullptr},
    {"EdgeFiveTeethAndFiveMillimetres", {1, 5, 20, 0}, 6, 4.0, nullptr},
    {"EdgeHelix45LeftHand", {2, 20, 20, -45}, 6, 1200.0, nullptr},
    {"EdgeModule70", {70, 200, 20, 0}, 6, std::nullopt, nullptr},
};

class ToleranceRefusals : public testing::TestWithParam<ToleranceRefusal> {};

TEST_P(ToleranceRefusals, OutsideTheStandardNoNumber)
{
    const ToleranceRefusal& r = GetParam();
    const Result<IsoTolerances> t = Iso1328Tolerances(r.gear, r.tolerance_class, r.face_width);
    if (r.says == nullptr) {
        EXPECT_TRUE(t) << t.problem();
        return;
    }
    ASSERT_FALSE(t);
    EXPECT_NE(t.problem().find(r.says), std::string::npos) << t.problem();
}

INSTANTIATE_TEST_SUITE_P(Inputs, ToleranceRefusals, testing::ValuesIn(kToleranceRefusals), RowName());

// ---- backlash ----

struct PairRow {
    const char* name;
    double module, teeth, mate_teeth, pressure, helix;
    double a1, t1, a2, t2, upper, lower;
    std::array<double, 5> exact; // a, jt min, jt max, jn min, jn max
    std::array<const char*, 5> printed;
};
NAMED_ROW_PRINTER(PairRow)

const PairRow kPairs[] = {
    {"SpurSeriesE25NoAllowance", 2, 20, 30, 20, 0, -0.03, 0.03, -0.04, 0.04, 0, 0, {50.0, 0.07, 0.14, 0.065778483455013587, 0.13155696691002717}, {"50.0000", "0.0700", "0.1400", "0.0658", "0.1316"}},
    {"SpurWithCentreAllowances", 2, 20, 30, 20, 0, -0.03, 0.03, -0.04, 0.04, 0.03, -0.01, {50.0, 0.062720595314675953, 0.16183821405597214, 0.058938080588500212, 0.1520781755095673}, {"50.0000", "0.0627", "0.1618", "0.0589", "0.1521"}},
    {"HelicalOddPair", 1.5, 31, 45, 20, 15.5, -0.04, 0.04, -0.04, 0.04, 0.02, 0, {59.151306198559582, 0.083019377120785378, 0.18114704531121398, 0.075175409662872671, 0.16403162505877209}, {"59.1513", "0.0830", "0.1811", "0.0752", "0.1640"}},
    {"HelicalCatalogueAngle", 2, 20, 41, 20, 19.5283, -0.03, 0.03, -0.04, 0.04, 0.027, -0.027, {64.723099231028935, 0.053418421972724643, 0.16939880488819464, 0.047309395715427475, 0.15002605464961329}, {"64.7231", "0.0534", "0.1694", "0.0473", "0.1500"}},
    {"LargeModulePair", 8, 47, 93, 20, 12, -0.075, 0.06, -0.1, 0.08, 0.05, 0.02, {572.51073312441639, 0.19379366593389506, 0.35924744196377156, 0.17812701437056072, 0.33020518988012801}, {"572.5107", "0.1938", "0.3592", "0.1781", "0.3302"}},
    {"InterferenceSeriesH", 2, 20, 30, 20, 0, 0, 0.03, 0, 0.04, 0.03, -0.01, {50.0, -0.0072794046853240472, 0.091838214055972142, -0.0068404028665133747, 0.086299692054553711}, {"50.0000", "-0.0073", "0.0918", "-0.0068", "0.0863"}},
    {"PressureAngle25", 3, 17, 24, 25, 0, -0.04, 0.04, -0.06, 0.04, 0, 0, {61.5, 0.1, 0.18, 0.090630778703664996, 0.16313540166659699}, {"61.5000", "0.1000", "0.1800", "0.0906", "0.1631"}},
};

class PairFigures : public testing::TestWithParam<PairRow> {};

TEST_P(PairFigures, MatchTheReference)
{
    const PairRow& r = GetParam();
    // The mate of a helical gear has the opposite hand.
    const PairGear first{{r.module, r.teeth, r.pressure, r.helix}, r.a1, r.t1};
    const PairGear mate{{r.module, r.mate_teeth, r.pressure, -r.helix}, r.a2, r.t2};
    const Result<Backlash> b = PairBacklash(first, mate, {r.upper, r.lower});
    ASSERT_TRUE(b) << b.problem();
    const std::array<double, 5> got = {b->centre_distance, b->jt_min, b->jt_max, b->jn_min, b->jn_max};
    const char* names[] = {"a", "jt min", "jt max", "jn min", "jn max"};
    for (std::size_t i = 0; i < got.size(); ++i) {
        expectClose(got[i], r.exact[i], names[i]);
        EXPECT_EQ(FourDecimals(got[i]), r.printed[i]) << names[i];
    }
    EXPECT_EQ(b->interference, r.exact[1] < 0);
    EXPECT_NEAR(b->first_pitch_diameter + b->mate_pitch_diameter, 2 * r.exact[0], 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Pairs, PairFigures, testing::ValuesIn(kPairs), RowName());

TEST(PairBacklash, ZeroAllowancesGiveZeroBacklashWithoutInterference)
{
    const Result<Backlash> b = PairBacklash({{2, 20, 20, 0}, 0, 0.03}, {{2, 30, 20, 0}, 0, 0.04}, {0, 0});
    ASSERT_TRUE(b);
    EXPECT_EQ(b->jt_min, 0.0);
    EXPECT_FALSE(b->interference);
}

struct PairRefusal {
    const char* name;
    PairGear first, mate;
    CentreDistanceAllowances allowances;
    const char* says;
};
NAMED_ROW_PRINTER(PairRefusal)

const PairRefusal kPairRefusals[] = {
    {"ModuleDiffers", {{2, 20, 20, 0}, -0.03, 0.03}, {{2.5, 30, 20, 0}, -0.04, 0.04}, {}, "module 2.5 differs"},
    {"PressureAngleDiffers", {{2, 20, 20, 0}, -0.03, 0.03}, {{2, 30, 25, 0}, -0.04, 0.04}, {},
     "pressure angle 25 differs"},
    {"HelixDiffers", {{2, 20, 20, 19.5283}, -0.03, 0.03}, {{2, 30, 20, 15}, -0.04, 0.04}, {}, "helix angle 15 differs"},
    {"SpurWithHelical", {{2, 20, 20, 0}, -0.03, 0.03}, {{2, 30, 20, 19.5283}, -0.04, 0.04}, {}, "helix angle"},
    {"ToleranceZero", {{2, 20, 20, 0}, -0.03, 0}, {{2, 30, 20, 0}, -0.04, 0.04}, {}, "tolerance must be a positive"},
    {"MateToleranceNegative", {{2, 20, 20, 0}, -0.03, 0.03}, {{2, 30, 20, 0}, -0.04, -0.04}, {},
     "the mate's tooth-thickness tolerance"},
    {"AllowanceNotANumber", {{2, 20, 20, 0}, NAN, 0.03}, {{2, 30, 20, 0}, -0.04, 0.04}, {}, "not a number"},
    {"CentreAllowancesSwapped", {{2, 20, 20, 0}, -0.03, 0.03}, {{2, 30, 20, 0}, -0.04, 0.04}, {-0.01, 0.03},
     "lies below the lower"},
    {"MateTeethFraction", {{2, 20, 20, 0}, -0.03, 0.03}, {{2, 30.5, 20, 0}, -0.04, 0.04}, {}, "the mate: "},
};

class PairRefusals : public testing::TestWithParam<PairRefusal> {};

TEST_P(PairRefusals, SayWhyInsteadOfANumber)
{
    const PairRefusal& r = GetParam();
    const Result<Backlash> b = PairBacklash(r.first, r.mate, r.allowances);
    ASSERT_FALSE(b);
    EXPECT_NE(b.problem().find(r.says), std::string::npos) << b.problem();
}

INSTANTIATE_TEST_SUITE_P(Inputs, PairRefusals, testing::ValuesIn(kPairRefusals), RowName());

} // namespace
