// One running instance of the program for the window tests: the runtime
// host with its window built through the service table, as the start
// routine builds it (but without entering the message loop), on the
// catalogues and style library of the build's program folder.
#pragma once

#include <gearhost/host.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>

#include <memory>
#include <string>

namespace gearcalc::testing {

struct Program {
    std::unique_ptr<gr::Host> host;
    bool created = false;

    explicit Program(std::unique_ptr<gr::WindowSystem> window_system)
    {
        gr::HostOptions options;
        options.program_folder = GEARCALC_DIST_DIR; // the catalogues
        options.library_folder = GEARCALC_DIST_DIR; // stylx.vlr
        host = std::make_unique<gr::Host>(programDescription(), std::move(window_system), options);
        host->dialogs().forbidRealDialogs(true);
        gr_env* env = host->env();
        created = env->services->create_window(env, kMainWindow) == GR_OK;
    }
    const gr::ControlState& control(uint32_t identity) const { return *host->model().find(identity); }
    std::string report() const { return control(id::结果编辑框).text; }
};

} // namespace gearcalc::testing
