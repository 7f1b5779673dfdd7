// The runtime seen from a program: the service table, properties of every
// kind, runtime errors and the support library, on the headless window
// system.
#include <gearhost/headless.hpp>
#include <geardrive/user_actions.hpp>
#include <gearhost/host.hpp>
#include <gearhost/page_layout.hpp>

#include <gearrt/api.hpp>
#include <gearrt/properties.hpp>

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <string>
#include <cstdint>
#include <vector>
#include <cstring>

namespace gr {
namespace {

constexpr uint32_t kWin = 0x52010001, kSelf = 0x06010000;
constexpr uint32_t kEdit = 0x16010001, kLabel = 0x16010002, kCheck = 0x16010003, kRadioA = 0x16010004,
                   kRadioB = 0x16010005, kCombo = 0x16010006, kButton = 0x16010007, kPrinter = 0x16010008;

form::Element element(uint32_t kind, uint32_t identity, const char* name)
{
    form::Element e;
    e.kind = kind;
    e.identity = identity;
    e.name = name;
    e.left = 10;
    e.top = 20;
    e.width = 30;
    e.height = 40;
    return e;
}

// Routines the tests bind to events.
int g_clicks = 0;
gr_status countClick(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept
{
    ++g_clicks;
    return GR_OK;
}

form::Window testForm()
{
    form::Window w;
    w.identity = kWin;
    form::Element self = element(form::kWindow, kSelf, "");
    self.left = 100;
    self.top = 50;
    self.width = 542;
    self.height = 445;
    self.text = "标题";
    w.elements.push_back(self);
    w.elements.push_back(element(form::kEditBox, kEdit, "编辑框"));
    w.elements.push_back(element(form::kLabel, kLabel, "标签"));
    form::Element check = element(form::kCheckBox, kCheck, "选择框");
    check.events = {{form::kEventClicked, 0}};
    w.elements.push_back(check);
    form::Element a = element(form::kRadioButton, kRadioA, "单选框A");
    a.checked = 1;
    w.elements.push_back(a);
    w.elements.push_back(element(form::kRadioButton, kRadioB, "单选框B"));
    form::Element combo = element(form::kComboBox, kCombo, "组合框");
    combo.items = {"a", "b", "c"};
    w.elements.push_back(combo);
    form::Element button = element(form::kButton, kButton, "按钮");
    button.flags |= form::kDisabled;
    button.events = {{form::kEventClicked, 0}};
    w.elements.push_back(button);
    w.elements.push_back(element(form::kPrinter, kPrinter, "打印机"));
    return w;
}

const RoutineEntry kRoutines[] = {{"click", countClick}};

// A routine whose second runtime call fails: the rest must not run.
bool g_reached_end = false;
void cosOfText(const rt::Runtime& rt, const gr_value*, int32_t)
{
    rt.Cos(rt.TextToNumber("1"));
    gr_value t{};
    t.kind = GR_KIND_TEXT;
    t.u.text = gr_text{"abc", 3};
    gr_value out{};
    if (rt.env()->services->call_core(rt.env(), GR_CMD_COS, &t, 1, &out) != GR_OK) throw rt::Abort{2};
    g_reached_end = true;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form_ = testForm();
        program_ = ProgramDescription{&form_, kRoutines, 1, 0};
        HostOptions options;
        options.program_folder = "/opt/程序";
        options.library_folder = GEARCALC_DIST_DIR;
        host_ = std::make_unique<Host>(program_, makeHeadlessWindowSystem(), options);
        host_->dialogs().forbidRealDialogs(true);
        ASSERT_EQ(services()->create_window(env(), kWin), GR_OK);
        g_clicks = 0;
    }
    void TearDown() override { EXPECT_EQ(host_->outstandingAllocations(), 0); }

    gr_env* env() { return host_->env(); }
    const gr_services* services() { return env()->services; }
    rt::Runtime runtime() { return rt::Runtime(env()); }

    gr_status set(uint32_t control, int32_t property, gr_value v, int32_t sub = -1)
    {
        return services()->set_property(env(), kWin, control, property, sub, &v);
    }
    gr_value get(uint32_t control, int32_t property)
    {
        gr_value v{};
        EXPECT_EQ(services()->get_property(env(), kWin, control, property, &v), GR_OK);
        return v;
    }
    static gr_value integer(int64_t i) { return rt::detail::integer(i); }
    static gr_value text(const char* s) { return rt::detail::text(s); }
    std::string lastMessage()
    {
        const auto& m = host_->dialogs().messages();
        return m.empty() ? std::string() : m.back().text;
    }

    form::Window form_;
    ProgramDescription program_;
    std::unique_ptr<Host> host_;
};

TEST_F(HostTest, NamesControlsThroughTheControlTable)
{
    // Without a table of its own, the program's table is the form's elements.
    const rt::Runtime rt = runtime();
    const rt::Control self = rt.Ctl(0);
    EXPECT_EQ(self.window, kWin);
    EXPECT_EQ(self.identity, kSelf);
    EXPECT_EQ(self.kind, form::kWindow);
    const rt::Control combo = rt.Ctl(6);
    EXPECT_EQ(combo.identity, kCombo);
    EXPECT_EQ(combo.kind, form::kComboBox);
    EXPECT_EQ(rt.GetPropertyText(self, 8).str(), "标题");

    gr_control_ref out{1, 2, 3};
    EXPECT_EQ(services()->control_ref(env(), 9, &out), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(out.control, 0u);
    EXPECT_NE(lastMessage().find("第 9 项"), std::string::npos) << lastMessage();
    EXPECT_EQ(services()->control_ref(env(), 0, nullptr), GR_ERR_BAD_ARGUMENT);
}

TEST(HostControlTable, TheProgramsOwnTableWins)
{
    form::Window w = testForm();
    const gr_control_ref table[] = {{kWin, kSelf, form::kWindow}, {kWin, kLabel, form::kLabel}};
    ProgramDescription d{&w, kRoutines, 1, 0};
    d.controls = table;
    d.control_count = 2;
    Host host(d, makeHeadlessWindowSystem(), HostOptions{});
    host.dialogs().forbidRealDialogs(true);
    gr_control_ref out{};
    ASSERT_EQ(host.env()->services->control_ref(host.env(), 1, &out), GR_OK);
    EXPECT_EQ(out.control, kLabel);
    EXPECT_EQ(host.env()->services->control_ref(host.env(), 2, &out), GR_ERR_BAD_ARGUMENT);
}

TEST_F(HostTest, AllocatedBlocksAreAlignedSeparateAndCounted)
{
    // Small and large blocks, released out of order and handed out again:
    // no two live blocks overlap and every one keeps what was written.
    std::vector<std::pair<char*, size_t>> live;
    for (int round = 0; round < 3; ++round) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{1000}, size_t{7}}) {
            auto* p = static_cast<char*>(services()->allocate(env(), size));
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
            std::memset(p, static_cast<int>('a' + live.size() % 26), size);
            live.emplace_back(p, size);
        }
        for (size_t i = 0; i < live.size(); i += 2) services()->release(env(), live[i].first);
        std::vector<std::pair<char*, size_t>> kept;
        for (size_t i = 1; i < live.size(); i += 2) kept.push_back(live[i]);
        live = kept;
        for (const auto& [p, size] : live)
            for (size_t k = 0; k < size; ++k) ASSERT_EQ(p[k], p[0]) << "a block was overwritten";
    }
    EXPECT_EQ(host_->outstandingAllocations(), static_cast<long>(live.size()));
    for (const auto& block : live) services()->release(env(), block.first);
    services()->release(env(), nullptr);
}

