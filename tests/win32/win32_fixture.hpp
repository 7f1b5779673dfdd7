// The program on the Win32 window system, driven as the system drives it
// for a user: mouse and key messages posted to the controls and run
// through the window system's own message handling. Every step is
// repeated on a headless twin, so both backends must agree on the whole
// window state. Runs under Wine's null display driver: real windows,
// nothing shown.
#pragma once

#include <gearplat/windows.hpp>

#include <geardrive/user_actions.hpp>
#include <gearhost/headless.hpp>
#include <gearhost/host.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearui/program.hpp>
#include <gearwin/win32_window_system.hpp>
#include <geartest/program_instance.hpp>
#include <geartest/window_states.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace gearcalc::win32test {

using gearcalc::testing::Program;

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND window() const { return static_cast<HWND>(screen_->mainWindow()); }
    HWND control(uint32_t identity) const { return static_cast<HWND>(screen_->controlWindow(identity)); }

    // What the controls show, in the terms of the state tables: a label's
    // text colour as the colour message sets it, an input's enabled state.
    geartest::State shownState() const;
    geartest::Checks shownChecks() const;
    // Both backends, model and screen; empty when all agree with `expected`.
    std::string compareWindow(const geartest::State& expected) const;

    // A left click in the middle of a control (lost, as for a user, when
    // the control is disabled); the twin gets the same click.
    void click(uint32_t identity);
    // Keys as the keyboard sends them, to the control with the focus.
    void key(UINT virtual_key);
    void type(const std::string& ascii);
    void focus(uint32_t identity);
    uint32_t focused() const;
    // A window's whole text, UTF-8.
    static std::string shownText(HWND hwnd);
    // The text colour the window's colour message gives a control.
    COLORREF textColour(uint32_t identity) const;
    std::string reportWithModule2Teeth20();
    void pump() { screen_->pumpMessages(); }

    gr::Win32WindowSystem* screen_ = nullptr;
    std::unique_ptr<Program> win_;
    std::unique_ptr<Program> twin_;
};

} // namespace gearcalc::win32test
