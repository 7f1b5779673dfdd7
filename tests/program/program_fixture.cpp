#include "program_fixture.hpp"

#include <gearui/program.hpp>

#include <cstddef>
#include <stdexcept>

extern "C" const unsigned char gear_program_image[];
extern "C" const std::size_t gear_program_image_size;

namespace gearcalc::testing {

namespace {
#ifdef GEARCALC_RENUMBERED_IDENTITIES
constexpr bool kRenumbered = true;
#else
constexpr bool kRenumbered = false;
#endif
} // namespace

void ProgramTest::start(const std::string& catalogue_folder)
{
    program_ = &programDescription();
    if (kRenumbered) {
        gr::LoadOptions load;
        load.window_base = 0x53A00001;
        load.element_base = 0x17B00001;
        gr::LoadResult r = gr::loadProgram({gear_program_image, gear_program_image_size}, findRoutine, load);
        ASSERT_TRUE(r.program) << r.error;
        renumbered_ = std::move(r.program);
        program_ = &renumbered_->description;
    }
    auto screen = std::make_unique<gr::HeadlessWindowSystem>();
    screen_ = screen.get();
    gr::HostOptions options;
    options.program_folder = catalogue_folder;
    options.library_folder = GEARCALC_DIST_DIR;
    host_ = std::make_unique<gr::Host>(*program_, std::move(screen), options);
    host_->dialogs().forbidRealDialogs(true);
    gr_env* env = host_->env();
    const gr_status created = env->services->create_window(env, program_->form->identity);
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
    const gr::ControlState* c = host_->model().find(loaded(identity));
    if (c == nullptr) throw std::runtime_error("no such control");
    return *c;
}

uint32_t ProgramTest::loaded(uint32_t identity) const
{
    const std::vector<gr::form::Element>& form = programDescription().form->elements; // as the image numbers them
    for (size_t i = 0; i < form.size(); ++i)
        if (form[i].identity == identity) return program_->form->elements.at(i).identity;
    throw std::runtime_error("the form has no control with that identity");
}

std::vector<gr::MessageRequest> ProgramTest::takeMessages()
{
    std::vector<gr::MessageRequest> m = host_->dialogs().messages();
    host_->dialogs().clearMessages();
    return m;
}

} // namespace gearcalc::testing
