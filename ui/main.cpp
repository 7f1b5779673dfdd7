// Starts the program in this process on the runtime beside it.
#include "routines.hpp"

extern "C" int gr_run_program(const gr::ProgramDescription* program, int argc, char** argv);

int main(int argc, char** argv)
{
    return gr_run_program(&gearcalc::programDescription(), argc, argv);
}
