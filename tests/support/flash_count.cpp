#include "tests/support/flash_count.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace testing_support {
namespace {
constexpr float kChange = 0.10f;
constexpr float kDarkBelow = 0.80f;
constexpr uint32_t kSecond = 1000;

// sRGB channel (0..255) to linear light.
float linear(int channel) {
    const float c = static_cast<float>(channel) / 255.0f;
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

int widen(int five) {
    return (five << 3) | (five >> 2);
}
}  // namespace

float relativeLuminance(uint16_t pixel) {
    static const std::array<float, 32> kLinear = [] {
        std::array<float, 32> table{};
        for (int v = 0; v < 32; ++v) table[v] = linear(widen(v));
        return table;
    }();
    return 0.2126f * kLinear[(pixel >> 11) & 31] + 0.7152f * kLinear[(pixel >> 6) & 31] +
           0.0722f * kLinear[pixel & 31];
}

void FlashCounter::add(uint32_t ms, const std::vector<uint16_t>& frame) {
    const size_t count = static_cast<size_t>(kWidth) * kHeight;
    if (frame.size() < count) return;
    if (pixels_.empty()) {
        pixels_.resize(count);
        turns_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const float l = relativeLuminance(frame[i]);
            pixels_[i] = {l, 0, l, l};
        }
    }
    ++frames_;
    lastMs_ = ms;
    for (size_t i = 0; i < count; ++i) {
        Pixel& p = pixels_[i];
        const float l = relativeLuminance(frame[i]);
        int8_t turn = 0;
        if (p.direction == 0) {
            p.low = std::min(p.low, l);
            p.high = std::max(p.high, l);
            if (l - p.low >= kChange && p.low < kDarkBelow) {
                turn = 1;
            } else if (p.high - l >= kChange && l < kDarkBelow) {
                turn = -1;
            }
        } else if (p.direction > 0) {
            p.extreme = std::max(p.extreme, l);
            if (p.extreme - l >= kChange && l < kDarkBelow) turn = -1;
        } else {
            p.extreme = std::min(p.extreme, l);
            if (l - p.extreme >= kChange && p.extreme < kDarkBelow) turn = 1;
        }
        if (turn != 0) {
            p.direction = turn;
            p.extreme = l;
            turns_[i].push_back(ms);
        }
    }
}

FlashFigures FlashCounter::figures() const {
    FlashFigures result;
    result.frames = frames_;
    if (pixels_.empty()) return result;
    // Every window that starts at a turn: a window starting elsewhere holds no more turns than
    // the one starting at its first turn.
    std::vector<uint32_t> starts;
    for (const auto& times : turns_) starts.insert(starts.end(), times.begin(), times.end());
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const size_t count = pixels_.size();
    const size_t quarter = (count + 3) / 4;
    std::vector<size_t> first(count, 0);
    std::vector<int> flashes(count);
    for (uint32_t start : starts) {
        for (size_t i = 0; i < count; ++i) {
            const auto& times = turns_[i];
            size_t& f = first[i];
            while (f < times.size() && times[f] < start) ++f;
            size_t end = f;
            while (end < times.size() && times[end] < start + kSecond) ++end;
            flashes[i] = static_cast<int>((end - f) / 2);
        }
        result.mostAtOnePixel =
            std::max(result.mostAtOnePixel, *std::max_element(flashes.begin(), flashes.end()));
        const size_t overThree = static_cast<size_t>(
            std::count_if(flashes.begin(), flashes.end(), [](int n) { return n > 3; }));
        result.shareOverThree =
            std::max(result.shareOverThree, static_cast<double>(overThree) / count);
        // The quarter-th largest count: a quarter of the screen flashed at least that often.
        std::nth_element(flashes.begin(), flashes.begin() + (quarter - 1), flashes.end(),
                         std::greater<int>());
        result.generalPerSecond = std::max(result.generalPerSecond, flashes[quarter - 1]);
    }
    return result;
}

}  // namespace testing_support
