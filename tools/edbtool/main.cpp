// edbtool's command line; the work is done in edbtool.cpp.
#include "edbtool.hpp"

#include <gear_tools/output.hpp>
#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>

#include <iostream>
#include <new>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // A console shows the Chinese field names and messages whatever its
    // code page.
    gearplat::consoleStandardStreams();
    gearplat::safeLibrarySearch();
    std::vector<std::string> args = gearplat::utf8Arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    gearplat::binaryStandardOutput();
    int status = 1;
    // Nothing is expected to throw; should memory run out, the user gets a
    // message and the status of a failed command rather than an abort.
    try {
        status = edbtool::run(args, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "edbtool: out of memory\n";
        return 1;
    }
    // What was printed must have arrived (a full disk, a closed pipe); a
    // command that failed has already said why.
    if (std::string error = gear_tools::finishStandardOutput(); !error.empty() && status == 0) {
        std::cerr << "edbtool: cannot write the output: " << error << '\n';
        return 1;
    }
    return status;
}
