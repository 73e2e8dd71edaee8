// Strict splitting and percent-decoding of request targets.
#include "server/request_target.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool percentDecode(std::string_view text, bool plusIsSpace, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += plusIsSpace && c == '+' ? ' ' : c;
        }
    }
    return true;
}

std::optional<RequestTarget> parseRequestTarget(std::string_view target) {
    RequestTarget parsed;
    const size_t question = target.find('?');
    if (!percentDecode(target.substr(0, question), false, parsed.path)) return std::nullopt;
    if (question == std::string_view::npos) return parsed;
    parsed.hasQuery = true;
    const std::string_view query = target.substr(question + 1);
    if (query.empty()) return parsed;
    size_t start = 0;
    while (true) {
        const size_t amp = query.find('&', start);
        const std::string_view part = query.substr(
            start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
        const size_t equals = part.find('=');
        if (equals == std::string_view::npos ||
            part.find('=', equals + 1) != std::string_view::npos)
            return std::nullopt;
        std::string key, value;
        if (!percentDecode(part.substr(0, equals), true, key) ||
            !percentDecode(part.substr(equals + 1), true, value))
            return std::nullopt;
        parsed.params.emplace(std::move(key), std::move(value));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return parsed;
}
