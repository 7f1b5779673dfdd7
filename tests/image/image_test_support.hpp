// Shared by the image tests: a small program that uses every element kind,
// byte access to an image, and a field-by-field form comparison.
#pragma once

#include <gearimg/image.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace imagetest {

namespace img = gr::image;
namespace f = gr::form;

inline uint32_t u32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t{b.at(at)} | uint32_t{b.at(at + 1)} << 8 | uint32_t{b.at(at + 2)} << 16 | uint32_t{b.at(at + 3)} << 24;
}

inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int s = 0; s < 32; s += 8) b.at(at++) = static_cast<uint8_t>(v >> s);
}

// Routines of the sample, by index.
enum : uint32_t { kStart, kExit, kStartup, kCalculate, kCondItem, kRoutineCount };

inline f::Element element(uint32_t kind, uint32_t identity, const char* name, uint32_t layout)
{
    f::Element e;
    e.kind = kind;
    e.identity = identity;
    e.name = name;
    e.left = 10;
    e.top = -3; // negative coordinates must survive
    e.width = 80;
    e.height = 24;
    e.layout_version = layout;
    return e;
}

// A window with one element of every kind, deliberately not in identity
// order, with texts GBK must carry.
inline img::Program sampleProgram()
{
    img::Program p;
    p.form.identity = 0x52010001;
    p.form.stored_value_8 = 0x006965D0;
    p.form.stored_value_12 = 0x00B82840;
    p.form.extra_identity = 0x19010002;

    f::Element window = element(f::kWindow, 0x06010000, "", 6);
    window.text = "ZKD-KESTAL 齿轮参数计算";
    window.events = {{f::kEventCreated, kStartup}, {f::kEventKeyPressed, kCalculate}};
    f::Element label = element(f::kLabel, 0x16010030, "模数标签", 2);
    label.text = "模数 M：";
    label.text_colour = 0x000000;
    f::Element edit = element(f::kEditBox, 0x16010058, "结果编辑框", 2);
    edit.text = "20";
    edit.text_colour = 0x000000;
    edit.back_colour = 0xFFFFFF;
    edit.multiline = 1;
    edit.scroll_bars = 2;
    edit.alignment = 1;
    edit.input_mode = f::kDecimalInput;
    f::Element bare = element(f::kEditBox, 0x1601008D, "货号编辑框", 0);
    bare.has_properties = false;
    f::Element combo = element(f::kComboBox, 0x1601002E, "精度组合框", 3);
    combo.items = {"1", "ab", "齿"};
    combo.selected_index = -1;
    f::Element picture = element(f::kPictureBox, 0x16010036, "图片框1", 2);
    picture.picture = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xD9};
    f::Element check = element(f::kCheckBox, 0x16010017, "隐藏选择框", 2);
    check.text = "在屏幕边缘时收起！";
    check.checked = 1;
    check.events = {{f::kEventClicked, kCalculate}};
    f::Element radio = element(f::kRadioButton, 0x16010020, "直齿单选框", 1);
    radio.text = "直齿";
    radio.checked = 0;
    radio.flags = f::kVisible | f::kTabStop;
    radio.parent = 0x16010030;
    radio.children = {0x16010058};
    radio.tag = "t";
    radio.comment = "说明";
    f::Element button = element(f::kButton, 0x16010034, "计算按钮", 1);
    button.text = "计算";
    button.flags = f::kVisible | f::kDisabled | f::kTabStop;
    button.events = {{f::kEventClicked, kCalculate}};
    f::Element printer = element(f::kPrinter, 0x16010071, "结果打印机", 1);
    printer.text = "圆柱齿轮计算结果";
    printer.flags = 0;
    p.form.elements = {window, label, edit, bare, combo, picture, check, radio, button, printer};

    p.routines = {"start", "exit", "startup", "calculate", "cond_item"};
    p.start_routine = kStart;
    p.routine_values = {kCondItem, kExit};
    p.constants = {img::Constant::ofText("\r\n齿数："), img::Constant::ofNumber(1e-7), img::Constant::ofText(""),
                   img::Constant::emptyByteSet()};
    p.library_calls = {{1, 0}};
    return p;
}

inline void expectSameElement(const f::Element& a, const f::Element& b)
{
    SCOPED_TRACE("element " + img::hex(a.identity) + " " + a.name);
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.identity, b.identity);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.parent, b.parent);
    EXPECT_EQ(a.children, b.children);
    EXPECT_EQ(a.cursor, b.cursor);
    EXPECT_EQ(a.tag, b.tag);
    EXPECT_EQ(a.flags, b.flags);
    ASSERT_EQ(a.events.size(), b.events.size());
    for (size_t i = 0; i < a.events.size(); ++i) {
        EXPECT_EQ(a.events[i].event, b.events[i].event);
        EXPECT_EQ(a.events[i].routine, b.events[i].routine);
    }
    EXPECT_EQ(a.layout_version, b.layout_version);
    EXPECT_EQ(a.has_properties, b.has_properties);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.text_colour, b.text_colour);
    EXPECT_EQ(a.back_colour, b.back_colour);
    EXPECT_EQ(a.multiline, b.multiline);
    EXPECT_EQ(a.scroll_bars, b.scroll_bars);
    EXPECT_EQ(a.alignment, b.alignment);
    EXPECT_EQ(a.input_mode, b.input_mode);
    EXPECT_EQ(a.checked, b.checked);
    EXPECT_EQ(a.selected_index, b.selected_index);
    EXPECT_EQ(a.items, b.items);
    EXPECT_EQ(a.picture, b.picture);
}

inline void expectSameForm(const f::Window& a, const f::Window& b)
{
    EXPECT_EQ(a.identity, b.identity);
    EXPECT_EQ(a.stored_value_8, b.stored_value_8);
    EXPECT_EQ(a.stored_value_12, b.stored_value_12);
    EXPECT_EQ(a.extra_identity, b.extra_identity);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.comment, b.comment);
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (size_t i = 0; i < a.elements.size(); ++i) expectSameElement(a.elements[i], b.elements[i]);
}

inline void expectSameProgram(const img::Program& a, const img::Program& b)
{
    EXPECT_EQ(a.libraries, b.libraries);
    expectSameForm(a.form, b.form);
    EXPECT_EQ(a.routines, b.routines);
    EXPECT_EQ(a.start_routine, b.start_routine);
    EXPECT_EQ(a.routine_values, b.routine_values);
    EXPECT_EQ(a.constants, b.constants);
    EXPECT_EQ(a.library_calls, b.library_calls);
}

inline std::vector<uint8_t> written(const img::Program& p)
{
    img::Result<std::vector<uint8_t>> r = img::writeImage(p);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message);
    return r.ok() ? r.value() : std::vector<uint8_t>{};
}

} // namespace imagetest
