// TextImage: a string rendered once through the platform font into an RGB565 picture.
#pragma once
#include <cstdint>
#include <string>

class TextImage {
  public:
    static constexpr int kCellWidth = 12;  // pixels reckoned per character
    static constexpr int kLineHeight = 14;

    // Text in `colour` over its inverse, wrapped at maxWidth pixels.
    TextImage(const std::u16string& text, uint32_t colour, int maxWidth);
    ~TextImage();
    TextImage(const TextImage&) = delete;
    TextImage& operator=(const TextImage&) = delete;

    uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colour = 0;
};
