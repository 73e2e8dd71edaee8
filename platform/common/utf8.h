// UTF-8 decoding shared by the online exchange and the score server.
#pragma once
#include <cstddef>
#include <string_view>

namespace platform {

// Decodes the sequence that starts at `at` into `c` and returns its length in bytes, or 0 when
// the byte at `at` does not begin a well-formed sequence (overlong forms, surrogates, values
// past U+10FFFF and sequences cut short included).
size_t decodeUtf8(std::string_view bytes, size_t at, char32_t& c);

}  // namespace platform
