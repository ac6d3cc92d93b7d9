#include "platform/image_bounds.h"

// Each walker below reads a declared length only after checking that the
// bytes holding it are there, and compares it with what is left after it
// (never adds it to a position first, which could wrap).

namespace
{

// The bounds and what the rasters measured so far take of them.
struct Budget {
    unsigned maxSide;
    unsigned long maxPixels;
    ULONGLONG pixels;
};

unsigned BigEndian16(const unsigned char *at)
{
    return (unsigned)at[0] << 8 | at[1];
}

unsigned long BigEndian32(const unsigned char *at)
{
    return (unsigned long)at[0] << 24 | (unsigned long)at[1] << 16 | (unsigned long)at[2] << 8 | at[3];
}

unsigned LittleEndian16(const unsigned char *at)
{
    return (unsigned)at[1] << 8 | at[0];
}

unsigned long LittleEndian32(const unsigned char *at)
{
    return (unsigned long)at[3] << 24 | (unsigned long)at[2] << 16 | (unsigned long)at[1] << 8 | at[0];
}

BOOL StartsWith(const unsigned char *bytes, size_t size, const char *signature, size_t length)
{
    if (size < length)
        return FALSE;
    for (size_t i = 0; i < length; i++) {
        if (bytes[i] != (unsigned char)signature[i])
            return FALSE;
    }
    return TRUE;
}

// A raster of width x height fits the sides and the pixels left.
ImageCheck CheckRaster(const Budget *budget, unsigned long width, unsigned long height)
{
    ImageCheck check = CheckImageSize(width, height, budget->maxSide, budget->maxPixels);
    if (check == IMAGE_ACCEPTED && budget->pixels > budget->maxPixels - (ULONGLONG)width * height)
        return IMAGE_TOO_LARGE;
    return check;
}

// The same, and the raster's pixels are taken from the budget: a decoder
// that holds every frame at once.
ImageCheck TakeRaster(Budget *budget, unsigned long width, unsigned long height)
{
    ImageCheck check = CheckRaster(budget, width, height);
    if (check == IMAGE_ACCEPTED)
        budget->pixels += (ULONGLONG)width * height;
    return check;
}

// PNG: the signature, then chunks of a 4-byte length, a 4-byte type, the
// data and a 4-byte CRC; IHDR first, at least one IDAT, IEND last.
#define PNG_SIGNATURE_SIZE 8
#define PNG_FRAMING 12
#define PNG_HEADER_SIZE 13
#define PNG_LENGTH_LIMIT 0x7FFFFFFFul

BOOL IsChunk(const unsigned char *type, const char *name)
{
    return StartsWith(type, 4, name, 4);
}

BOOL IsChunkType(const unsigned char *type)
{
    for (size_t i = 0; i < 4; i++) {
        unsigned char letter = (unsigned char)(type[i] | 0x20);
        if (letter < 'a' || letter > 'z')
            return FALSE;
    }
    return TRUE;
}

// The bit depths each colour type allows, bit d set for depth d.
BOOL IsPngDepth(unsigned colourType, unsigned depth)
{
    static const unsigned long depths[7] = {
        1ul << 1 | 1ul << 2 | 1ul << 4 | 1ul << 8 | 1ul << 16, // grey
        0,
        1ul << 8 | 1ul << 16,                                  // RGB
        1ul << 1 | 1ul << 2 | 1ul << 4 | 1ul << 8,             // palette
        1ul << 8 | 1ul << 16,                                  // grey and alpha
        0,
        1ul << 8 | 1ul << 16                                   // RGBA
    };
    return colourType < 7 && depth <= 16 && ((depths[colourType] >> depth) & 1);
}

ImageCheck ReadPngHeader(const unsigned char *header, Budget *budget, MeasuredImage *image)
{
    unsigned long width = BigEndian32(header), height = BigEndian32(header + 4);
    ImageCheck check = CheckRaster(budget, width, height);
    if (check != IMAGE_ACCEPTED)
        return check;
    if (width > PNG_LENGTH_LIMIT || height > PNG_LENGTH_LIMIT || !IsPngDepth(header[9], header[8]) ||
        header[10] != 0 || header[11] != 0 || header[12] > 1)
        return IMAGE_MALFORMED;
    image->width = (unsigned)width;
    image->height = (unsigned)height;
    return IMAGE_ACCEPTED;
}

ImageCheck MeasurePng(const unsigned char *bytes, size_t size, Budget *budget, MeasuredImage *image)
{
    size_t at = PNG_SIGNATURE_SIZE;
    BOOL header = FALSE, data = FALSE;
    for (;;) {
        if (size - at < PNG_FRAMING)
            return IMAGE_CUT_OFF;
        unsigned long length = BigEndian32(bytes + at);
        const unsigned char *type = bytes + at + 4;
        if (length > size - at - PNG_FRAMING)
            return IMAGE_OVERRUN;
        if (length > PNG_LENGTH_LIMIT || !IsChunkType(type))
            return IMAGE_MALFORMED;
        if (!header) {
            if (!IsChunk(type, "IHDR") || length != PNG_HEADER_SIZE)
                return IMAGE_MALFORMED;
            ImageCheck check = ReadPngHeader(bytes + at + 8, budget, image);
            if (check != IMAGE_ACCEPTED)
                return check;
            header = TRUE;
        } else if (IsChunk(type, "IHDR")) {
            return IMAGE_MALFORMED;
        } else if (IsChunk(type, "IDAT")) {
            data = TRUE;
        } else if (IsChunk(type, "IEND")) {
            // What follows IEND is no part of the image.
            return data && length == 0 ? IMAGE_ACCEPTED : IMAGE_MALFORMED;
        }
        at += PNG_FRAMING + length;
    }
}

// BMP: a 14-byte file header (the pixels' offset at 10), then the bitmap
// header, whose own size tells which one it is.
#define BMP_FILE_HEADER_SIZE 14
#define BMP_CORE_HEADER_SIZE 12
#define BMP_RGB 0
#define BMP_RLE8 1
#define BMP_RLE4 2
#define BMP_BITFIELDS 3
#define BMP_JPEG 4
#define BMP_PNG 5
#define BMP_ALPHABITFIELDS 6

BOOL IsBmpHeaderSize(unsigned long size)
{
    // Core, info, V2, V3, V4, V5. Not OS/2 2.x (64): its compression
    // codes mean other things.
    static const unsigned char sizes[] = {12, 40, 52, 56, 108, 124};
    for (size_t i = 0; i < ARRAY_COUNT(sizes); i++) {
        if (size == sizes[i])
            return TRUE;
    }
    return FALSE;
}

BOOL IsBmpDepth(unsigned bits, unsigned long compression, BOOL core)
{
    switch (compression) {
    case BMP_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 24 || (!core && (bits == 16 || bits == 32));
    case BMP_RLE8:
        return bits == 8;
    case BMP_RLE4:
        return bits == 4;
    case BMP_BITFIELDS:
    case BMP_ALPHABITFIELDS:
        return bits == 16 || bits == 32;
    }
    return FALSE;
}

// Uncompressed rows are whole 32-bit words; compressed ones take what they
// take, at least one byte.
ImageCheck CheckBmpPixels(size_t room, unsigned long width, unsigned long height, unsigned bits,
                          unsigned long compression)
{
    if (room == 0)
        return IMAGE_CUT_OFF;
    if (compression == BMP_RLE8 || compression == BMP_RLE4)
        return IMAGE_ACCEPTED;
    ULONGLONG stride = ((ULONGLONG)width * bits + 31) / 32 * 4;
    return stride > room || height > room / stride ? IMAGE_CUT_OFF : IMAGE_ACCEPTED;
}

struct BmpHeader {
    unsigned long width;
    unsigned long height;
    unsigned planes;
    unsigned bits;
    unsigned long compression;
    // Entries of the colour table, and bytes of it with the colour masks
    // that an info header's bit fields put before it.
    unsigned long colours;
    size_t tableSize;
};

// FALSE for a negative width, which means nothing; a negative height
// means rows top-down.
BOOL ReadBmpHeader(const unsigned char *header, unsigned long headerSize, BmpHeader *bmp)
{
    if (headerSize == BMP_CORE_HEADER_SIZE) {
        bmp->width = LittleEndian16(header + 4);
        bmp->height = LittleEndian16(header + 6);
        bmp->planes = LittleEndian16(header + 8);
        bmp->bits = LittleEndian16(header + 10);
        bmp->compression = BMP_RGB;
        // A core header's table is always full, of 3-byte entries.
        bmp->colours = bmp->bits <= 8 ? 1ul << bmp->bits : 0;
        bmp->tableSize = (size_t)bmp->colours * 3;
        return TRUE;
    }
    bmp->width = LittleEndian32(header + 4);
    bmp->height = LittleEndian32(header + 8);
    bmp->planes = LittleEndian16(header + 12);
    bmp->bits = LittleEndian16(header + 14);
    bmp->compression = LittleEndian32(header + 16);
    bmp->colours = LittleEndian32(header + 32);
    if (bmp->colours == 0 && bmp->bits <= 8)
        bmp->colours = 1ul << bmp->bits;
    bmp->tableSize = 0;
    if (headerSize == 40 && bmp->compression == BMP_BITFIELDS)
        bmp->tableSize = 12;
    if (headerSize == 40 && bmp->compression == BMP_ALPHABITFIELDS)
        bmp->tableSize = 16;
    // More than a byte's palette is no table a decoder should allocate.
    if (bmp->colours <= 256)
        bmp->tableSize += (size_t)bmp->colours * 4;
    if (bmp->width & 0x80000000ul)
        return FALSE;
    if (bmp->height & 0x80000000ul)
        bmp->height = 0xFFFFFFFFul - bmp->height + 1;
    return TRUE;
}

ImageCheck MeasureBmp(const unsigned char *bytes, size_t size, Budget *budget, MeasuredImage *image)
{
    if (size < BMP_FILE_HEADER_SIZE + 4)
        return IMAGE_CUT_OFF;
    unsigned long offset = LittleEndian32(bytes + 10);
    unsigned long headerSize = LittleEndian32(bytes + BMP_FILE_HEADER_SIZE);
    if (!IsBmpHeaderSize(headerSize))
        return IMAGE_MALFORMED;
    if (headerSize > size - BMP_FILE_HEADER_SIZE)
        return IMAGE_CUT_OFF;
    BmpHeader bmp;
    if (!ReadBmpHeader(bytes + BMP_FILE_HEADER_SIZE, headerSize, &bmp))
        return IMAGE_MALFORMED;
    if (bmp.compression == BMP_JPEG || bmp.compression == BMP_PNG)
        return IMAGE_UNKNOWN_FORMAT;
    ImageCheck check = CheckRaster(budget, bmp.width, bmp.height);
    if (check != IMAGE_ACCEPTED)
        return check;
    size_t headersEnd = BMP_FILE_HEADER_SIZE + headerSize;
    if (bmp.planes != 1 || !IsBmpDepth(bmp.bits, bmp.compression, headerSize == BMP_CORE_HEADER_SIZE) ||
        bmp.colours > 256 || offset < headersEnd)
        return IMAGE_MALFORMED;
    if (bmp.tableSize > size - headersEnd || offset > size)
        return IMAGE_OVERRUN;
    check = CheckBmpPixels(size - offset, bmp.width, bmp.height, bmp.bits, bmp.compression);
    if (check != IMAGE_ACCEPTED)
        return check;
    image->width = (unsigned)bmp.width;
    image->height = (unsigned)bmp.height;
    return IMAGE_ACCEPTED;
}

// JPEG: SOI, then marker segments, each 0xFF, a code and a 2-byte length
// that counts itself; a scan's entropy-coded data follows its SOS segment
// without a length. The frame header (SOFn) gives the size.
#define JPEG_SOS 0xDA
#define JPEG_EOI 0xD9
#define JPEG_FRAME_HEADER_SIZE 6

BOOL IsJpegFrameMarker(unsigned marker)
{
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning)
    // sit among the frame markers but are none.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

BOOL IsJpegRestart(unsigned marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// In entropy-coded data a 0xFF is followed by a stuffed zero or a restart
// marker; anything else is the next segment's marker, where this stops.
size_t SkipEntropyData(const unsigned char *bytes, size_t size, size_t at)
{
    while (at < size) {
        if (bytes[at] != 0xFF) {
            at++;
        } else if (size - at >= 2 && (bytes[at + 1] == 0 || IsJpegRestart(bytes[at + 1]))) {
            at += 2;
        } else {
            break;
        }
    }
    return at;
}

ImageCheck ReadJpegFrame(const unsigned char *segment, size_t length, Budget *budget, MeasuredImage *image)
{
    if (length < JPEG_FRAME_HEADER_SIZE)
        return IMAGE_MALFORMED;
    unsigned components = segment[5];
    if (components == 0 || length != JPEG_FRAME_HEADER_SIZE + 3 * (size_t)components)
        return IMAGE_MALFORMED;
    unsigned height = BigEndian16(segment + 1), width = BigEndian16(segment + 3);
    // A height of zero is left to a later DNL segment: unknown here.
    ImageCheck check = TakeRaster(budget, width, height);
    image->width = width;
    image->height = height;
    return check;
}

ImageCheck MeasureJpeg(const unsigned char *bytes, size_t size, Budget *budget, MeasuredImage *image)
{
    size_t at = 2;
    BOOL frame = FALSE, scan = FALSE;
    for (;;) {
        if (at >= size)
            return IMAGE_CUT_OFF;
        if (bytes[at] != 0xFF)
            return IMAGE_MALFORMED;
        // Any number of 0xFF may fill the space before a marker's code.
        while (at < size && bytes[at] == 0xFF)
            at++;
        if (at >= size)
            return IMAGE_CUT_OFF;
        unsigned marker = bytes[at++];
        if (marker == JPEG_EOI)
            return scan ? IMAGE_ACCEPTED : IMAGE_MALFORMED;
        if (marker == 0x01)
            continue;
        // A stuffed zero or a restart belongs in a scan; a second SOI nowhere.
        if (marker == 0 || IsJpegRestart(marker) || marker == 0xD8)
            return IMAGE_MALFORMED;
        if (size - at < 2)
            return IMAGE_CUT_OFF;
        size_t length = BigEndian16(bytes + at);
        if (length < 2)
            return IMAGE_MALFORMED;
        if (length > size - at)
            return IMAGE_OVERRUN;
        if (IsJpegFrameMarker(marker)) {
            // One frame: a hierarchical file's further frames are not read.
            if (frame)
                return IMAGE_MALFORMED;
            ImageCheck check = ReadJpegFrame(bytes + at + 2, length - 2, budget, image);
            if (check != IMAGE_ACCEPTED)
                return check;
            frame = TRUE;
        }
        at += length;
        if (marker == JPEG_SOS) {
            if (!frame)
                return IMAGE_MALFORMED;
            scan = TRUE;
            at = SkipEntropyData(bytes, size, at);
        }
    }
}

// GIF: the signature, the logical screen (size, flags), an optional global
// colour table, then blocks until the trailer: extensions and images, each
// ending in data sub-blocks (a size byte, that many bytes) ended by an
// empty one.
#define GIF_SCREEN_END 13
#define GIF_IMAGE_DESCRIPTOR_SIZE 9
#define GIF_EXTENSION 0x21
#define GIF_IMAGE 0x2C
#define GIF_TRAILER 0x3B
#define GIF_LZW_CODE_LIMIT 8

ImageCheck SkipColourTable(size_t size, size_t *at, unsigned flags)
{
    if (!(flags & 0x80))
        return IMAGE_ACCEPTED;
    size_t length = (size_t)3 << ((flags & 7) + 1);
    if (length > size - *at)
        return IMAGE_OVERRUN;
    *at += length;
    return IMAGE_ACCEPTED;
}

ImageCheck SkipSubBlocks(const unsigned char *bytes, size_t size, size_t *at)
{
    for (;;) {
        if (*at >= size)
            return IMAGE_CUT_OFF;
        size_t length = bytes[(*at)++];
        if (length == 0)
            return IMAGE_ACCEPTED;
        if (length > size - *at)
            return IMAGE_OVERRUN;
        *at += length;
    }
}

// An image: its descriptor, its colour table, the LZW code size and the
// data. Its place on the screen counts: a decoder may paint it there.
ImageCheck SkipGifImage(const unsigned char *bytes, size_t size, size_t *at, Budget *budget)
{
    if (size - *at < GIF_IMAGE_DESCRIPTOR_SIZE)
        return IMAGE_CUT_OFF;
    const unsigned char *descriptor = bytes + *at;
    unsigned left = LittleEndian16(descriptor), top = LittleEndian16(descriptor + 2);
    unsigned width = LittleEndian16(descriptor + 4), height = LittleEndian16(descriptor + 6);
    ImageCheck check = TakeRaster(budget, width, height);
    if (check != IMAGE_ACCEPTED)
        return check;
    if (left + width > budget->maxSide || top + height > budget->maxSide)
        return IMAGE_TOO_LARGE;
    *at += GIF_IMAGE_DESCRIPTOR_SIZE;
    check = SkipColourTable(size, at, descriptor[8]);
    if (check != IMAGE_ACCEPTED)
        return check;
    if (*at >= size)
        return IMAGE_CUT_OFF;
    unsigned codeSize = bytes[(*at)++];
    if (codeSize == 0 || codeSize > GIF_LZW_CODE_LIMIT)
        return IMAGE_MALFORMED;
    return SkipSubBlocks(bytes, size, at);
}

ImageCheck MeasureGif(const unsigned char *bytes, size_t size, Budget *budget, MeasuredImage *image)
{
    if (size < GIF_SCREEN_END)
        return IMAGE_CUT_OFF;
    unsigned width = LittleEndian16(bytes + 6), height = LittleEndian16(bytes + 8);
    // The screen is checked but not taken: a decoder that paints the frames
    // on it holds the screen instead of them, not beside them.
    ImageCheck check = CheckRaster(budget, width, height);
    image->width = width;
    image->height = height;
    size_t at = GIF_SCREEN_END;
    if (check == IMAGE_ACCEPTED)
        check = SkipColourTable(size, &at, bytes[10]);
    BOOL images = FALSE;
    while (check == IMAGE_ACCEPTED) {
        // Old encoders leave the trailer out; what was read is whole.
        if (at >= size)
            return images ? IMAGE_ACCEPTED : IMAGE_CUT_OFF;
        unsigned block = bytes[at++];
        if (block == GIF_TRAILER)
            return images ? IMAGE_ACCEPTED : IMAGE_MALFORMED;
        if (block == GIF_EXTENSION) {
            // The label byte, then sub-blocks.
            if (at >= size)
                return IMAGE_CUT_OFF;
            at++;
            check = SkipSubBlocks(bytes, size, &at);
        } else if (block == GIF_IMAGE) {
            check = SkipGifImage(bytes, size, &at, budget);
            images = TRUE;
        } else {
            check = IMAGE_MALFORMED;
        }
    }
    return check;
}

} // namespace

ImageCheck CheckImageSize(unsigned long width, unsigned long height, unsigned maxSide, unsigned long maxPixels)
{
    if (width == 0 || height == 0)
        return IMAGE_EMPTY;
    if (width > maxSide || height > maxSide)
        return IMAGE_TOO_LARGE;
    // Both sides within an unsigned: the product fits 64 bits.
    return (ULONGLONG)width * height > maxPixels ? IMAGE_TOO_LARGE : IMAGE_ACCEPTED;
}

ImageCheck CheckImageBounds(const unsigned char *bytes, size_t size, unsigned maxSide, unsigned long maxPixels,
                            MeasuredImage *image)
{
    static const unsigned char png[PNG_SIGNATURE_SIZE] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Budget budget = {maxSide, maxPixels, 0};
    MeasuredImage measured = {IMAGE_FORMAT_NONE, 0, 0};
    ImageCheck check = IMAGE_UNKNOWN_FORMAT;
    if (StartsWith(bytes, size, (const char *)png, sizeof(png))) {
        measured.format = IMAGE_FORMAT_PNG;
        check = MeasurePng(bytes, size, &budget, &measured);
    } else if (StartsWith(bytes, size, "BM", 2)) {
        measured.format = IMAGE_FORMAT_BMP;
        check = MeasureBmp(bytes, size, &budget, &measured);
    } else if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3)) {
        measured.format = IMAGE_FORMAT_JPEG;
        check = MeasureJpeg(bytes, size, &budget, &measured);
    } else if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6)) {
        measured.format = IMAGE_FORMAT_GIF;
        check = MeasureGif(bytes, size, &budget, &measured);
    }
    MeasuredImage none = {IMAGE_FORMAT_NONE, 0, 0};
    *image = check == IMAGE_ACCEPTED ? measured : none;
    return check;
}
