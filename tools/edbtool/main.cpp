// edbtool's command line; the work is done in edbtool.cpp.
#include "edbtool.hpp"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return edbtool::run(args, std::cout, std::cerr);
}
