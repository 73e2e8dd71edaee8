// Text as HTTP header fields hold it: case-blind names and values with optional spaces and tabs
// around them.
#pragma once
#include <string_view>

// `text` without the spaces and tabs at either end.
std::string_view trim(std::string_view text);

// ASCII letters compared without their case, as field names and codings are.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
