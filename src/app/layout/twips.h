// SPDX-License-Identifier: MIT
// The one conversion between the panel's twips and Qt's logical pixels.
// Heights the panel sets are outer heights (title bar and frame included);
// they are modelled as the client height plus a fixed frame allowance.
#pragma once

namespace runo::layout {

inline constexpr int kTwipsPerPixel = 15;
// 29 pixels of title bar and frame. The allowance must put the compact height
// (5350) at or above the end of the upper band and short of the middle band,
// and the data view (6645) at or below the end of the middle band; 435 does
// both, and 6645 and 7200 map to whole pixels and back exactly.
inline constexpr int kFrameAllowanceTwips = 435;
// The frame's two 4-pixel borders, which the height's allowance counts too.
inline constexpr int kFrameWidthAllowanceTwips = 120;

// Rounds to the nearest pixel, halves away from zero.
constexpr int toPixels(int twips)
{
    return twips >= 0 ? (2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel)
                      : -((-2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel));
}
constexpr int clientPixelsForOuterHeight(int outerTwips) { return toPixels(outerTwips - kFrameAllowanceTwips); }
constexpr int outerHeightForClientPixels(int pixels) { return pixels * kTwipsPerPixel + kFrameAllowanceTwips; }

} // namespace runo::layout
