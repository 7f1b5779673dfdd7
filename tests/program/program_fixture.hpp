// Runs the program's routines against the real runtime with the headless
// window system, through the service table, as the window would.
#pragma once

#include "host.hpp"
#include "headless.hpp"

#include "../../ui/controls.hpp"
#include "../../ui/form_identities.hpp"
#include "../../ui/routines.hpp"

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

    // Acting as the user.
    void type(uint32_t identity, const std::string& text) { ASSERT_TRUE(host_->typeText(identity, text)); }
    void select(uint32_t identity, int index) { ASSERT_TRUE(host_->selectItem(identity, index)); }
    bool click(uint32_t identity) { return host_->click(identity); }
    void enter() { host_->pressKey(13); }

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
    gr::HeadlessWindowSystem* screen_ = nullptr;
    std::unique_ptr<gr::Host> host_;
};

} // namespace gearcalc::testing
