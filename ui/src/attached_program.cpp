// The program as the runtime loads it from the image attached to this
// executable: the command line and the tests run exactly what ships.
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>

#include <gearhost/program_loader.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>

extern "C" const unsigned char gear_program_image[];
extern "C" const std::size_t gear_program_image_size;

namespace gearcalc {

const gr::ProgramDescription& programDescription()
{
    static const std::unique_ptr<gr::LoadedProgram> program = [] {
        gr::LoadResult r = gr::loadProgram({gear_program_image, gear_program_image_size}, findRoutine, {});
        if (!r.program) {
            std::fprintf(stderr, "%s\n", r.error.c_str());
            std::exit(70);
        }
        return std::move(r.program);
    }();
    return program->description;
}

} // namespace gearcalc
