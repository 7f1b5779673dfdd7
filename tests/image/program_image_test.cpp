// The program's own image: the real main window survives form -> image ->
// form, the records of 35 elements start at 316, and imgtool's commands.
#include "image_test_support.hpp"

#include "imgtool.hpp"
#include "logo_jpeg.hpp"

#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/main_form.hpp>
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace imagetest {
namespace {

class ProgramImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        bytes = written(imgtool::programImage());
        img::Result<img::Image> r = img::readImage(bytes);
        ASSERT_TRUE(r.ok()) << r.error().message;
        image = std::move(r).value();
    }
    std::vector<uint8_t> bytes;
    img::Image image;
};

TEST_F(ProgramImage, MainWindowRoundTripsWithItsLogo)
{
    expectSameForm(gearcalc::mainWindowForm(), image.program.form);
    const auto& els = image.program.form.elements;
    const auto picture = std::find_if(els.begin(), els.end(), [](const f::Element& e) { return e.kind == f::kPictureBox; });
    ASSERT_NE(picture, els.end());
    EXPECT_EQ(picture->picture, std::vector<uint8_t>(kLogoJpeg, kLogoJpeg + kLogoJpegSize));
    EXPECT_EQ(written(image.program), bytes);
}

TEST_F(ProgramImage, RecordsOfTheThirtyFiveElementsStartAt316)
{
    const size_t form = image.sections[img::kForm].data_offset;
    ASSERT_EQ(u32(bytes, form + 28), 35u);
    EXPECT_EQ(u32(bytes, form + 36), gearcalc::kWindowSelf);
    EXPECT_EQ(u32(bytes, form + 40), 0x1601008Eu); // the highest control identity
    EXPECT_EQ(u32(bytes, form + 36 + 4 * 34), 0x16010017u);
    // The window's record is first in the form's order: offset 0, at 316.
    EXPECT_EQ(u32(bytes, form + 176), 0u);
    EXPECT_EQ(u32(bytes, form + 316 + 4), f::kWindow);
}

TEST_F(ProgramImage, RoutinesBindByNameAndTheStartRoutineIsTheHeaders)
{
    const auto routines = gearcalc::routineTable();
    ASSERT_EQ(image.program.routines.size(), routines.size());
    for (size_t i = 0; i < routines.size(); ++i) EXPECT_EQ(image.program.routines[i], routines[i].name);
    EXPECT_EQ(image.program.start_routine, gearcalc::kStartRoutine);
    EXPECT_EQ(image.header.start_routine,
              image.sections[img::kCode].data_offset + image.linkage.routine_entries[gearcalc::kStartRoutine]);
    EXPECT_EQ(image.program.routines[image.program.routine_values.back()], "gc_exit");
    EXPECT_EQ(image.linkage.services.size(), 11u);
    // The report's texts travel as GBK and come back as UTF-8.
    EXPECT_NE(std::find(image.program.constants.begin(), image.program.constants.end(),
                        img::Constant::ofText("\r\n公法线跨齿数：")),
              image.program.constants.end());
}

class ImgTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("imgtool_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = (dir / "gearcalc.img").string();
        ASSERT_EQ(imgtool::pack(path, out, err), 0) << err.str();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    std::string path;
    std::ostringstream out, err;
};

TEST_F(ImgTool, PackedImageVerifiesAndGivesItsLogoBack)
{
    EXPECT_EQ(imgtool::verify(path, out, err), 0) << err.str();
    const std::string jpeg = (dir / "logo.jpg").string();
    ASSERT_EQ(imgtool::extractLogo(path, jpeg, out, err), 0) << err.str();
    std::ifstream in(jpeg, std::ios::binary);
    const std::vector<uint8_t> got{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(got, std::vector<uint8_t>(kLogoJpeg, kLogoJpeg + kLogoJpegSize));
    EXPECT_EQ(imgtool::inspect(path, out, err), 0);
    EXPECT_NE(out.str().find("fix-ups: "), std::string::npos);
    EXPECT_NE(out.str().find("计算按钮"), std::string::npos);
}

TEST_F(ImgTool, VerifyNamesTheFileAndTheFirstViolation)
{
    {
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(44);
        f.put(4);
    }
    EXPECT_EQ(imgtool::verify(path, out, err), 1);
    EXPECT_EQ(err.str(), path + ": header: fixed value at 0x2C is 0x4, expected 0x3\n");
    EXPECT_EQ(imgtool::extractLogo(path, (dir / "x.jpg").string(), out, err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
}

} // namespace
} // namespace imagetest
