#include <gtest/gtest.h>

#include "app/keys.h"
#include "display/layout_math.h"
#include "settings/setting_table.h"
#include "support/text_support.h"

namespace
{

LayoutRects Lay(int width, int height, LayoutMetrics metrics = BASE_LAYOUT_METRICS)
{
    RECT client = {0, 0, width, height};
    LayoutRects rects;
    ComputeLayoutRects(&client, &metrics, &rects);
    return rects;
}

::testing::AssertionResult RectIs(const RECT &rect, int left, int top, int right, int bottom)
{
    if (rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << rect.left << ", " << rect.top << ", " << rect.right << ", "
                                         << rect.bottom << ")";
}

enum { ONE, TWO, THREE, FOUR, FIVE, SIX, SEVEN, EIGHT, NINE, ZERO, STAR, POUND, NEW_CONTACT, CALL, BACKSPACE };

} // namespace

TEST(Layout, PortraitQvga)
{
    LayoutRects rects = Lay(240, 320);
    EXPECT_TRUE(RectIs(rects.statusBar, 0, 0, 240, 16));
    EXPECT_TRUE(RectIs(rects.serviceTitle, 20, 0, 100, 32));
    EXPECT_TRUE(RectIs(rects.numberDisplay, 0, 16, 240, 56));
    EXPECT_TRUE(RectIs(rects.keypadArea, 0, 16, 240, 280));
    EXPECT_TRUE(RectIs(rects.tabStrip, 0, 280, 240, 320));
    EXPECT_TRUE(RectIs(rects.keys[ONE], 0, 56, 80, 100));
    EXPECT_TRUE(RectIs(rects.keys[FIVE], 80, 100, 160, 144));
    EXPECT_TRUE(RectIs(rects.keys[NINE], 160, 144, 240, 188));
    EXPECT_TRUE(RectIs(rects.keys[STAR], 0, 188, 80, 232));
    EXPECT_TRUE(RectIs(rects.keys[ZERO], 80, 188, 160, 232));
    EXPECT_TRUE(RectIs(rects.keys[POUND], 160, 188, 240, 232));
    EXPECT_TRUE(RectIs(rects.keys[NEW_CONTACT], 0, 232, 80, 280));
    EXPECT_TRUE(RectIs(rects.keys[CALL], 80, 232, 160, 280));
    EXPECT_TRUE(RectIs(rects.keys[BACKSPACE], 160, 232, 240, 280));
}

TEST(Layout, LandscapeQvga)
{
    LayoutRects rects = Lay(320, 240);
    EXPECT_TRUE(RectIs(rects.serviceTitle, 20, 0, 140, 32));
    EXPECT_TRUE(RectIs(rects.numberDisplay, 0, 16, 320, 56));
    EXPECT_TRUE(RectIs(rects.keys[ONE], 0, 56, 80, 92));
    EXPECT_TRUE(RectIs(rects.keys[SIX], 160, 92, 240, 128));
    EXPECT_TRUE(RectIs(rects.keys[EIGHT], 80, 128, 160, 164));
    EXPECT_TRUE(RectIs(rects.keys[STAR], 0, 164, 80, 200));
    EXPECT_TRUE(RectIs(rects.keys[ZERO], 80, 164, 160, 200));
    EXPECT_TRUE(RectIs(rects.keys[POUND], 160, 164, 240, 200));
    EXPECT_TRUE(RectIs(rects.keys[BACKSPACE], 240, 56, 320, 104));
    EXPECT_TRUE(RectIs(rects.keys[CALL], 240, 104, 320, 152));
    EXPECT_TRUE(RectIs(rects.keys[NEW_CONTACT], 240, 152, 320, 200));
}

TEST(Layout, LandscapeCallKeyTakesTheRemainder)
{
    // K = 145: the call key is one taller than its neighbours.
    LayoutRects rects = Lay(320, 241);
    EXPECT_EQ(48, rects.keys[BACKSPACE].bottom - rects.keys[BACKSPACE].top);
    EXPECT_EQ(49, rects.keys[CALL].bottom - rects.keys[CALL].top);
    EXPECT_EQ(48, rects.keys[NEW_CONTACT].bottom - rects.keys[NEW_CONTACT].top);
}

TEST(Layout, PortraitVgaAtDoubleDensity)
{
    LayoutMetrics metrics = BASE_LAYOUT_METRICS;
    ScaleLayoutMetrics(&metrics, 192);
    LayoutRects rects = Lay(480, 640, metrics);
    EXPECT_TRUE(RectIs(rects.numberDisplay, 0, 32, 480, 112));
    int rows[] = {112, 201, 290, 379, 468};
    for (int row = 0; row < 4; row++)
        EXPECT_EQ(rows[row], rects.keys[row * 3].top);
    EXPECT_EQ(468, rects.keys[NEW_CONTACT].top);
    EXPECT_EQ(560, rects.keys[NEW_CONTACT].bottom);
    EXPECT_EQ(160, rects.keys[TWO].left);
    EXPECT_EQ(320, rects.keys[THREE].left);
    EXPECT_EQ(480, rects.keys[THREE].right);
}

TEST(Layout, WithoutTabStripTheKeysReachTheBottom)
{
    LayoutMetrics metrics = BASE_LAYOUT_METRICS;
    metrics.tabStripHeight = 0;
    LayoutRects rects = Lay(240, 320, metrics);
    EXPECT_TRUE(RectIs(rects.tabStrip, 0, 320, 240, 320));
    EXPECT_TRUE(RectIs(rects.keys[CALL], 80, 264, 160, 320));
}

TEST(Layout, SquareIsPortrait)
{
    LayoutRects rects = Lay(240, 240);
    EXPECT_EQ(80, rects.keys[CALL].left) << "three columns";
    EXPECT_EQ(rects.keys[STAR].bottom, rects.keys[NEW_CONTACT].top);
}

TEST(Layout, KeysShareEdges)
{
    for (auto size : {std::make_pair(240, 320), std::make_pair(320, 240), std::make_pair(241, 331)}) {
        LayoutRects rects = Lay(size.first, size.second);
        EXPECT_EQ(rects.keys[ONE].right, rects.keys[TWO].left);
        EXPECT_EQ(rects.keys[TWO].right, rects.keys[THREE].left);
        EXPECT_EQ(rects.keys[ONE].bottom, rects.keys[FOUR].top);
        EXPECT_EQ(rects.numberDisplay.bottom, rects.keys[ONE].top);
    }
}

TEST(Layout, MetricsScaleOnlyAboveNinetySixDpi)
{
    LayoutMetrics metrics = BASE_LAYOUT_METRICS;
    ScaleLayoutMetrics(&metrics, 96);
    EXPECT_EQ(40, metrics.tabStripHeight);
    EXPECT_EQ(1, metrics.scaleUnit);
    ScaleLayoutMetrics(&metrics, 72);
    EXPECT_EQ(16, metrics.statusBarHeight);

    ScaleLayoutMetrics(&metrics, 192);
    int expected[] = {80, 32, 64, 48, 24, 26, 96, 2};
    int got[] = {metrics.tabStripHeight,  metrics.statusBarHeight,  metrics.numberFontHeight, metrics.digitFontHeight,
                 metrics.smallFontHeight, metrics.statusFontHeight, metrics.tabIconWidth,     metrics.scaleUnit};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(expected[i], got[i]) << "metric " << i;

    LayoutMetrics rounded = BASE_LAYOUT_METRICS;
    ScaleLayoutMetrics(&rounded, 131);
    EXPECT_EQ(55, rounded.tabStripHeight) << "rounded to nearest, not cut";
}

TEST(StatusValues, SignalBarsAndBatteryFill)
{
    EXPECT_EQ(0, SignalLevelFromRaw(19));
    EXPECT_EQ(1, SignalLevelFromRaw(20));
    EXPECT_EQ(4, SignalLevelFromRaw(99));
    EXPECT_EQ(5, SignalLevelFromRaw(100));
    const int charges[] = {0, 21, 41, 61, 76, 79, 81, 100};
    const int fills[] = {0, 4, 9, 13, 16, 17, 17, 21};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(fills[i], BatteryLevelFromMain((DWORD)charges[i] << 16)) << "charge " << charges[i];
}

TEST(LayoutArithmetic, EveryKeyHasItsPlaceInTheOneTable)
{
    for (int i = 0; i < KEY_COUNT; i++)
        EXPECT_EQ(i, KeyIndexOf(KeypadKeys[i].code));
    EXPECT_EQ(-1, KeyIndexOf(KEY_NONE));
    EXPECT_EQ(-1, KeyIndexOf('+'));
    LayoutRects rects = Lay(240, 320);
    EXPECT_EQ(80, rects.keys[KeyIndexOf('0')].left) << "0 sits in the middle of the fourth row";
    EXPECT_EQ(188, rects.keys[KeyIndexOf('0')].top);
}

// The settings program's checks, as a person types: NULL for a value the
// dialer can use.
TEST(Layout, SettingsChecksOfWhatIsTyped)
{
    const struct {
        const wchar_t *(*check)(const wchar_t *);
        const wchar_t *text;
        bool usable;
    } cases[] = {
        {CheckCountryCode, L"1", true},
        {CheckCountryCode, L"358", true},
        {CheckCountryCode, L"", false},
        {CheckCountryCode, L"+44", false},
        {CheckCountryCode, L"4 4", false},
        {CheckOwnNumber, L"", true},
        {CheckOwnNumber, L"(415) 555-0100", true},
        {CheckOwnNumber, L"+1 800 FLOWERS", true},
        {CheckOwnNumber, L"me@example.net", false},
        {CheckOwnNumber, L"unknown", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.usable, c.check(c.text) == NULL) << Narrow(c.text);
}
