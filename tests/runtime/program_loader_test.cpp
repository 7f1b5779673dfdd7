// Loading a program from its image: what is bound, and the clear refusals
// for damaged images, missing routines and missing or wrong libraries.
#include <gearhost/program_loader.hpp>

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
    p.library_calls = {{1, 0}};
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
    // Numbers, the routines passed as values and the library calls resolve too.
    EXPECT_FALSE(d.constant_is_number[0]);
    ASSERT_TRUE(d.constant_is_number[1]);
    EXPECT_EQ(d.constant_numbers[1], 180.0);
    ASSERT_EQ(d.routine_value_count, 1u);
    EXPECT_EQ(d.routine_values[0], 1u);
    ASSERT_EQ(d.library_call_count, 1u);
    EXPECT_EQ(d.library_calls[0].library, 1);
    EXPECT_EQ(d.library_calls[0].command, 0);
}

TEST(ProgramLoader, ResolvesTheControlTableAndRenumbersItConsistently)
{
    image::Program p = smallProgram();
    form::Element edit;
    edit.kind = form::kEditBox;
    edit.identity = 0x16010005;
    edit.name = "编辑框";
    edit.layout_version = 2;
    edit.events = {{form::kEventClicked, 1}};
    p.form.elements.push_back(edit);
    form::Element label = edit;
    label.kind = form::kLabel;
    label.identity = 0x16010009;
    label.name = "标签";
    label.parent = 0x16010005;
    label.events.clear();
    p.form.elements.push_back(label);
    const std::vector<uint8_t> bytes = bytesOf(p);

    LoadResult as_stored = loadProgram(bytes, knownRoutines, {});
    ASSERT_TRUE(as_stored.program) << as_stored.error;
    const ProgramDescription& d = as_stored.program->description;
    ASSERT_EQ(d.control_count, 3u);
    EXPECT_EQ(d.controls[0].window, 0x52010001u);
    EXPECT_EQ(d.controls[0].control, 0x06010000u);
    EXPECT_EQ(d.controls[1].control, 0x16010005u);
    EXPECT_EQ(d.controls[2].kind, form::kLabel);

    LoadOptions options;
    options.window_base = 0x53000001;
    options.element_base = 0x17000001;
    LoadResult moved = loadProgram(bytes, knownRoutines, options);
    ASSERT_TRUE(moved.program) << moved.error;
    const ProgramDescription& m = moved.program->description;
    EXPECT_EQ(m.form->identity, 0x53000001u);
    ASSERT_EQ(m.control_count, 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.controls[i].window, 0x53000001u);
        EXPECT_EQ(m.controls[i].control, 0x17000001u + i);
        EXPECT_EQ(m.controls[i].control, m.form->elements[i].identity);
        EXPECT_EQ(m.controls[i].kind, d.controls[i].kind);
    }
    EXPECT_EQ(m.form->elements[2].parent, 0x17000002u); // follows the element it named
    ASSERT_EQ(m.form->elements[1].events.size(), 1u); // bindings name routines, not identities
    EXPECT_EQ(m.form->elements[1].events[0].routine, 1u);
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
