// The image measure over random bytes: an accepted image is of a format
// the loader knows, its size non-zero and within the bounds; the same bytes
// always get the same answer. The bounds only ever add a refusal for size:
// measured with no bounds at all, a file accepted under the loader's bounds
// is accepted with the same size, and one refused for another reason is
// refused for that reason. Bounds set just to an accepted image's own size
// take it, and one pixel less on a side or in all refuses it (a GIF's
// frames count apart from its screen, so it is spared that). libFuzzer's
// bytes are a buffer of their exact size: the address sanitizer sees any
// read past them.
#include <limits.h>

#include "fuzz/fuzz_input.h"
#include "platform/image_bounds.h"

static bool SameMeasure(const MeasuredImage &a, const MeasuredImage &b)
{
    return a.format == b.format && a.width == b.width && a.height == b.height;
}

static void CheckOwnSizeBounds(const uint8_t *data, size_t size, const MeasuredImage &image)
{
    unsigned side = image.width > image.height ? image.width : image.height;
    unsigned long pixels = (unsigned long)image.width * image.height;
    MeasuredImage again;
    FUZZ_CHECK(CheckImageBounds(data, size, side, pixels, &again) == IMAGE_ACCEPTED && SameMeasure(again, image));
    FUZZ_CHECK(CheckImageBounds(data, size, side - 1, pixels, &again) == IMAGE_TOO_LARGE);
    FUZZ_CHECK(CheckImageBounds(data, size, side, pixels - 1, &again) == IMAGE_TOO_LARGE);
    FUZZ_CHECK(again.format == IMAGE_FORMAT_NONE && again.width == 0 && again.height == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MeasuredImage image, again, unbounded;
    ImageCheck check = CheckImageBounds(data, size, IMAGE_SIDE_LIMIT, IMAGE_PIXEL_LIMIT, &image);
    FUZZ_CHECK(CheckImageBounds(data, size, IMAGE_SIDE_LIMIT, IMAGE_PIXEL_LIMIT, &again) == check);
    FUZZ_CHECK(SameMeasure(again, image));
    ImageCheck wide = CheckImageBounds(data, size, UINT_MAX, ULONG_MAX, &unbounded);
    FUZZ_CHECK(wide != IMAGE_TOO_LARGE);
    if (check != IMAGE_ACCEPTED) {
        FUZZ_CHECK(image.format == IMAGE_FORMAT_NONE && image.width == 0 && image.height == 0);
        FUZZ_CHECK(check == IMAGE_TOO_LARGE || check == wide);
    } else {
        FUZZ_CHECK(image.format != IMAGE_FORMAT_NONE);
        FUZZ_CHECK(image.width > 0 && image.width <= IMAGE_SIDE_LIMIT);
        FUZZ_CHECK(image.height > 0 && image.height <= IMAGE_SIDE_LIMIT);
        FUZZ_CHECK((unsigned long)image.width * image.height <= IMAGE_PIXEL_LIMIT);
        FUZZ_CHECK(wide == IMAGE_ACCEPTED && SameMeasure(unbounded, image));
    }
    if (wide == IMAGE_ACCEPTED && unbounded.format != IMAGE_FORMAT_GIF) {
        bool fits = unbounded.width <= IMAGE_SIDE_LIMIT && unbounded.height <= IMAGE_SIDE_LIMIT &&
                    (ULONGLONG)unbounded.width * unbounded.height <= IMAGE_PIXEL_LIMIT;
        FUZZ_CHECK(fits == (check == IMAGE_ACCEPTED));
        CheckOwnSizeBounds(data, size, unbounded);
    }
    return 0;
}
