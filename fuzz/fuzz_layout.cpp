// The layout over random window sizes and densities: the fifteen keys tile
// the key area exactly, whatever the orientation.
#include "display/layout_math.h"
#include "fuzz/fuzz_input.h"

// The tab strip: a point is under tab i when its x lies in the strip's
// i-th fifth (i * right <= TAB_COUNT * x < (i + 1) * right); a point outside
// the strip is under none. On a strip as wide as any screen's, the centre
// of each tab's icon is under that tab.
static void CheckTabStrip(const RECT *strip, int iconWidth)
{
    long long right = strip->right;
    FUZZ_CHECK(TabIndexAt(strip, strip->left - 1) == -1 && TabIndexAt(strip, strip->right) == -1);
    for (int x = strip->left; x < strip->right; x++) {
        long long tab = TabIndexAt(strip, x);
        FUZZ_CHECK(tab >= 0 && tab < TAB_COUNT);
        FUZZ_CHECK(tab * right <= TAB_COUNT * (long long)x && TAB_COUNT * (long long)x < (tab + 1) * right);
    }
    for (int tab = 0; tab < TAB_COUNT && strip->right >= 80; tab++)
        FUZZ_CHECK(TabIndexAt(strip, TabIconLeft(strip, tab, iconWidth) + iconWidth / 2) == tab);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in = {data, size};
    RECT client = {0, 0, (LONG)TakeBelow(&in, 4097), (LONG)TakeBelow(&in, 4097)};
    LayoutMetrics metrics = BASE_LAYOUT_METRICS;
    ScaleLayoutMetrics(&metrics, (int)TakeBelow(&in, 1000));
    if (TakeByte(&in) & 1)
        metrics.tabStripHeight = 0;
    LayoutRects rects;
    ComputeLayoutRects(&client, &metrics, &rects);
    CheckTabStrip(&rects.tabStrip, metrics.tabIconWidth);

    long long top = rects.numberDisplay.bottom, bottom = rects.tabStrip.top;
    long long width = client.right, height = bottom - top;
    // Too small a window for its bars has no room for keys to tile.
    if (height < 5 || width < 4)
        return 0;
    long long area = 0;
    for (const RECT &key : rects.keys) {
        FUZZ_CHECK(key.left >= 0 && key.right <= client.right && key.left <= key.right);
        FUZZ_CHECK(key.top >= top && key.bottom <= bottom && key.top <= key.bottom);
        area += (long long)(key.right - key.left) * (key.bottom - key.top);
    }
    FUZZ_CHECK(area == width * height);

    // The rounding of the density scaling, against plain arithmetic.
    int a = (int)(TakeByte(&in) | (TakeByte(&in) << 8)) - 32768, b = (int)TakeBelow(&in, 2000) - 1000;
    int c = (int)TakeBelow(&in, 400) - 200;
    if (c != 0) {
        long long product = (long long)a * b;
        long long magnitude = ((product < 0 ? -product : product) + (c < 0 ? -c : c) / 2) / (c < 0 ? -c : c);
        FUZZ_CHECK(MultiplyDivide(a, b, c) == ((product < 0) != (c < 0) ? -magnitude : magnitude));
    }
    FUZZ_CHECK(SignalLevelFromRaw((int)TakeBelow(&in, 101)) <= 5);
    return 0;
}
