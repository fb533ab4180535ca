#include "png_memory.h"

#include <gtest/gtest.h>

#include "io/memory_stream.h"

namespace tevtest {

bool LoadPng(tevpng::PngImage& image, const Bytes& png) {
    tevpng::MemoryStream stream(png);
    return image.LoadStream(stream);
}

Bytes SavePng(tevpng::PngImage& image) {
    tevpng::MemoryStream stream;
    EXPECT_TRUE(image.SaveStream(stream));
    return stream.Bytes();
}

}  // namespace tevtest
