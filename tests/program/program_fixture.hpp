// Runs the program's routines against the real runtime with the headless
// window system, through the service table, as the window would.
//
// Built a second time with GEARCALC_RENUMBERED_IDENTITIES, the same tests
// run on a program whose window and controls the loader has given other
// identities; the fixture finds each control by its place in the form, so
// every test must pass unchanged.
#pragma once

#include <gearhost/headless.hpp>
#include <geardrive/user_actions.hpp>
#include <gearhost/host.hpp>
#include <gearhost/program_loader.hpp>

#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace gearcalc::testing {

class ProgramTest : public ::testing::Test {
protected:
    // Builds the window (its created event runs the start-up handler) with
    // the catalogues of `catalogue_folder`.
    void SetUp() override { start(GEARCALC_DIST_DIR); }
    void TearDown() override;
    void start(const std::string& catalogue_folder);

    gr::Host& host() { return *host_; }
    gr::HeadlessWindowSystem& screen() { return *screen_; }
    rt::Runtime runtime() { return rt::Runtime(host_->env()); }

    // Acting as the user. Controls are named by the identities the form
    // gives them (id::...).
    void type(uint32_t identity, const std::string& text) { ASSERT_TRUE(gr::UserActions(*host_).typeText(loaded(identity), text)); }
    void select(uint32_t identity, int index) { ASSERT_TRUE(gr::UserActions(*host_).selectItem(loaded(identity), index)); }
    bool click(uint32_t identity) { return gr::UserActions(*host_).click(loaded(identity)); }
    void enter() { gr::UserActions(*host_).pressKey(13); }
    // Keys typed, and a text pasted, at the end of an edit box's text, by
    // the boxes' typing rules; beeps() counts what the boxes refused.
    bool typeKeys(uint32_t identity, const std::string& keys) { return gr::UserActions(*host_).typeKeys(loaded(identity), keys); }
    bool paste(uint32_t identity, const std::string& text) { return gr::UserActions(*host_).paste(loaded(identity), text); }
    int beeps() { return screen_->beeps(); }
    // Chooses the program's entry `command` on the control's context menu.
    bool chooseMenu(uint32_t identity, int32_t command)
    {
        return gr::UserActions(*host_).chooseMenuCommand(loaded(identity), command);
    }

    // Reading the controls.
    const gr::ControlState& control(uint32_t identity);
    std::string text(uint32_t identity) { return control(identity).text; }
    std::string report() { return text(id::结果编辑框); }
    bool enabled(uint32_t identity) { return !control(identity).disabled; }
    uint32_t colour(uint32_t identity) { return control(identity).text_colour; }
    int checked(uint32_t identity) { return control(identity).checked; }
    int selection(uint32_t identity) { return control(identity).selected_index; }
    // Messages shown since the last call.
    std::vector<gr::MessageRequest> takeMessages();

private:
    // The identity the loaded program gave the control the form names.
    uint32_t loaded(uint32_t identity) const;

    std::unique_ptr<gr::LoadedProgram> renumbered_;
    const gr::ProgramDescription* program_ = nullptr;
    gr::HeadlessWindowSystem* screen_ = nullptr;
    std::unique_ptr<gr::Host> host_;
};

} // namespace gearcalc::testing
