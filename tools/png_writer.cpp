#include "png_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

static uint32_t crc32(const uint8_t *p, size_t n)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i;
            for (int k = 0; k < 8; ++k)
                v = (v & 1) ? 0xEDB88320u ^ (v >> 1) : v >> 1;
            table[i] = v;
        }
    uint32_t crc = ~0u;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static uint32_t adler32(const std::vector<uint8_t> &d)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : d) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

static void put32(std::vector<uint8_t> &o, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        o.push_back(uint8_t(v >> s));
}

std::vector<uint8_t> PngChunk(const char *type, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> out;
    put32(out, uint32_t(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + 4, out.size() - 4));
    return out;
}

static void chunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> whole = PngChunk(type, data);
    out.insert(out.end(), whole.begin(), whole.end());
}

static void storeBlocks(const std::vector<uint8_t> &raw, std::vector<uint8_t> &z)
{
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.insert(z.end(), {uint8_t(last), uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
        if (last)
            break;
    }
}

// ---- one deflate block with the fixed Huffman codes and greedy LZ77 matches ----
namespace
{
struct BitWriter {
    std::vector<uint8_t> &out;
    uint32_t acc = 0;
    int count = 0;

    void bits(uint32_t value, int n)
    {
        acc |= value << count;
        count += n;
        for (; count >= 8; count -= 8, acc >>= 8)
            out.push_back(uint8_t(acc));
    }
    // Huffman codes go most significant bit first.
    void code(uint32_t value, int n)
    {
        uint32_t reversed = 0;
        for (int i = 0; i < n; ++i)
            reversed = (reversed << 1) | ((value >> i) & 1);
        bits(reversed, n);
    }
    void symbol(int s)
    {
        if (s < 144)
            code(0x30 + s, 8);
        else if (s < 256)
            code(0x190 + s - 144, 9);
        else if (s < 280)
            code(s - 256, 7);
        else
            code(0xC0 + s - 280, 8);
    }
    void flush()
    {
        if (count)
            out.push_back(uint8_t(acc));
        acc = 0;
        count = 0;
    }
};

const int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
} // namespace

static void deflateFixed(const std::vector<uint8_t> &d, std::vector<uint8_t> &z)
{
    const int kWindow = 32768, kMaxMatch = 258, kChain = 256;
    const size_t n = d.size();
    std::vector<int> head(1 << 15, -1), prev(n, -1);
    auto hash = [&](size_t i) { return ((d[i] << 10) ^ (d[i + 1] << 5) ^ d[i + 2]) & 0x7FFF; };
    auto insert = [&](size_t i) {
        if (i + 3 > n)
            return;
        int h = hash(i);
        prev[i] = head[h];
        head[h] = int(i);
    };
    BitWriter w{z};
    w.bits(1, 1); // the last block
    w.bits(1, 2); // fixed codes
    for (size_t i = 0; i < n;) {
        int bestLength = 0, bestDistance = 0;
        if (i + 3 <= n) {
            int limit = int(std::min<size_t>(kMaxMatch, n - i)), tries = kChain;
            for (int c = head[hash(i)]; c >= 0 && int(i) - c <= kWindow && tries--; c = prev[c]) {
                int length = 0;
                while (length < limit && d[c + length] == d[i + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = int(i) - c;
                    if (length == limit)
                        break;
                }
            }
        }
        if (bestLength < 3) {
            w.symbol(d[i]);
            insert(i++);
            continue;
        }
        int l = 28;
        while (kLengthBase[l] > bestLength)
            --l;
        w.symbol(257 + l);
        w.bits(bestLength - kLengthBase[l], kLengthExtra[l]);
        int k = 29;
        while (kDistanceBase[k] > bestDistance)
            --k;
        w.code(k, 5);
        w.bits(bestDistance - kDistanceBase[k], kDistanceExtra[k]);
        for (int j = 0; j < bestLength; ++j)
            insert(i++);
    }
    w.symbol(256);
    w.flush();
}

static uint8_t paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Each row with the filter whose output sums smallest as signed bytes, the
// usual guess at what compresses best.
static std::vector<uint8_t> filterRows(int width, int height, int channels, const std::vector<uint8_t> &pixels)
{
    const size_t stride = size_t(width) * channels;
    std::vector<uint8_t> raw, zeros(stride, 0), candidate(stride);
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = &pixels[y * stride], *up = y ? &pixels[(y - 1) * stride] : zeros.data();
        std::vector<uint8_t> best;
        long bestSum = -1;
        for (int filter = 0; filter < 5; ++filter) {
            long sum = 0;
            for (size_t x = 0; x < stride; ++x) {
                int left = x >= size_t(channels) ? row[x - channels] : 0;
                int upLeft = x >= size_t(channels) ? up[x - channels] : 0;
                int predicted = filter == 0   ? 0
                                : filter == 1 ? left
                                : filter == 2 ? up[x]
                                : filter == 3 ? (left + up[x]) / 2
                                              : paeth(left, up[x], upLeft);
                candidate[x] = uint8_t(row[x] - predicted);
                sum += std::abs(int(int8_t(candidate[x])));
            }
            if (bestSum < 0 || sum < bestSum) {
                bestSum = sum;
                best.assign(1, uint8_t(filter));
                best.insert(best.end(), candidate.begin(), candidate.end());
            }
        }
        raw.insert(raw.end(), best.begin(), best.end());
    }
    return raw;
}

std::vector<uint8_t> EncodePng(int width, int height, int channels, const std::vector<uint8_t> &pixels,
                               PngPacking packing)
{
    std::vector<uint8_t> raw;
    if (packing == PngPacking::Deflated) {
        raw = filterRows(width, height, channels, pixels);
    } else {
        const size_t stride = size_t(width) * channels;
        for (int y = 0; y < height; ++y) {
            raw.push_back(0); // filter: none
            raw.insert(raw.end(), pixels.begin() + y * stride, pixels.begin() + (y + 1) * stride);
        }
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    if (packing == PngPacking::Deflated)
        deflateFixed(raw, z);
    else
        storeBlocks(raw, z);
    put32(z, adler32(raw));

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32(ihdr, uint32_t(width));
    put32(ihdr, uint32_t(height));
    ihdr.insert(ihdr.end(), {8, uint8_t(channels == 4 ? 6 : 2), 0, 0, 0}); // 8-bit RGB(A), no interlace
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::string &path, int width, int height, int channels, const std::vector<uint8_t> &pixels,
              PngPacking packing)
{
    return WriteBytes(path, EncodePng(width, height, channels, pixels, packing));
}
