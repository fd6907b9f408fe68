// The map view's zoom: how many window pixels show one level pixel. Everything
// the editor does works on level pixels; only the map widget converts, with
// these two functions.
#pragma once

#include <array>
#include <cstdint>

namespace vurk {

inline constexpr std::array<int32_t, 4> kZoomLevels = {25, 50, 100, 200};
inline constexpr int32_t kDefaultZoom = 100;

// The zoom one step in or out (direction +1 or -1) from `percent`, staying at
// the ends; a value that is no zoom level gives the default.
constexpr int32_t stepZoom(int32_t percent, int direction) {
    for (size_t i = 0; i < kZoomLevels.size(); ++i) {
        if (kZoomLevels[i] != percent) continue;
        if (direction > 0 && i + 1 < kZoomLevels.size()) return kZoomLevels[i + 1];
        if (direction < 0 && i > 0) return kZoomLevels[i - 1];
        return percent;
    }
    return kDefaultZoom;
}

constexpr bool isZoomLevel(int32_t percent) { return stepZoom(percent, 0) == percent; }

// A window distance to level pixels, rounding towards minus infinity so that
// every window pixel lies in exactly one level pixel.
constexpr int32_t windowToLevel(int32_t window, int32_t percent) {
    const int64_t n = int64_t{window} * 100;
    return static_cast<int32_t>(n >= 0 ? n / percent : -((-n + percent - 1) / percent));
}

// The level pixels that `window` pixels show, the last one perhaps in part.
constexpr int32_t levelSpan(int32_t window, int32_t percent) {
    return static_cast<int32_t>((int64_t{window} * 100 + percent - 1) / percent);
}

// A level distance to window pixels (the first window pixel showing it).
constexpr int32_t levelToWindow(int32_t level, int32_t percent) {
    const int64_t n = int64_t{level} * percent;
    return static_cast<int32_t>(n >= 0 ? (n + 99) / 100 : -(-n / 100));
}

// The view origin on one axis after the zoom changes from `from` to `to`
// percent, so that the level point `anchor` stays where it shows in the window.
constexpr int32_t originKeeping(int32_t anchor, int32_t origin, int32_t from, int32_t to) {
    return static_cast<int32_t>(anchor - (int64_t{anchor} - origin) * from / to);
}

}  // namespace vurk
