// Rectangle helpers every area shares (right and bottom edges are exclusive).
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <algorithm>

#include "platform/win_types.h"

namespace mv {

// True when the rectangle covers no pixel.
inline bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The common part of a and b into *out; false, with *out all zeros, when they do not overlap.
inline bool Intersect(const RECT& a, const RECT& b, RECT* out) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsEmpty(r)) {
        *out = RECT{0, 0, 0, 0};
        return false;
    }
    *out = r;
    return true;
}

// True when every pixel of inner lies in outer.
inline bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The smallest rectangle holding both a and b.
inline RECT Bound(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace mv
