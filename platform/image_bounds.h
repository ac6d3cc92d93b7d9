// Measures an image file from its bytes before any decoder sees them. A
// decoder believes the size a file declares and allocates for it before it
// has read a pixel: a few hundred bytes declaring 20000 x 20000 pixels, or a
// chunk of 2 GB, cost gigabytes and seconds. So the loader hands a decoder
// only a file whose declared size is within the bounds below and whose
// structure holds together: every declared length within the file, the file
// whole up to its end marker.
//
// The formats are those the phone's image loader takes: PNG, BMP, JPEG and
// GIF, each recognised by its signature. Anything else cannot be measured,
// so it is refused rather than handed to a decoder.
//
// Pure, like the calls log: no platform call, no allocation, so that it
// builds natively and is fed hostile input there. The work is linear in the
// bytes.
#pragma once
#include <stddef.h>

#include "base/portable_types.h"

// The phone's own memory sets the scale: 4096 x 4096 pixels are already a
// 64 MB bitmap once decoded to 32 bits a pixel.
#define IMAGE_SIDE_LIMIT 4096u
#define IMAGE_PIXEL_LIMIT ((unsigned long)IMAGE_SIDE_LIMIT * IMAGE_SIDE_LIMIT)
// Bytes of a file the loader reads whole to measure it; a larger one is
// refused unread. A compressed image within the bounds stays far below it;
// only an uncompressed BMP near the bounds goes over, and is refused.
#define IMAGE_FILE_LIMIT (16ul << 20)

enum ImageFormat {
    IMAGE_FORMAT_NONE,
    IMAGE_FORMAT_PNG,
    IMAGE_FORMAT_BMP,
    IMAGE_FORMAT_JPEG,
    IMAGE_FORMAT_GIF
};

// Why a file is refused, or that it is not.
enum ImageCheck {
    IMAGE_ACCEPTED,
    // No signature of a format the loader measures; also a BMP that holds
    // a compressed image of another format, whose size it cannot vouch for.
    IMAGE_UNKNOWN_FORMAT,
    // A side beyond the side bound, or more pixels than the pixel bound
    // (all the frames of a GIF together: its decoder reads them all).
    IMAGE_TOO_LARGE,
    // A width or a height of zero.
    IMAGE_EMPTY,
    // A chunk, segment, block or table declares more bytes than the file
    // holds after it.
    IMAGE_OVERRUN,
    // The file ends before its end marker (PNG IEND, JPEG EOI), inside a
    // GIF's block or before its first image, or before a BMP's pixels.
    IMAGE_CUT_OFF,
    // A structure against its format's rules: PNG IHDR not first or of
    // the wrong size, no IDAT; a JPEG scan before its frame header; a GIF
    // block of no known kind; a BMP header of no known size...
    IMAGE_MALFORMED
};

struct MeasuredImage {
    ImageFormat format;
    // The size the file declares: PNG IHDR, BMP header (a bottom-up or
    // top-down height alike), JPEG frame header, GIF logical screen.
    unsigned width;
    unsigned height;
};

// A size of width x height against the bounds: IMAGE_EMPTY, IMAGE_TOO_LARGE
// or IMAGE_ACCEPTED. The loader holds a decoder's own idea of the size to
// it too.
ImageCheck CheckImageSize(unsigned long width, unsigned long height, unsigned maxSide, unsigned long maxPixels);

// Measures the size bytes of a file. Accepted: *image holds its format and
// size, both sides non-zero and within maxSide, and its pixels within
// maxPixels. Refused: *image is all zero. A size beyond the bounds is
// reported as soon as it is read, before the rest is walked: under wider
// bounds the same file may be refused for another reason, or accepted.
ImageCheck CheckImageBounds(const unsigned char *bytes, size_t size, unsigned maxSide, unsigned long maxPixels,
                            MeasuredImage *image);
