// The main window: every control with its kind, place, size, caption, list
// items and initial state. Controls are listed in reading order, which is
// also the tab order.
#include <gearprog/catalogue_schema.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/main_form.hpp>
#include <gearprog/routines.hpp>

#include "logo_jpeg.hpp"

#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace gearcalc {

namespace {

using gr::form::Element;
namespace f = gr::form;

constexpr uint32_t kBlackColour = 0x000000, kWhiteColour = 0xFFFFFF;

// Each control's identity and name, by its place in the control table.
struct Named {
    uint32_t identity;
    const char* name;
};
constexpr Named kNamed[] = {
#define GEARCALC_CONTROL(name, identity) {identity##u, #name},
#include <gearprog/controls.def>
#undef GEARCALC_CONTROL
};
static_assert(std::size(kNamed) == slot::kCount);

Element base(uint32_t kind, uint32_t at, int left, int top, int width, int height, uint32_t flags, uint32_t layout)
{
    Element e;
    e.kind = kind;
    e.identity = kNamed[at].identity;
    e.name = at == slot::窗口 ? "" : kNamed[at].name; // the window's own element has no name
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    e.flags = flags;
    e.layout_version = layout;
    return e;
}

Element label(uint32_t at, int left, int top, int width, int height, const char* caption)
{
    Element e = base(f::kLabel, at, left, top, width, height, f::kVisible, 2);
    e.text = caption;
    e.text_colour = kBlackColour;
    return e;
}

Element edit(uint32_t at, int left, int top, int width, int height, int32_t input_mode,
             uint32_t flags = f::kVisible | f::kTabStop)
{
    Element e = base(f::kEditBox, at, left, top, width, height, flags, 2);
    e.input_mode = input_mode;
    e.text_colour = kBlackColour;
    e.back_colour = kWhiteColour;
    return e;
}

Element check(uint32_t at, int left, int top, int width, int height, const char* caption,
              std::vector<f::EventBinding> events = {})
{
    Element e = base(f::kCheckBox, at, left, top, width, height, f::kVisible | f::kTabStop, 2);
    e.text = caption;
    e.events = std::move(events);
    return e;
}

Element radio(uint32_t at, int left, int top, const char* caption, int32_t selected, uint32_t routine)
{
    Element e = base(f::kRadioButton, at, left, top, 50, 24, f::kVisible | f::kTabStop, 1);
    e.text = caption;
    e.checked = selected;
    e.events = {{f::kEventClicked, routine}};
    return e;
}

Element combo(uint32_t at, int left, int top, int width, std::vector<std::string> items)
{
    Element e = base(f::kComboBox, at, left, top, width, 20, f::kVisible | f::kTabStop, 3);
    e.items = std::move(items);
    e.selected_index = -1;
    return e;
}

Element button(uint32_t at, int left, const char* caption, uint32_t routine, uint32_t extra_flags = 0)
{
    Element e = base(f::kButton, at, left, 368, 80, 32, f::kVisible | f::kTabStop | extra_flags, 1);
    e.text = caption;
    e.events = {{f::kEventClicked, routine}};
    return e;
}

// Adds the next element of the control table; the program names controls
// by their place there, so an element out of order is a build error.
void put(std::vector<Element>& elements, Element element)
{
    const size_t at = elements.size();
    if (at >= std::size(kNamed) || kNamed[at].identity != element.identity)
        throw std::logic_error("form element " + element.name + " is at place " + std::to_string(at) +
                               " of the form, the program expects another one there");
    elements.push_back(std::move(element));
}

f::Window build()
{
    f::Window w;
    w.identity = kMainWindow;
    w.stored_value_8 = 0x006965D0;
    w.stored_value_12 = 0x00B82840;
    w.extra_identity = 0x19010002;

    Element window = base(f::kWindow, slot::窗口, 5, 5, 542, 445, f::kVisible, 6);
    window.text = "ZKD-KESTAL 齿轮参数计算";
    window.events = {{f::kEventCreated, kStartupHandler},
                     {f::kEventMouseMoved, kMouseMoved},
                     {f::kEventKeyPressed, kKeyPressed}};
    auto& el = w.elements;
    put(el, std::move(window));

    // Input block, left column.
    put(el, label(slot::模数标签, 23, 32, 48, 24, "模数 M："));
    put(el, edit(slot::模数编辑框, 80, 32, 40, 20, f::kDecimalInput));
    put(el, label(slot::齿数标签, 23, 60, 48, 24, "齿数 Z："));
    put(el, edit(slot::齿数编辑框, 80, 60, 40, 20, f::kIntegerInput));
    put(el, label(slot::压力角标签, 23, 87, 49, 24, "压力角："));
    Element pressure = edit(slot::压力角编辑框, 80, 88, 24, 20, f::kOrdinaryInput, f::kVisible);
    pressure.text = "20";
    pressure.alignment = 1;
    put(el, std::move(pressure));
    put(el, label(slot::圆点标签, 106, 83, 16, 24, "°"));
    put(el, radio(slot::直齿单选框, 28, 114, "直齿", 1, kSpurSelected));
    put(el, radio(slot::斜齿单选框, 92, 114, "斜齿", 0, kHelicalSelected));
    put(el, label(slot::螺旋角标签, 23, 144, 64, 24, "螺旋角 β："));
    put(el, edit(slot::度编辑框, 63, 170, 40, 20, f::kIntegerInput));
    put(el, label(slot::度标签, 111, 170, 15, 24, "度"));
    put(el, edit(slot::分编辑框, 134, 170, 40, 20, f::kIntegerInput));
    put(el, label(slot::分标签, 184, 170, 15, 24, "分"));
    put(el, edit(slot::秒编辑框, 204, 170, 40, 20, f::kIntegerInput));
    put(el, label(slot::秒标签, 254, 170, 15, 24, "秒"));
    put(el, check(slot::度数选择框, 39, 192, 16, 24, "", {{f::kEventClicked, kDegreeToggle}}));
    put(el, edit(slot::度数编辑框, 63, 194, 80, 20, f::kDecimalInput));
    put(el, label(slot::度数标签, 152, 193, 15, 24, "度"));
    put(el, label(slot::精度标签, 23, 222, 136, 24, "制齿精度（DIN 3967）："));
    put(el, combo(slot::精度组合框, 160, 225, 40, schema::numberTexts(schema::kFirstGrade, schema::kLastGrade)));
    put(el, label(slot::上偏差标签, 23, 252, 80, 24, "齿厚上偏差："));
    put(el, combo(slot::齿厚偏差组合框, 104, 254, 50,
                  std::vector<std::string>(schema::kDeviationSeries.begin(), schema::kDeviationSeries.end())));
    put(el, label(slot::公差标签, 34, 278, 57, 24, "齿厚公差："));
    put(el, combo(slot::齿厚公差组合框, 104, 278, 50,
                  schema::numberTexts(schema::kFirstTolerance, schema::kLastTolerance)));
    put(el, check(slot::货号选择框, 35, 322, 93, 24, "输入ZKD货号", {{f::kEventClicked, kItemToggle}}));
    Element item = base(f::kEditBox, slot::货号编辑框, 131, 322, 128, 20, f::kVisible | f::kTabStop, 0);
    item.has_properties = false; // every property at its default, platform colours
    put(el, std::move(item));

    // Picture, result box, option and buttons.
    Element picture = base(f::kPictureBox, slot::图片框1, 160, 24, 112, 112, f::kVisible, 2);
    picture.picture.assign(kLogoJpeg, kLogoJpeg + kLogoJpegSize);
    put(el, std::move(picture));
    Element result = edit(slot::结果编辑框, 288, 32, 232, 320, f::kReadOnlyInput);
    result.multiline = 1;
    result.scroll_bars = 2;
    result.events = {{f::kEventMenuCommand, kPrintCard}}; // its context menu's 打印检测卡
    put(el, std::move(result));
    put(el, check(slot::隐藏选择框, 16, 376, 136, 24, "在屏幕边缘时收起！"));
    put(el, button(slot::计算按钮, 208, "计算", kCalculate));
    put(el, button(slot::打印按钮, 320, "打印结果", kPrint, f::kDisabled));
    put(el, button(slot::退出按钮, 432, "退出", kExitButton));
    Element printer = base(f::kPrinter, slot::结果打印机, 296, 2, 26, 26, 0, 1);
    printer.text = "圆柱齿轮计算结果";
    put(el, std::move(printer));
    if (el.size() != slot::kCount) throw std::logic_error("the form does not hold every control the program names");
    return w;
}

} // namespace

const gr::form::Window& mainWindowForm()
{
    static const gr::form::Window form = build();
    return form;
}

} // namespace gearcalc
