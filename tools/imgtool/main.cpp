// imgtool: inspects, verifies and packs program images.
#include "imgtool.hpp"

#include <gear_tools/command_line.hpp>
#include <gear_tools/output.hpp>

#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"Inspects, verifies and packs program images."};
    app.require_subcommand(1);

    std::string image, jpeg;
    CLI::App* inspect = app.add_subcommand(
        "inspect", "Print the header, library list, section chain, routines, constants, the form's controls and the "
                   "fix-up counts by kind");
    inspect->add_option("IMAGE", image, "program image")->required();
    CLI::App* verify =
        app.add_subcommand("verify", "Check every invariant of the layout; exit 1 naming the first violation");
    verify->add_option("IMAGE", image, "program image")->required();
    CLI::App* logo = app.add_subcommand("extract-logo", "Write the picture box's JPEG");
    logo->add_option("IMAGE", image, "program image")->required();
    logo->add_option("OUT", jpeg, "JPEG file to write")->required();
    CLI::App* pack = app.add_subcommand("pack", "Build the program's image from its form, routines and texts");
    pack->add_option("OUT", image, "image file to write")->required();

    if (const std::optional<int> status = gear_tools::parseArguments(app, argc, argv)) return *status;
    gearplat::binaryStandardOutput();

    int status = 0;
    if (*inspect) status = imgtool::inspect(image, std::cout, std::cerr);
    else if (*verify) status = imgtool::verify(image, std::cout, std::cerr);
    else if (*logo) status = imgtool::extractLogo(image, jpeg, std::cout, std::cerr);
    else status = imgtool::pack(image, std::cout, std::cerr);
    // What was printed must have arrived, or the command did not succeed.
    if (std::string error = gear_tools::finishStandardOutput(); !error.empty()) {
        std::cerr << "imgtool: cannot write the output: " << error << "\n";
        return 1;
    }
    return status;
}
