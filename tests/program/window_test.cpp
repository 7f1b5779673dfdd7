#include "program_fixture.hpp"

namespace gearcalc::testing {
namespace {

class WindowTest : public ProgramTest {};

TEST_F(WindowTest, StartsInTheDirectSpurState)
{
    EXPECT_EQ(checked(id::直齿单选框), 1);
    EXPECT_FALSE(enabled(id::度编辑框));
    EXPECT_FALSE(enabled(id::货号编辑框));
    EXPECT_FALSE(enabled(id::打印按钮));
    EXPECT_EQ(colour(id::度标签), 0xC0C0C0u);
    EXPECT_TRUE(host().visualStyleThemed());
}

} // namespace
} // namespace gearcalc::testing
