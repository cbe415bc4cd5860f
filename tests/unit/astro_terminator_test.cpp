#include "astro/terminator.h"

#include <gtest/gtest.h>

using namespace hv::astro;
using hv::dev::SystemTime;

namespace {

SystemTime Utc(int mo, int d, int h, int mi) {
    return SystemTime{2006,
                      static_cast<uint16_t>(mo),
                      0,
                      static_cast<uint16_t>(d),
                      static_cast<uint16_t>(h),
                      static_cast<uint16_t>(mi),
                      0,
                      0};
}

constexpr int kW = 480, kH = 240;

} // namespace

TEST(AstroTerminator, MarchEquinoxIsNearlyAPairOfMeridians) {
    const Terminator t = TerminatorAt(Utc(3, 21, 12, 0), kW, kH);
    ASSERT_EQ(t.rows.size(), size_t(kW));
    EXPECT_EQ(t.sigma, 1); // s = 0.001 > 0: the Sun counts as just north of the equator
    // Away from the two terminator meridians the curve runs along the top or bottom edge.
    EXPECT_EQ(t.rows[kW / 2], kH - 1); // noon column: lit from top to bottom
    EXPECT_EQ(t.rows[0], 0);           // midnight column: dark from top to bottom
    EXPECT_TRUE(IsNight(t, 0, kH / 2));
    EXPECT_FALSE(IsNight(t, kW / 2, kH / 2));
    int crossings = 0;
    for (int x = 1; x < kW; ++x)
        crossings += (t.rows[x] > kH / 2) != (t.rows[x - 1] > kH / 2);
    EXPECT_EQ(crossings, 2);
}

TEST(AstroTerminator, JuneSolsticeAtNoonLightsLongitudeZeroTo66South) {
    const Terminator t = TerminatorAt(Utc(6, 21, 12, 0), kW, kH);
    EXPECT_EQ(t.sigma, 1);
    const int y = t.rows[kW / 2];
    const double latitude = 90.0 - (y + 0.5) * 180.0 / kH;
    EXPECT_NEAR(latitude, -66.5, 1.0);
    EXPECT_FALSE(IsNight(t, kW / 2, 0));
    EXPECT_FALSE(IsNight(t, kW / 2, y));
    EXPECT_TRUE(IsNight(t, kW / 2, y + 1));
    // December: the Sun is south and the night lies above the curve.
    EXPECT_EQ(TerminatorAt(Utc(12, 21, 12, 0), kW, kH).sigma, -1);
}

TEST(AstroTerminator, NightRunsCoverExactlyTheNightPixels) {
    for (const SystemTime& when : {Utc(6, 21, 3, 30), Utc(12, 1, 18, 5), Utc(3, 21, 0, 0)}) {
        const Terminator t = TerminatorAt(when, kW, kH);
        std::vector<std::vector<bool>> covered(kH, std::vector<bool>(kW, false));
        int lastY = -1, lastX1 = -1;
        for (const NightRun& r : NightRuns(t, kH)) {
            ASSERT_LT(r.x0, r.x1);
            ASSERT_TRUE(r.y > lastY || (r.y == lastY && r.x0 > lastX1)); // ordered, maximal
            lastY = r.y;
            lastX1 = r.x1;
            for (int x = r.x0; x < r.x1; ++x)
                covered[r.y][x] = true;
        }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(covered[y][x], IsNight(t, x, y)) << x << ',' << y;
    }
    EXPECT_TRUE(TerminatorAt(Utc(6, 1, 0, 0), 0, kH).rows.empty());
}

TEST(AstroTerminator, MarkPositions) {
    EXPECT_EQ(MarkPosition(0, 0, true, true, kW, kH), (MapPoint{kW / 2, (kH - 4) / 2 - 1}));
    // London 51 N 0 W, Sydney 33 S 151 E.
    EXPECT_EQ(MarkPosition(51, 0, true, false, kW, kH), (MapPoint{240, 118 - 69}));
    EXPECT_EQ(MarkPosition(33, 151, false, true, kW, kH), (MapPoint{240 + 201, 118 + 45}));
    EXPECT_EQ(MarkPosition(90, 180, false, false, kW, kH), (MapPoint{0, 118 + 121}));
    // A tap lands back on the mark of the place it picks.
    for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; x += 5) {
            const MapPlace p = PlaceAtPoint(x, y, kW, kH);
            ASSERT_LE(p.latDegrees, 90);
            ASSERT_LE(p.lonDegrees, 180);
            const MapPoint m = MarkPosition(p.latDegrees, p.lonDegrees, p.north, p.east, kW, kH);
            ASSERT_LE(std::abs(m.x - x), 1) << x << ',' << y;
            if (y > 4 && y < kH - 6) {
                ASSERT_LE(std::abs(m.y - y), 1) << x << ',' << y;
            }
        }
}

TEST(AstroTerminator, EveryDayAndMinuteStaysOnTheMap) {
    for (int mo = 1; mo <= 12; ++mo)
        for (int d = 1; d <= 31; d += 2)
            for (int h = 0; h < 24; h += 5) {
                const Terminator t = TerminatorAt(Utc(mo, d, h, d), 96, 48);
                for (int16_t y : t.rows) {
                    ASSERT_GE(y, 0);
                    ASSERT_LE(y, 48);
                }
            }
}
