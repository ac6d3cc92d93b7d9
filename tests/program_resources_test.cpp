// The built zembrik.exe's version and icon, read as the shell, an installer
// and a file's properties read them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"

static std::wstring ProgramPath()
{
    return ExecutableFolder() + L"zembrik.exe";
}

TEST(ProgramResources, VersionIsTheProjectVersion)
{
    const std::wstring path = ProgramPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_NE(0u, size) << "no version resource in " << Narrow(path);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(3, std::sscanf(ZEMBRIK_PROJECT_VERSION, "%u.%u.%u", &major, &minor, &patch));
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", (void **)&fixed, &length));
    ASSERT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(MAKELONG(minor, major), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, patch), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

    auto text = [&](const wchar_t *name) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        wchar_t *value = NULL;
        UINT count = 0;
        if (!VerQueryValueW(data.data(), query.c_str(), (void **)&value, &count) || !value)
            return std::string("(missing)");
        return Narrow(value);
    };
    EXPECT_EQ("Zembrik", text(L"ProductName"));
    EXPECT_EQ(ZEMBRIK_PROJECT_VERSION, text(L"FileVersion"));
    EXPECT_EQ(ZEMBRIK_PROJECT_VERSION, text(L"ProductVersion"));
}

// The shell takes the first icon group as the program's icon; each small
// size must be an image of its own, not a larger one shrunk into a blur.
TEST(ProgramResources, IconHasItsOwnSmallImages)
{
    HMODULE program = LoadLibraryExW(ProgramPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program != NULL) << "cannot open " << Narrow(ProgramPath());
    HRSRC groupResource = FindResourceW(program, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_TRUE(groupResource != NULL);
    BYTE *group = (BYTE *)LockResource(LoadResource(program, groupResource));
    ASSERT_TRUE(group != NULL);

    for (int size : {16, 32}) {
        int id = LookupIconIdFromDirectoryEx(group, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC imageResource = FindResourceW(program, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_TRUE(imageResource != NULL) << size;
        const BITMAPINFOHEADER *image = (const BITMAPINFOHEADER *)LockResource(LoadResource(program, imageResource));
        ASSERT_TRUE(image != NULL) << size;
        EXPECT_EQ(size, image->biWidth);
        EXPECT_EQ(32, image->biBitCount) << "an image with its alpha channel";

        HICON icon = (HICON)LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0);
        ASSERT_TRUE(icon != NULL) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(size, colour.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    FreeLibrary(program);
}
