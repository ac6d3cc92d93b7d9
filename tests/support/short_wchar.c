/* The C library's wide functions for a 2-byte wchar_t, linked into the text
 * logic's tests for 32-bit ARM. Those build with -fshort-wchar, as the
 * phone's compiler has wchar_t, but glibc's own wcslen, wcscmp, wmemcpy, ...
 * count in 4-byte units: given 2-byte text they read two units as one and
 * run past the terminator, and a wide comparison (gtest's EXPECT_STREQ on
 * wide strings calls wcscmp) passes or fails by chance. The executable's own
 * definitions come before the C library's, so std::wstring, gtest and the
 * tests get these; tests/support/wide_imports.sh checks after each link
 * that the program takes no other wide function from the C or C++ library. */
#include <string.h>
#include <wchar.h>

_Static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

size_t wcslen(const wchar_t *s)
{
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

int wcscmp(const wchar_t *a, const wchar_t *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a < *b ? -1 : *a > *b;
}


/* ASCII letters only: what gtest's EXPECT_STRCASEEQ on wide strings needs. */
static wchar_t Lower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? (wchar_t)(c - L'A' + L'a') : c;
}

int wcscasecmp(const wchar_t *a, const wchar_t *b)
{
    while (*a && Lower(*a) == Lower(*b)) {
        a++;
        b++;
    }
    return Lower(*a) < Lower(*b) ? -1 : Lower(*a) > Lower(*b);
}

wchar_t *wcscpy(wchar_t *to, const wchar_t *from)
{
    wchar_t *start = to;
    while ((*to++ = *from++))
        ;
    return start;
}


wchar_t *wcsstr(const wchar_t *haystack, const wchar_t *needle)
{
    size_t length = wcslen(needle);
    for (; *haystack; haystack++) {
        if (wmemcmp(haystack, needle, length) == 0)
            return (wchar_t *)haystack;
    }
    return length == 0 ? (wchar_t *)haystack : NULL;
}

wchar_t *wmemset(wchar_t *s, wchar_t c, size_t n)
{
    for (size_t i = 0; i < n; i++)
        s[i] = c;
    return s;
}

wchar_t *wmemcpy(wchar_t *to, const wchar_t *from, size_t n)
{
    return memcpy(to, from, n * sizeof(wchar_t));
}

wchar_t *wmemmove(wchar_t *to, const wchar_t *from, size_t n)
{
    return memmove(to, from, n * sizeof(wchar_t));
}

int wmemcmp(const wchar_t *a, const wchar_t *b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

wchar_t *wmemchr(const wchar_t *s, wchar_t c, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        if (s[i] == c)
            return (wchar_t *)&s[i];
    }
    return NULL;
}