TEST(HostLinkage, NumbersRoutineValuesAndLibraryCallsComeFromTheProgramsTables)
{
    form::Window w = testForm();
    const std::string texts[] = {"模数", ""};
    const double numbers[] = {std::nan(""), 3.1415926535};
    const bool is_number[] = {false, true};
    const uint32_t values[] = {0};
    const LibraryCall calls[] = {{GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE}};
    ProgramDescription d{&w, kRoutines, 1, 0, texts, 2};
    d.constant_numbers = numbers;
    d.constant_is_number = is_number;
    d.routine_values = values;
    d.routine_value_count = 1;
    d.library_calls = calls;
    d.library_call_count = 1;
    HostOptions options;
    options.library_folder = GEARCALC_DIST_DIR;
    Host host(d, makeHeadlessWindowSystem(), options);
    host.dialogs().forbidRealDialogs(true);
    const rt::Runtime rt(host.env());

    EXPECT_EQ(rt.Number(1), 3.1415926535);
    EXPECT_EQ(rt.RoutineValue(0), countClick);
    rt.CallLibrary(0, {rt::detail::integer(1)});
    EXPECT_TRUE(host.visualStyleThemed());

    // A text where a number is asked for, and entries past each table, are
    // runtime errors with a message.
    double number = 1.0;
    EXPECT_EQ(host.env()->services->constant_number(host.env(), 0, &number), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(number, 0.0);
    EXPECT_EQ(host.env()->services->constant_number(host.env(), 2, &number), GR_ERR_BAD_ARGUMENT);
    gr_routine_fn fn = countClick;
    EXPECT_EQ(host.env()->services->routine_value(host.env(), 1, &fn), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(fn, nullptr);
    gr_value r{};
    EXPECT_EQ(host.env()->services->call_library_entry(host.env(), 1, nullptr, 0, &r), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(host.dialogs().messages().size(), 4u);
}

TEST(ServiceTable, StartsWithItsSizeAndVersionAndMapsImageSlots)
{
    const gr_services* s = serviceTable();
    EXPECT_EQ(s->struct_size, sizeof(gr_services));
    EXPECT_EQ(s->version, GR_INTERFACE_VERSION);
    EXPECT_EQ(s->retired_04, nullptr);
    EXPECT_EQ(s->retired_1c, nullptr);
    EXPECT_EQ(gr_slot_for_image_offset(0x0C), 3);
    EXPECT_EQ(gr_slot_for_image_offset(0x30), 12);
    EXPECT_EQ(gr_slot_for_image_offset(0x04), -1);
    EXPECT_EQ(gr_slot_for_image_offset(0x1C), -1);
    EXPECT_EQ(gr_slot_for_image_offset(0x34), -1);
    EXPECT_EQ(gr_slot_for_image_offset(0x0E), -1);
}

struct RoundTrip {
    const char* name;
    uint32_t control;
    int32_t property;
    int64_t value;
    int64_t expected;
};

// Names the row in test listings and failure messages, instead of a dump of
// its bytes.
void PrintTo(const RoundTrip& row, std::ostream* os)
{
    *os << row.name;
}

class IntegerProperties : public HostTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(IntegerProperties, ReadBackWhatWasWritten)
{
    const RoundTrip& p = GetParam();
    ASSERT_EQ(set(p.control, p.property, integer(p.value)), GR_OK) << lastMessage();
    gr_value v = get(p.control, p.property);
    EXPECT_EQ(v.u.i, p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, IntegerProperties,
    ::testing::Values(RoundTrip{"EditDisabled", kEdit, 6, 1, 1}, RoundTrip{"CheckDisabled", kCheck, 6, 1, 1},
                      RoundTrip{"RadioDisabled", kRadioA, 6, 1, 1}, RoundTrip{"ComboDisabled", kCombo, 6, 1, 1},
                      RoundTrip{"ButtonEnabled", kButton, 6, 0, 0}, RoundTrip{"EditColour", kEdit, 10, 0xFF0000, 0xFF0000},
                      RoundTrip{"LabelGrey", kLabel, 16, 0xC0C0C0, 0xC0C0C0},
                      RoundTrip{"LabelMidGrey", kLabel, 16, 0x808080, 0x808080}, RoundTrip{"Ticked", kCheck, 18, 1, 1},
                      RoundTrip{"RadioCleared", kRadioA, 18, 0, 0}, RoundTrip{"ComboIndex", kCombo, 19, 2, 2},
                      RoundTrip{"ComboNone", kCombo, 19, -1, -1},
                      RoundTrip{"ComboPastTheEndMeansNone", kCombo, 19, 3, -1},
                      RoundTrip{"ComboNegativeMeansNone", kCombo, 19, -7, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostTest, TextPropertiesAndWindowGeometry)
{
    ASSERT_EQ(set(kEdit, 8, text("2.50")), GR_OK);
    EXPECT_EQ(runtime().GetPropertyText(rt::Control{kWin, kEdit, form::kEditBox}, 8).view(), "2.50");
    EXPECT_EQ(runtime().GetPropertyText(rt::Control{kWin, kSelf, form::kWindow}, 8).view(), "标题");
    EXPECT_EQ(get(kSelf, 0).u.i, 100);
    EXPECT_EQ(get(kSelf, 1).u.i, 50);
    EXPECT_EQ(get(kSelf, 2).u.i, 542);
    EXPECT_EQ(get(kSelf, 3).u.i, 445);
    // Geometry is read only; moving goes through PlaceWindow.
    EXPECT_EQ(set(kSelf, 0, integer(5)), GR_ERR_NO_SUCH_PROPERTY);
    runtime().PlaceWindow(rt::Control{kWin, kSelf, form::kWindow}, std::nullopt, 7);
    EXPECT_EQ(get(kSelf, 0).u.i, 100);
    EXPECT_EQ(get(kSelf, 1).u.i, 7);
}

TEST_F(HostTest, PrinterFontSizeIsSubFieldFive)
{
    gr_value size{};
    size.kind = GR_KIND_DOUBLE;
    size.u.d = 27;
    ASSERT_EQ(set(kPrinter, 17, size, 5), GR_OK);
    EXPECT_EQ(get(kPrinter, 17).u.d, 27.0);
    size.u.d = 99;
    ASSERT_EQ(set(kPrinter, 17, size, 1), GR_OK); // other sub-fields leave the size alone
    EXPECT_EQ(get(kPrinter, 17).u.d, 27.0);
}

TEST_F(HostTest, PropertiesAKindDoesNotHaveAreErrorsNamingTheControl)
{
    gr_value v{};
    EXPECT_EQ(services()->get_property(env(), kWin, kLabel, 8, &v), GR_ERR_NO_SUCH_PROPERTY);
    EXPECT_NE(lastMessage().find("标签"), std::string::npos);
    EXPECT_EQ(services()->get_property(env(), kWin, 0x16019999, 6, &v), GR_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ(services()->get_property(env(), 0x52019999, kEdit, 6, &v), GR_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ(set(kEdit, 8, integer(3)), GR_ERR_TEXT_EXPECTED);
    EXPECT_EQ(set(kCheck, 18, text("1")), GR_ERR_NUMBER_EXPECTED);
    EXPECT_NE(lastMessage().find("文本“1”"), std::string::npos) << lastMessage();
}

TEST_F(HostTest, WrongKindsAreRuntimeErrorsTwoAndFiveAndEndTheRoutine)
{
    gr_value r{};
    gr_value d{};
    d.kind = GR_KIND_DOUBLE;
    d.u.d = 1.5;
    EXPECT_EQ(services()->call_core(env(), GR_CMD_TEXT_TO_NUMBER, &d, 1, &r), GR_ERR_TEXT_EXPECTED);
    const MessageRequest& m = host_->dialogs().messages().back();
    EXPECT_EQ(m.style, 0x10);
    EXPECT_NE(m.text.find("TextToNumber"), std::string::npos);
    EXPECT_NE(m.text.find("双精度小数"), std::string::npos);
    EXPECT_NE(m.text.find("5"), std::string::npos);

    // Through the facade the routine ends at its entry with GR_ERR_ABORTED
    // and nothing after the failing call runs.
    g_reached_end = false;
    EXPECT_EQ((rt::entry<cosOfText>(env(), nullptr, nullptr, 0, nullptr)), GR_ERR_ABORTED);
    EXPECT_FALSE(g_reached_end);
    EXPECT_NE(lastMessage().find("文本“abc”"), std::string::npos) << lastMessage();
}

TEST_F(HostTest, ConversionsGoThroughTheTable)
{
    rt::Runtime rt = runtime();
    EXPECT_EQ(rt.ValueToText(0.1 + 0.2).view(), "0.3");
    EXPECT_EQ(rt.ValueToText(int32_t{-7}).view(), "-7");
    EXPECT_EQ(rt.TextToNumber(" 12abc"), 12.0);
    EXPECT_EQ(rt.RoundTo(2.5, 0), 3.0);
    EXPECT_EQ(rt.NumberToNameText(25, true).view(), "二十五");
    EXPECT_EQ(rt.ProgramFolder().view(), "/opt/程序");
    EXPECT_EQ(rt.Abs(-2.0), 2.0);
}

TEST_F(HostTest, ComboItemTextsAndAppendText)
{
    rt::Runtime rt = runtime();
    rt::Control combo{kWin, kCombo, form::kComboBox}, edit{kWin, kEdit, form::kEditBox};
    EXPECT_EQ(rt.ItemText(combo, 1).view(), "b");
    EXPECT_EQ(rt.ItemText(combo, 3).view(), "");
    EXPECT_EQ(rt.ItemText(combo, -1).view(), "");
    rt.AppendText(edit, "a\r\n");
    rt.AppendText(edit, "b");
    EXPECT_EQ(rt.GetPropertyText(edit, 8).view(), "a\r\nb");
}

TEST_F(HostTest, ClicksApplyToTheirControlThenRunTheHandler)
{
    EXPECT_TRUE(gr::UserActions(*host_).click(kCheck));
    EXPECT_EQ(get(kCheck, 18).u.i, 1);
    EXPECT_EQ(g_clicks, 1);
    EXPECT_TRUE(gr::UserActions(*host_).click(kCheck));
    EXPECT_EQ(get(kCheck, 18).u.i, 0);
    // The window's radio buttons form one group.
    EXPECT_TRUE(gr::UserActions(*host_).click(kRadioB));
    EXPECT_EQ(get(kRadioA, 18).u.i, 0);
    EXPECT_EQ(get(kRadioB, 18).u.i, 1);
    // A disabled control cannot be clicked.
    EXPECT_FALSE(gr::UserActions(*host_).click(kButton));
    EXPECT_EQ(g_clicks, 2);
}

TEST_F(HostTest, VisualStyleComesFromTheSupportLibrary)
{
    EXPECT_FALSE(host_->visualStyleThemed());
    runtime().EnableVisualStyle(1);
    EXPECT_TRUE(host_->visualStyleThemed());

    // Every number kind is taken, truncated toward zero; a text is not.
    const struct {
        gr_value arg;
        bool themed;
    } calls[] = {{rt::detail::dbl(0.5), false}, {rt::detail::dbl(2.0), true}, {rt::detail::dbl(std::nan("")), false},
                 {rt::detail::dbl(-1.0), true}, {rt::detail::integer(0), false}};
    for (const auto& c : calls) {
        gr_value r{};
        ASSERT_EQ(services()->call_library(env(), GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE, &c.arg, 1, &r), GR_OK);
        EXPECT_EQ(host_->visualStyleThemed(), c.themed) << c.arg.u.d;
    }
    gr_value f{};
    f.kind = GR_KIND_FLOAT;
    f.u.f = 1.0f;
    gr_value r{};
    EXPECT_EQ(services()->call_library(env(), GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE, &f, 1, &r), GR_OK);
    EXPECT_TRUE(host_->visualStyleThemed());
    const gr_value word = text("1");
    EXPECT_NE(services()->call_library(env(), GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE, &word, 1, &r), GR_OK);
}

TEST(HostWithoutLibraries, AMissingStyleLibraryIsAClearError)
{
    form::Window w = testForm();
    ProgramDescription program{&w, kRoutines, 1, 0};
    HostOptions options;
    options.library_folder = "/nonexistent";
    Host host(program, makeHeadlessWindowSystem(), options);
    host.dialogs().forbidRealDialogs(true);
    ASSERT_EQ(host.env()->services->create_window(host.env(), kWin), GR_OK);
    gr_value one{};
    one.kind = GR_KIND_INT;
    one.u.i = 1;
    EXPECT_NE(host.env()->services->call_library(host.env(), 1, 0, &one, 1, nullptr), GR_OK);
    ASSERT_FALSE(host.dialogs().messages().empty());
    EXPECT_NE(host.dialogs().messages().back().text.find("stylx.vlr"), std::string::npos);
}

TEST_F(HostTest, PrintJobsAreLaidOutBetweenBeginAndEnd)
{
    rt::Runtime rt = runtime();
    rt::Control printer{kWin, kPrinter, form::kPrinter};
    host_->dialogs().queuePrintAnswer(PrintAnswer{true, {}});
    EXPECT_TRUE(rt.BeginPrint(printer, true, true, 2));
    rt.SetPrintFontSize(printer, 27);
    rt.PrintText(printer, 700, 180, "标题");
    rt.SetPrintFontSize(printer, 14);
    rt.PrintText(printer, 200, 300, "a\r\nb");
    rt.EndPrint(printer);
    ASSERT_EQ(host_->printedJobs().size(), 1u);
    const PrintJob& job = host_->printedJobs().front();
    ASSERT_EQ(job.items.size(), 2u);
    EXPECT_EQ(job.items[0].font_size, 27.0);
    EXPECT_EQ(job.items[0].x, 700);
    EXPECT_EQ(job.items[1].font_size, 14.0);
    EXPECT_EQ(job.items[1].text, "a\r\nb");

    // A cancelled dialog prints nothing and is no error.
    host_->dialogs().queuePrintAnswer(PrintAnswer{false, {}});
    size_t messages = host_->dialogs().messages().size();
    EXPECT_FALSE(rt.BeginPrint(printer, true, true, 2));
    rt.PrintText(printer, 1, 1, "x");
    rt.EndPrint(printer);
    EXPECT_EQ(host_->printedJobs().size(), 1u);
    EXPECT_EQ(host_->dialogs().messages().size(), messages);
}

} // namespace
} // namespace gr

namespace gr {
namespace {

// Every command number below the count has a body: one that was left out of
// its group's table would answer "no such command" to the program.
TEST_F(HostTest, EveryCoreCommandNumberIsServed)
{
    for (int32_t command = GR_CMD_PROGRAM_FOLDER; command < GR_CMD_COUNT_; ++command) {
        host_->dialogs().clearMessages();
        gr_value out{};
        const gr_status st = services()->call_core(env(), command, nullptr, 0, &out);
        EXPECT_NE(st, GR_ERR_NO_SUCH_COMMAND) << "command " << command << ": " << lastMessage();
        if (out.kind == GR_KIND_TEXT) host_->release(const_cast<char*>(out.u.text.data));
    }
    gr_value out{};
    EXPECT_EQ(services()->call_core(env(), GR_CMD_COUNT_, nullptr, 0, &out), GR_ERR_NO_SUCH_COMMAND);
    EXPECT_EQ(services()->call_core(env(), 0, nullptr, 0, &out), GR_ERR_NO_SUCH_COMMAND);
    EXPECT_NE(lastMessage().find("没有编号为 0 的运行时命令"), std::string::npos) << lastMessage();
}

// The host opens the support library the program lists at a position, with
// the version the program asks for.
TEST(HostSupportLibraries, TheProgramsListNamesTheFileAndVersion)
{
    form::Window w = testForm();
    const LibraryRequirement wrong_major[] = {{"tavrn", 5, 0}, {"stylx", 3, 0}};
    const LibraryRequirement other_name[] = {{"tavrn", 5, 0}, {"nosuch", 2, 0}};
    const struct {
        const char* name;
        const LibraryRequirement* list;
        const char* expected_in_message;
    } cases[] = {{"a major version the file does not have", wrong_major, "stylx.vlr"},
                 {"a library that is not there", other_name, "nosuch.vlr"}};
    for (const auto& c : cases) {
        ProgramDescription program{&w, kRoutines, 1, 0};
        program.libraries = c.list;
        program.library_count = 2;
        HostOptions options;
        options.library_folder = GEARCALC_DIST_DIR;
        Host host(program, makeHeadlessWindowSystem(), options);
        host.dialogs().forbidRealDialogs(true);
        ASSERT_EQ(host.env()->services->create_window(host.env(), kWin), GR_OK);
        const gr_value one = rt::detail::integer(1);
        EXPECT_EQ(host.env()->services->call_library(host.env(), 1, 0, &one, 1, nullptr), GR_ERR_NO_SUCH_COMMAND)
            << c.name;
        ASSERT_FALSE(host.dialogs().messages().empty()) << c.name;
        EXPECT_NE(host.dialogs().messages().back().text.find(c.expected_in_message), std::string::npos) << c.name;
        EXPECT_FALSE(host.visualStyleThemed()) << c.name;
    }
}

// The property table answers for every kind the way the host enforces it.
TEST_F(HostTest, PropertyTableAndHostAgree)
{
    const struct {
        uint32_t identity;
        uint32_t kind;
    } controls[] = {{kSelf, form::kWindow},          {kEdit, form::kEditBox},   {kLabel, form::kLabel},
                    {kCheck, form::kCheckBox},       {kRadioA, form::kRadioButton}, {kCombo, form::kComboBox},
                    {kButton, form::kButton},        {kPrinter, form::kPrinter}};
    for (const auto& c : controls) {
        for (int32_t property = 0; property <= 20; ++property) {
            host_->dialogs().clearMessages();
            gr_value v{};
            const gr_status st = services()->get_property(env(), kWin, c.identity, property, &v);
            EXPECT_EQ(st == GR_OK, properties::has(c.kind, property))
                << "kind 0x" << std::hex << c.kind << std::dec << " property " << property;
            if (v.kind == GR_KIND_TEXT) host_->release(const_cast<char*>(v.u.text.data));
        }
    }
}

} // namespace
} // namespace gr

namespace gr {
namespace {

// Lines on the printed page: recorded in order with the texts, in the
// program's units; malformed calls are runtime errors and draw nothing.
TEST_F(HostTest, PrintLinesAndPolylinesAreRecordedWithTheirPen)
{
    rt::Runtime rt = runtime();
    rt::Control printer{kWin, kPrinter, form::kPrinter};
    host_->dialogs().queuePrintAnswer(PrintAnswer{true, {}});
    ASSERT_TRUE(rt.BeginPrint(printer, true, true, 2));
    rt.PrintText(printer, 100, 100, "前");
    rt.PrintLine(printer, 150.5, 200.25, 1950, 200.25, 2.5);
    const double xy[] = {10, 20, 30.5, 40, 50, 60};
    rt.PrintPolyline(printer, 5, xy, 6);

    struct Bad {
        const char* what;
        std::vector<gr_value> args;
    };
    const gr_value p = rt::detail::control(printer), one = rt::detail::dbl(1);
    const Bad bad[] = {
        {"one point", {p, one, one, one}},
        {"odd coordinates", {p, one, one, one, one, one, one}},
        {"not a number", {p, one, one, text("x"), one, one}},
        {"infinite", {p, one, one, one, rt::detail::dbl(INFINITY), one}},
        {"not a printer", {rt::detail::control({kWin, kEdit, form::kEditBox}), one, one, one, one, one}},
    };
    for (const Bad& b : bad) {
        gr_value out{};
        EXPECT_NE(services()->call_core(env(), GR_CMD_PRINT_POLYLINE, b.args.data(), static_cast<int32_t>(b.args.size()), &out),
                  GR_OK)
            << b.what;
    }
    std::vector<gr_value> too_many{p, one};
    for (int i = 0; i < 2 * (GR_MAX_POLYLINE_POINTS + 1); ++i) too_many.push_back(one);
    gr_value out{};
    EXPECT_NE(services()->call_core(env(), GR_CMD_PRINT_POLYLINE, too_many.data(), static_cast<int32_t>(too_many.size()), &out),
              GR_OK);
    rt.EndPrint(printer);

    ASSERT_EQ(host_->printedJobs().size(), 1u);
    const PrintJob& job = host_->printedJobs().front();
    ASSERT_EQ(job.items.size(), 3u);
    EXPECT_FALSE(job.items[0].isLine());
    ASSERT_TRUE(job.items[1].isLine());
    EXPECT_EQ(job.items[1].points, (std::vector<PagePoint>{{150.5, 200.25}, {1950, 200.25}}));
    EXPECT_EQ(job.items[1].pen_width, 2.5);
    EXPECT_EQ(job.items[2].points, (std::vector<PagePoint>{{10, 20}, {30.5, 40}, {50, 60}}));
    EXPECT_EQ(job.items[2].pen_width, 5.0);

    // Lines fall on the page the texts before them reached.
    struct Measure final : TextMeasure {
        double lineSpacing(double) override { return 50; }
        std::vector<double> prefixWidths(std::string_view line, double) override
        {
            return std::vector<double>(line.size(), 10.0);
        }
    } measure;
    PrintJob two_pages;
    two_pages.items.push_back(PrintItem{12, 100, 2800, "a\r\nb\r\nc\r\nd"});
    PrintItem line;
    line.points = {{0, 0}, {10, 10}};
    two_pages.items.push_back(line);
    const std::vector<Page> pages = layoutPages(two_pages, 2100, 2970, measure);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].strokes.empty());
    ASSERT_EQ(pages[1].strokes.size(), 1u);
    EXPECT_EQ(pages[1].strokes[0].points, line.points);
}

// The program's context-menu entries: added once, changed by later calls,
// only on edit boxes; choosing runs the bound routine with the command.
TEST_F(HostTest, ContextMenuEntriesAndTheProgramsTableSizes)
{
    const char entry[] = "打印(&P)";
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 7, entry, sizeof entry - 1, 0), GR_OK);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 8, "b", 1, 1), GR_OK);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 7, entry, sizeof entry - 1, 1), GR_OK);
    const ControlState* edit = host_->model().find(kEdit);
    ASSERT_EQ(edit->menu.size(), 2u);
    EXPECT_EQ(edit->menu[0].command, 7);
    EXPECT_EQ(edit->menu[0].text, entry);
    EXPECT_TRUE(edit->menu[0].enabled);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kButton, 1, "x", 1, 1), GR_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 0, "x", 1, 1), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 9, "x", 1, 2), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(services()->context_menu_entry(env(), kWin, kEdit, 9, nullptr, 3, 1), GR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(host_->model().find(kEdit)->menu.size(), 2u);

    gr_program_sizes sizes{};
    host_->dialogs().clearMessages();
    ASSERT_EQ(services()->program_sizes(env(), &sizes), GR_OK);
    EXPECT_EQ(sizes.struct_size, sizeof(gr_program_sizes));
    EXPECT_EQ(sizes.routines, 1u);
    EXPECT_EQ(sizes.controls, form_.elements.size());
    EXPECT_TRUE(host_->dialogs().messages().empty());
    EXPECT_EQ(services()->program_sizes(env(), nullptr), GR_ERR_BAD_ARGUMENT);
}

} // namespace
} // namespace gr
