// Loading a program from its image: what is bound, and the clear refusals
// for damaged images, missing routines and missing or wrong libraries.
#include "program_loader.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace gr {
namespace {

gr_status noop(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept
{
    return GR_OK;
}

gr_routine_fn knownRoutines(const char* name)
{
    const std::string_view n(name);
    return n == "go" || n == "quit" ? noop : nullptr;
}

image::Program smallProgram()
{
    image::Program p;
    p.form.identity = 0x52010001;
    form::Element window;
    window.kind = form::kWindow;
    window.identity = 0x06010000;
    window.width = 100;
    window.height = 80;
    window.layout_version = 6;
    window.text = "窗口";
    window.events = {{form::kEventCreated, 1}};
    p.form.elements.push_back(window);
    p.routines = {"go", "quit"};
    p.start_routine = 0;
    p.routine_values = {1};
    p.constants = {image::Constant::ofText("\r\n模数："), image::Constant::ofNumber(180.0)};
    return p;
}

std::vector<uint8_t> bytesOf(const image::Program& p)
{
    image::Result<std::vector<uint8_t>> written = image::writeImage(p);
    EXPECT_TRUE(written.ok()) << (written.ok() ? "" : written.error().message);
    return written.ok() ? written.value() : std::vector<uint8_t>{};
}

TEST(ProgramLoader, BindsRoutinesByNameAndResolvesConstants)
{
    std::vector<uint8_t> bytes = bytesOf(smallProgram());
    LoadResult r = loadProgram(bytes, knownRoutines, {});
    ASSERT_TRUE(r.program) << r.error;
    const ProgramDescription& d = r.program->description;
    ASSERT_EQ(d.routine_count, 2u);
    EXPECT_EQ(d.routines[0].fn, noop);
    EXPECT_STREQ(d.routines[1].name, "quit");
    EXPECT_EQ(d.start_routine, 0u);
    ASSERT_EQ(d.constant_count, 2u);
    EXPECT_EQ(d.constants[0], "\r\n模数：");
    ASSERT_NE(d.form, nullptr);
    EXPECT_EQ(d.form->elements.front().text, "窗口");
}

TEST(ProgramLoader, RefusesADamagedImageWithAClearMessage)
{
    std::vector<uint8_t> bytes = bytesOf(smallProgram());
    bytes[0] = 'X';
    LoadResult r = loadProgram(bytes, knownRoutines, {});
    EXPECT_FALSE(r.program);
    EXPECT_NE(r.error.find("程序映像已损坏"), std::string::npos) << r.error;

    std::vector<uint8_t> cut = bytesOf(smallProgram());
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(loadProgram(cut, knownRoutines, {}).program);
    EXPECT_FALSE(loadProgram({}, knownRoutines, {}).program);
}

TEST(ProgramLoader, NamesARoutineTheProgramDoesNotExport)
{
    image::Program p = smallProgram();
    p.routines[1] = "missing_entry";
    LoadResult r = loadProgram(bytesOf(p), knownRoutines, {});
    EXPECT_FALSE(r.program);
    EXPECT_NE(r.error.find("missing_entry"), std::string::npos) << r.error;
}

TEST(ProgramLoader, RequiresTheCoreRuntimeVersionFive)
{
    image::Program p = smallProgram();
    p.libraries[0].major = 6;
    LoadResult r = loadProgram(bytesOf(p), knownRoutines, {});
    EXPECT_FALSE(r.program);
    EXPECT_NE(r.error.find("tavrn"), std::string::npos) << r.error;
}

TEST(ProgramLoader, ChecksTheSupportLibrariesInTheRuntimeFolder)
{
    std::vector<uint8_t> bytes = bytesOf(smallProgram());
    EXPECT_TRUE(loadProgram(bytes, knownRoutines, LoadOptions{GEARCALC_DIST_DIR}).program);

    LoadResult missing = loadProgram(bytes, knownRoutines, LoadOptions{"/nonexistent-folder"});
    EXPECT_FALSE(missing.program);
    EXPECT_NE(missing.error.find("stylx.vlr"), std::string::npos) << missing.error;

    image::Program p = smallProgram();
    p.libraries[1].major = 3; // the style library here is 2.0
    LoadResult wrong = loadProgram(bytesOf(p), knownRoutines, LoadOptions{GEARCALC_DIST_DIR});
    EXPECT_FALSE(wrong.program);
    EXPECT_NE(wrong.error.find("2.0"), std::string::npos) << wrong.error;
}

} // namespace
} // namespace gr
