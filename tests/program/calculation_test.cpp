#include "program_fixture.hpp"

namespace gearcalc::testing {
namespace {

class CalculationTest : public ProgramTest {};

TEST_F(CalculationTest, SpurModule2Teeth20GivesTheWorkedExample)
{
    type(id::模数编辑框, "2");
    type(id::齿数编辑框, "20");
    ASSERT_TRUE(click(id::计算按钮));
    EXPECT_EQ(report(),
              "**齿轮基本信息**\r\n模数：2\r\n齿数：20\r\n压力角：20°\r\n螺旋角：0°\r\n\r\n**计算结果**"
              "\r\n分度圆直径：40\r\n齿顶圆直径：44\r\n齿根圆直径：35\r\n基圆直径：37.5877\r\n齿顶高：2"
              "\r\n齿根高：2.5\r\n全齿高：4.5\r\n公法线长度：15.3209\r\n公法线跨齿数：3"
              "\r\n\r\n**齿轮精度参数**\r\n制齿精度：无");
    EXPECT_TRUE(enabled(id::打印按钮));
    EXPECT_EQ(colour(id::结果编辑框), 0xFF0000u);
    EXPECT_TRUE(takeMessages().empty());
}

} // namespace
} // namespace gearcalc::testing
