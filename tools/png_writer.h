// The PNG writer of the image generators (make_skin, make_icon): 8-bit RGB or
// RGBA, no other chunk than the image's own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Stored keeps the deflate stream as raw blocks (the skin's file is small and
// stays byte for byte what it always was); Deflated filters each row and
// compresses it, for the large icons.
enum class PngPacking { Stored, Deflated };

// pixels: height rows of width * channels bytes, top row first; channels is 3
// (RGB) or 4 (RGBA, alpha not premultiplied).
std::vector<uint8_t> EncodePng(int width, int height, int channels, const std::vector<uint8_t> &pixels,
                               PngPacking packing);
// One chunk: its data's length, its type, the data and the CRC of type and
// data.
std::vector<uint8_t> PngChunk(const char *type, const std::vector<uint8_t> &data);
bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
bool WritePng(const std::string &path, int width, int height, int channels, const std::vector<uint8_t> &pixels,
              PngPacking packing);
