// The main window's form description, from which the build packs the
// program image. The routines never see it: the runtime builds the window
// from the image's form section.
#pragma once

#include <gearrt/form.hpp>

namespace gearcalc {

const gr::form::Window& mainWindowForm();

} // namespace gearcalc
