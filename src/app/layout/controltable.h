// SPDX-License-Identifier: MIT
// The main window's fixed layout as data: every group box, button, label,
// option button, text box, picture and line, with its stored name, container,
// caption, geometry in twips, colours, font and tab index. The window is built
// from these tables by one loop (formbuilder.h); nothing is placed by hand.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace runo::layout {

enum class Kind : std::uint8_t { Button, Label, Frame, Option, TextBox, Image };

// The two faces of the panel; the window font is Gothic 9 pt bold.
enum class Face : std::uint8_t { Window, Gothic, PGothic };

struct Font {
    Face face = Face::Window;
    double points = 9.0;
    bool bold = true;
};

inline constexpr Font kWindowFont {Face::Window, 9.0, true};

// Colours are 0xRRGGBB; these markers stand for the platform's theme colours.
inline constexpr std::uint32_t kSystemButtonFace = 0xFF000001u;
inline constexpr std::uint32_t kSystemWindow = 0xFF000002u;
inline constexpr std::uint32_t kSystemText = 0xFF000003u;
inline constexpr std::uint32_t kNoColour = 0xFF000004u;

enum Flag : unsigned {
    None = 0,
    Centred = 1u << 0,
    RightAligned = 1u << 1,
    SingleBorder = 1u << 2,
    Hidden = 1u << 3,
    Selected = 1u << 4,
    Raised = 1u << 5, // stacked above its overlapping siblings (the settings panel over "COM")
};

struct Control {
    std::string_view name; // stored name, used as the object name
    Kind kind;
    std::string_view container; // "" for the window itself, else a frame's name
    std::string_view caption; // UTF-8
    int left, top, width, height; // twips, relative to the container
    std::uint32_t back;
    std::uint32_t fore;
    Font font;
    int tab; // tab index; -1 where the control has none
    unsigned flags;
};

struct Line {
    std::string_view name;
    int x1, y1, x2, y2; // twips on the window
};

inline constexpr std::uint32_t kLineColour = 0x8080FF;
inline constexpr int kLineWidthPixels = 2;

inline constexpr std::string_view kWindowName = "Form1";
inline constexpr std::string_view kWindowCaption = "RUNO  VM90 VM70 & VM50   CONTROL   Ver." RUNO_VERSION;
inline constexpr int kClientWidthTwips = 9495;
inline constexpr int kClientHeightTwips = 8730;
inline constexpr std::uint32_t kWindowBack = 0xC0C0C0;

inline constexpr int kButtonCount = 70;
inline constexpr int kLabelCount = 24;
inline constexpr int kFrameCount = 14;
inline constexpr int kOptionCount = 4;
inline constexpr int kLineCount = 12;

std::span<const Control> controls();
std::span<const Line> lines();
// The table entry of a stored name, or nullptr.
const Control* findControl(std::string_view name);

} // namespace runo::layout
