#include "tray/tray_geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace veltar {
namespace {

TEST(ClampMenuX, KeepsXWithinTheWorkAreaEdges) {
    EXPECT_EQ(ClampMenuX(-40, 0, 1280), 0);
    EXPECT_EQ(ClampMenuX(1500, 0, 1280), 1280);
    EXPECT_EQ(ClampMenuX(640, 0, 1280), 640);
    EXPECT_EQ(ClampMenuX(-3000, -1920, 0), -1920);
}

TEST(FitTip, AtMost127UnitsAndNeverHalfASurrogatePair) {
    const std::u16string shortText = u"CPU1-温度: 45.00℃\r\n";
    EXPECT_EQ(FitTip(shortText), shortText);
    const std::u16string exact(127, u'x');
    EXPECT_EQ(FitTip(exact).size(), 127u);
    std::u16string report;
    for (int i = 1; i <= 9; ++i) report += u"CPU" + std::u16string(1, char16_t(u'0' + i)) + u"-温度: 45.00℃\r\n";
    ASSERT_GT(report.size(), 127u);
    EXPECT_EQ(FitTip(report), report.substr(0, 127));
    // A pair that would straddle the limit is left out whole.
    const std::u16string straddling = std::u16string(126, u'x') + u"\U0001F321" + u"y";
    EXPECT_EQ(FitTip(straddling), std::u16string(126, u'x'));
    const std::u16string fitting = std::u16string(125, u'x') + u"\U0001F321" + u"y";
    EXPECT_EQ(FitTip(fitting), std::u16string(125, u'x') + u"\U0001F321");
}

}  // namespace
}  // namespace veltar
