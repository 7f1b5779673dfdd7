#include "program_fixture.hpp"

namespace gearcalc::testing {

void ProgramTest::start(const std::string& catalogue_folder)
{
    auto screen = std::make_unique<gr::HeadlessWindowSystem>();
    screen_ = screen.get();
    gr::HostOptions options;
    options.program_folder = catalogue_folder;
    options.library_folder = GEARCALC_DIST_DIR;
    host_ = std::make_unique<gr::Host>(programDescription(), std::move(screen), options);
    host_->dialogs().forbidRealDialogs(true);
    gr_env* env = host_->env();
    const gr_status created = env->services->create_window(env, kMainWindow);
    ASSERT_EQ(created, GR_OK);
}

void ProgramTest::TearDown()
{
    if (host_) {
        EXPECT_EQ(host_->outstandingAllocations(), 0) << "texts handed out and never released";
    }
}

const gr::ControlState& ProgramTest::control(uint32_t identity)
{
    const gr::ControlState* c = host_->model().find(identity);
    if (c == nullptr) throw std::runtime_error("no such control");
    return *c;
}

std::vector<gr::MessageRequest> ProgramTest::takeMessages()
{
    std::vector<gr::MessageRequest> m = host_->dialogs().messages();
    host_->dialogs().clearMessages();
    return m;
}

} // namespace gearcalc::testing
