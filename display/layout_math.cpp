// Where everything of the window lies, from the client rectangle and the
// metrics alone: the same for every caller and every build.
#include "display/layout_math.h"

#include "app/keys.h"

const LayoutMetrics BASE_LAYOUT_METRICS = {40, 16, 32, 24, 12, 13, 48, 1};

static void PlaceRect(RECT *rect, int left, int top, int right, int bottom)
{
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
}

int MultiplyDivide(int a, int b, int c)
{
    if (c == 0)
        return -1;
    long long product = (long long)a * b;
    long long half = (c < 0 ? -(long long)c : c) / 2;
    bool negative = (product < 0) != (c < 0);
    long long magnitude = (product < 0 ? -product : product) + half;
    long long quotient = magnitude / (c < 0 ? -(long long)c : c);
    long long result = negative ? -quotient : quotient;
    if (result > 2147483647LL || result < -2147483647LL - 1)
        return -1;
    return (int)result;
}

int TabIndexAt(const RECT *strip, int x)
{
    if (x < 0 || x >= strip->right)
        return -1;
    return (int)((long long)TAB_COUNT * x / strip->right);
}

int TabIconLeft(const RECT *strip, int tab, int iconWidth)
{
    int half = (strip->right - strip->left) / (2 * TAB_COUNT);
    return strip->left + (2 * tab + 1) * half - iconWidth / 2;
}

void ScaleLayoutMetrics(LayoutMetrics *metrics, int dpi)
{
    if (dpi <= 96)
        return;
    int *fields[] = {&metrics->tabStripHeight,  &metrics->statusBarHeight, &metrics->numberFontHeight,
                     &metrics->digitFontHeight, &metrics->smallFontHeight, &metrics->statusFontHeight,
                     &metrics->tabIconWidth,    &metrics->scaleUnit};
    for (size_t i = 0; i < ARRAY_COUNT(fields); i++)
        *fields[i] = MultiplyDivide(*fields[i], dpi, 96);
}

static void PlaceKey(RECT *keys, KeyCode code, int left, int top, int right, int bottom)
{
    PlaceRect(&keys[KeyIndexOf(code)], left, top, right, bottom);
}

static void LayOutLandscapeKeys(const RECT *client, int y0, int yB, RECT *keys)
{
    int L = client->left, R = client->right;
    int c = (R - L) / 4;
    int x[5] = {L, L + c, L + 2 * c, L + 3 * c, R};
    int K = yB - y0;
    int p = K / 4;
    int y[5] = {y0, y0 + p, y0 + 2 * p, y0 + 3 * p, yB};
    static const KeyCode grid[4][3] = {{'1', '2', '3'}, {'4', '5', '6'}, {'7', '8', '9'}, {'*', '0', '#'}};
    for (int row = 0; row < 4; row++) {
        for (int column = 0; column < 3; column++)
            PlaceKey(keys, grid[row][column], x[column], y[row], x[column + 1], y[row + 1]);
    }
    int s = K / 3;
    PlaceKey(keys, KEY_BACKSPACE, x[3], y0, R, y0 + s);
    PlaceKey(keys, KEY_CALL, x[3], y0 + s, R, yB - s);
    PlaceKey(keys, KEY_NEW_CONTACT, x[3], yB - s, R, yB);
}

static void LayOutPortraitKeys(const RECT *client, int y0, int yB, RECT *keys)
{
    int L = client->left, R = client->right;
    int third = (R - L) / 3;
    int x[4] = {L, L + third, R - third, R};
    int q = (yB - y0) / 5;
    int y[6] = {y0, y0 + q, y0 + 2 * q, y0 + 3 * q, y0 + 4 * q, yB};
    static const KeyCode grid[5][3] = {
        {'1', '2', '3'}, {'4', '5', '6'}, {'7', '8', '9'}, {'*', '0', '#'}, {KEY_NEW_CONTACT, KEY_CALL, KEY_BACKSPACE},
    };
    for (int row = 0; row < 5; row++) {
        for (int column = 0; column < 3; column++)
            PlaceKey(keys, grid[row][column], x[column], y[row], x[column + 1], y[row + 1]);
    }
}

void ComputeLayoutRects(const RECT *client, const LayoutMetrics *metrics, LayoutRects *rects)
{
    int L = client->left, T = client->top, R = client->right, B = client->bottom;
    int W = R - L, H = B - T;
    int sbH = metrics->statusBarHeight, tabH = metrics->tabStripHeight, u = metrics->scaleUnit;

    PlaceRect(&rects->statusBar, L, T, R, T + sbH);
    PlaceRect(&rects->serviceTitle, L + 20 * u, T, R / 2 - 20 * u, 2 * (T + sbH));
    PlaceRect(&rects->keypadArea, L, T + sbH, R, B - tabH);
    PlaceRect(&rects->tabStrip, L, B - tabH, R, B);
    int y0 = T + sbH + (W > H ? W : H) / 8;
    PlaceRect(&rects->numberDisplay, L, T + sbH, R, y0);
    int yB = B - tabH;
    if (B < R)
        LayOutLandscapeKeys(client, y0, yB, rects->keys);
    else
        LayOutPortraitKeys(client, y0, yB, rects->keys);
}

