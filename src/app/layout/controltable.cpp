// SPDX-License-Identifier: MIT
// The main window's stored layout. Geometry in twips relative to the
// container; colours 0xRRGGBB; tab index -1 where a control has none.
#include "app/layout/controltable.h"

#include <algorithm>

namespace runo::layout {
namespace {

// The cross-shaped outline around the cursor pad.
constexpr Line kLines[] = {
    {"Line7", 1080, 2400, 2160, 2400},
    {"Line1", 1080, 2400, 1080, 2880},
    {"Line2", 2160, 2400, 2160, 2880},
    {"Line8", 120, 2880, 1080, 2880},
    {"Line9", 2160, 2880, 3120, 2880},
    {"Line6", 120, 2880, 120, 3480},
    {"Line3", 3120, 2880, 3120, 3480},
    {"Line10", 120, 3480, 1080, 3480},
    {"Line12", 2160, 3480, 3120, 3480},
    {"Line5", 1080, 3480, 1080, 3960},
    {"Line4", 2160, 3480, 2160, 3960},
    {"Line11", 1080, 3960, 2160, 3960},
};

constexpr int count(Kind kind)
{
    return static_cast<int>(
        std::count_if(std::begin(kControls), std::end(kControls), [kind](const Control& c) { return c.kind == kind; }));
}
static_assert(count(Kind::Button) == kButtonCount);
static_assert(count(Kind::Label) == kLabelCount);
static_assert(count(Kind::Frame) == kFrameCount);
static_assert(count(Kind::Option) == kOptionCount);
static_assert(count(Kind::TextBox) == 1 && count(Kind::Image) == 1);
static_assert(std::size(kLines) == kLineCount);

// Names are unique, and a control placed in a group box follows that group
// box in the table, so the builder can create everything in one pass.
constexpr bool containersComeFirst()
{
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (kControls[j].name == kControls[i].name)
                return false;
        }
        if (kControls[i].container.empty())
            continue;
        bool found = false;
        for (std::size_t j = 0; j < i; ++j)
            found = found || (kControls[j].kind == Kind::Frame && kControls[j].name == kControls[i].container);
        if (!found)
            return false;
    }
    return true;
}
static_assert(containersComeFirst());

} // namespace

std::span<const Control> controls() { return kControls; }
std::span<const Line> lines() { return kLines; }

} // namespace runo::layout
