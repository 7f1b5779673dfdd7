#include "host.hpp"
#include "headless.hpp"

#include <gtest/gtest.h>

namespace gr {
namespace {

TEST(ServiceTable, StartsWithItsSizeAndVersion)
{
    const gr_services* s = serviceTable();
    EXPECT_EQ(s->struct_size, sizeof(gr_services));
    EXPECT_EQ(s->version, GR_INTERFACE_VERSION);
}

} // namespace
} // namespace gr
