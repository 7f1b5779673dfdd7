// The launcher's process entry. The program image is attached to the
// executable as data (see gear_attach_image); its address is resolved by the
// system loader wherever the executable is loaded.
#include <gearlaunch/launcher.hpp>

extern "C" const unsigned char gear_program_image[];

int main()
{
    const std::unique_ptr<gearlaunch::Platform> platform = gearlaunch::makeNativePlatform();
    return gearlaunch::runLauncher(*platform, gear_program_image);
}
