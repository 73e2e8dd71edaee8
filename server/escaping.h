// Text the server places in its pages and JSON, made inert there.
#pragma once
#include <string>

// '&', '<', '>', '"' and '\'' as HTML entities.
std::string escapeHtml(const std::string& text);
// Quotes, backslashes and control characters escaped; '<', '>' and '&' too, so that the text
// stays inert should it ever be placed inside a page.
std::string escapeJson(const std::string& text);
