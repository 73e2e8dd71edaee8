// Upload targets as the game sends them: "...&myscore=N&myid=" and 16 lowercase hex digits.
#pragma once
#include <string>

// The target without its id, once the id is checked; marked when it has none or a bad one.
inline std::string withoutId(const std::string& target, std::string* id = nullptr) {
    constexpr size_t kIdDigits = 16;
    const size_t at = target.rfind("&myid=");
    if (at == std::string::npos || target.size() != at + 6 + kIdDigits ||
        target.find_first_not_of("0123456789abcdef", at + 6) != std::string::npos)
        return "no id: " + target;
    if (id != nullptr) *id = target.substr(at + 6);
    return target.substr(0, at);
}
