// edbtool's command line; the work is done in edbtool.cpp.
#include "edbtool.hpp"

#include <gearplat/text_files.hpp>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args = gearplat::utf8Arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    gearplat::binaryStandardOutput();
    return edbtool::run(args, std::cout, std::cerr);
}
