// Pictures and reference decoders shared by the benchmarks.
#pragma once

#include "tests/common/BmpWriter.h"
#include "tests/common/GifWriter.h"

#include <functional>
#include <string>
#include <vector>

// Smooth colour fields with fine grain, something like a photograph.
Picture PhotoPicture(int width, int height);
// A 256-colour picture: a smooth index field with occasional dither noise.
IndexedPicture TwoFiftySixColours(int width, int height);
// A two-colour picture: an ordered dither of a radial gradient.
IndexedPicture TwoColours(int width, int height);

// Writes bytes to folder/name and returns the path.
std::string Save(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes);
double MedianMilliseconds(int runs, const std::function<void()>& work);

// Reference decoders; each ends the program when the file does not decode.
void DecodeWithGiflib(const std::string& path);
void DecodeWithJpegLibrary(const std::string& path);
// The same loop with DCT scaling to eighths/8 of the picture's size.
void DecodeWithJpegLibraryScaled(const std::string& path, int eighths);
// libpng's own full decode: 8-bit samples as stored, the whole picture in one buffer.
void DecodeWithLibpng(const std::string& path);
// libwebp's own full decode (WebPDecodeBGR) of the file read into memory.
void DecodeWithLibwebp(const std::string& path);
void ReadIntoMemory(const std::string& path);
