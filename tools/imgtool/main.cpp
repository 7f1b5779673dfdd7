// imgtool: inspects, verifies and packs program images.
#include "imgtool.hpp"

#include <geartools/command_line.hpp>

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

    if (const std::optional<int> status = geartools::parseArguments(app, argc, argv)) return *status;
    gearplat::binaryStandardOutput();

    if (*inspect) return imgtool::inspect(image, std::cout, std::cerr);
    if (*verify) return imgtool::verify(image, std::cout, std::cerr);
    if (*logo) return imgtool::extractLogo(image, jpeg, std::cout, std::cerr);
    return imgtool::pack(image, std::cout, std::cerr);
}
