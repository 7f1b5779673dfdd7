// edbtool's command line; the work is done in edbtool.cpp.
#include "edbtool.hpp"

#include <gear_tools/output.hpp>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = edbtool::run(args, std::cout, std::cerr);
    // What was printed must have arrived (a full disk, a closed pipe).
    if (std::string error = gear_tools::finishStandardOutput(); !error.empty()) {
        std::cerr << "edbtool: cannot write the output: " << error << '\n';
        return 1;
    }
    return status;
}
