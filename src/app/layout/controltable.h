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

inline constexpr Font gothic(double points, bool bold = false) { return {Face::Gothic, points, bold}; }
inline constexpr Font pGothic(double points, bool bold = false) { return {Face::PGothic, points, bold}; }

// Every control, group boxes before their contents.
inline constexpr Control kControls[] = {
    // Group boxes. A group box comes before anything placed in it.
    {"Frame1", Kind::Frame, "", "", 120, 240, 1695, 975, 0xC0C0C0, kSystemText, kWindowFont, 0, None},
    {"Frame2", Kind::Frame, "", "", 2160, 240, 3132, 975, 0xC0C0C0, kSystemText, kWindowFont, 3, None},
    {"Frame6", Kind::Frame, "", "", 5640, 240, 1695, 975, 0xC0C0C0, kSystemText, kWindowFont, 14, None},
    {"Frame10", Kind::Frame, "", "", 7920, 600, 1455, 1695, 0xC0C0C0, kSystemText, kWindowFont, 70, None},
    {"Frame3", Kind::Frame, "", "", 120, 1440, 1575, 855, 0xC0C0C0, kSystemText, kWindowFont, 8, None},
    {"Frame4", Kind::Frame, "", "", 2160, 1440, 1455, 855, 0xC0C0C0, kSystemText, kWindowFont, 10, None},
    {"Frame7", Kind::Frame, "", "", 3840, 1440, 1455, 855, 0xC0C0C0, kSystemText, kWindowFont, 22, None},
    {"Frame5", Kind::Frame, "", "", 5640, 1440, 1695, 855, 0xC0C0C0, kSystemText, kWindowFont, 12, None},
    {"Frame8", Kind::Frame, "", "", 3480, 3600, 2775, 1185, 0xC0C0C0, kSystemText, kWindowFont, 42, Hidden | Raised},
    {"Frame13", Kind::Frame, "Frame8", "", 120, 480, 2535, 615, 0xC0C0C0, kSystemText, kWindowFont, 77, None},
    {"Frame9", Kind::Frame, "", "", 45, 4920, 6312, 1290, 0xC0C0C0, kSystemText, kWindowFont, 45, None},
    {"Frame14", Kind::Frame, "", "", 120, 6735, 4815, 1080, 0xC0C0C0, kSystemText, kWindowFont, 88, None},
    {"Frame16", Kind::Frame, "", "", 7440, 6750, 1935, 945, 0xC0C0C0, kSystemText, kWindowFont, 107, None},
    {"Frame15", Kind::Frame, "", "", 120, 8040, 7215, 570, 0xC0C0C0, kSystemText, kWindowFont, 102, None},

    // On the window itself.
    {"Image1", Kind::Image, "", "", 8160, 120, 1200, 390, kNoColour, kSystemText, kWindowFont, -1, None},
    {"Command5", Kind::Button, "", "↑", 1200, 2520, 855, 375, 0xFFE0C0, kSystemText, pGothic(9.0, true), 17, None},
    {"Label3", Kind::Label, "", "VOL", 3600, 2520, 495, 255, 0xC0C0C0, kSystemText, kWindowFont, 7, Centred},
    {"Label13", Kind::Label, "", "Zoom", 4440, 2520, 492, 252, 0xC0C0C0, kSystemText, gothic(9.0), 53, None},
    {"Label14", Kind::Label, "", "Focus", 5280, 2520, 615, 255, 0xC0C0C0, kSystemText, gothic(9.0), 56, None},
    {"Label17", Kind::Label, "", "D.Zoom", 6360, 2520, 735, 255, 0xC0C0C0, kSystemText, gothic(9.0), 63, None},
    {"Label18", Kind::Label, "", "Keystone", 7320, 2520, 855, 255, 0xC0C0C0, kSystemText, gothic(9.0), 66, None},
    {"Command1", Kind::Button, "", "+", 3600, 2880, 375, 255, 0xFFC080, kSystemText, kWindowFont, 5, None},
    {"Command15", Kind::Button, "", "+", 4440, 2880, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 51, None},
    {"Command36", Kind::Button, "", "+", 5280, 2880, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 54, None},
    {"Command48", Kind::Button, "", "+", 6480, 2880, 375, 255, 0xC0FFFF, kSystemText, pGothic(9.0), 61, None},
    {"Command50", Kind::Button, "", "+", 7440, 2880, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 64, None},
    {"Command13", Kind::Button, "", "A-PC Adj", 8400, 2880, 975, 250, 0x00C0C0, kSystemText, gothic(9.0), 24, None},
    {"Command9", Kind::Button, "", "←", 240, 3000, 855, 375, 0xFFE0C0, kSystemText, pGothic(9.0, true), 21, None},
    {"Command6", Kind::Button, "", "SELECT", 1200, 3000, 855, 375, 0xFF8000, kSystemText, gothic(9.0), 18, None},
    {"Command8", Kind::Button, "", "→", 2160, 3000, 855, 375, 0xFFE0C0, kSystemText, pGothic(9.0, true), 20, None},
    {"Command30", Kind::Button, "", "IMAGE", 8400, 3120, 975, 255, 0xC0C0FF, kSystemText, gothic(9.0), 76, None},
    {"Command2", Kind::Button, "", "-", 3600, 3240, 375, 255, 0xFFC080, kSystemText, kWindowFont, 6, None},
    {"Command35", Kind::Button, "", "-", 4440, 3240, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 52, None},
    {"Command37", Kind::Button, "", "-", 5280, 3240, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 55, None},
    {"Command49", Kind::Button, "", "-", 6480, 3240, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 62, None},
    {"Command51", Kind::Button, "", "-", 7440, 3240, 375, 255, 0xC0FFFF, kSystemText, gothic(9.0), 65, None},
    {"Command14", Kind::Button, "", "P-TIMER", 8400, 3360, 975, 250, 0xC0C0FF, kSystemText, gothic(9.0), 25, None},
    {"Command7", Kind::Button, "", "↓", 1200, 3480, 855, 375, 0xFFE0C0, kSystemText, pGothic(9.0, true), 19, None},
    {"Command3", Kind::Button, "", "DISPLAY CLEAR", 8400, 3600, 975, 492, 0xC0C0FF, kSystemText, gothic(9.0), 16, None},
    {"Command4", Kind::Button, "", "STAND", 240, 4080, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 80, None},
    {"Command10", Kind::Button, "", "REAL", 1200, 4080, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 81, None},
    {"Command11", Kind::Button, "", "CINEMA", 2160, 4080, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 82, None},
    {"Command33", Kind::Button, "", "COM", 4080, 4200, 1815, 375, kSystemButtonFace, kSystemText, pGothic(9.0), 41, None},
    {"Command39", Kind::Button, "", "DYNAMIC", 240, 4320, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 83, None},
    {"Command40", Kind::Button, "", "CUSTOM 1", 1200, 4320, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 84, None},
    {"Command41", Kind::Button, "", "CUSTOM 2", 2160, 4320, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 85, None},
    {"Command16", Kind::Button, "", "END", 8400, 4320, 975, 375, 0xC0C0C0, kSystemText, kWindowFont, 26, None},
    {"Command42", Kind::Button, "", "CUSTOM 3", 240, 4560, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 86, None},
    {"Command34", Kind::Button, "", "データを表示する", 6600, 5040, 1200, 375, 0xC0C0C0, kSystemText, pGothic(9.0), 50, Hidden},
    {"Command52", Kind::Button, "", "P-FAIL", 8400, 5160, 975, 255, 0xFFC0C0, kSystemText, kWindowFont, 87, None},
    {"Command44", Kind::Button, "", "STATUS", 6480, 5640, 975, 255, 0xC0FFFF, kSystemText, gothic(8.25, true), 57, None},
    {"Command46", Kind::Button, "", "L-TIME", 7440, 5640, 975, 255, 0xC0FFFF, kSystemText, gothic(8.25, true), 59, None},
    {"Command54", Kind::Button, "", "TEMP", 8400, 5640, 975, 252, 0xC0FFFF, kSystemText, gothic(8.25, true), 68, None},
    {"Command45", Kind::Button, "", "MODE", 6480, 5880, 975, 255, 0xC0FFFF, kSystemText, gothic(8.25, true), 58, None},
    {"Command47", Kind::Button, "", "SETTING", 7440, 5880, 975, 255, 0xC0FFFF, kSystemText, gothic(8.25, true), 60, None},
    {"Command55", Kind::Button, "", "L-MODE", 8400, 5880, 975, 252, 0xC0FFFF, kSystemText, gothic(8.25, true), 69, None},

    // In Frame1 (POWER).
    {"Label1", Kind::Label, "Frame1", "POWER", 240, 240, 1095, 255, 0xC0C0C0, 0xC00000, kWindowFont, 2, Centred},
    {"Command17", Kind::Button, "Frame1", "ON", 120, 600, 615, 300, 0xC0FFC0, kSystemText, pGothic(9.0, true), 1, None},
    {"Command18", Kind::Button, "Frame1", "OFF", 960, 600, 615, 300, 0xFFC0C0, kSystemText, pGothic(9.0, true), 27, None},

    // In Frame2 (INPUT MODE SET).
    {"Label2", Kind::Label, "Frame2", "INPUT MODE SET", 600, 240, 1935, 255, 0xC0C0C0, kSystemText, kWindowFont, 4, Centred},
    {"Command27", Kind::Button, "Frame2", "1", 120, 600, 495, 300, 0xC0FFFF, kSystemText, pGothic(9.0, true), 36, None},
    {"Command28", Kind::Button, "Frame2", "2", 720, 600, 495, 300, 0xC0FFFF, kSystemText, pGothic(9.0, true), 37, None},
    {"Command29", Kind::Button, "Frame2", "3", 1320, 600, 495, 300, 0xC0FFFF, kSystemText, pGothic(9.0, true), 38, None},
    {"Command53", Kind::Button, "Frame2", "NETWORK", 1920, 600, 1095, 300, 0xC0FFFF, kSystemText, pGothic(9.0, true), 67, None},

    // In Frame6 (MENU).
    {"Label7", Kind::Label, "Frame6", "MENU", 360, 240, 975, 255, 0xC0C0C0, kSystemText, kWindowFont, 15, Centred},
    {"Command23", Kind::Button, "Frame6", "ON", 120, 600, 615, 300, 0xC0FFC0, kSystemText, pGothic(9.0, true), 32, None},
    {"Command24", Kind::Button, "Frame6", "OFF", 960, 600, 615, 300, 0xFFC0C0, kSystemText, pGothic(9.0, true), 33, None},

    // In Frame10 (LENS SHIFT).
    {"Label20", Kind::Label, "Frame10", "LENS SHIFT", 120, 195, 1215, 300, 0xC0C0C0, kSystemText, kWindowFont, 75, Centred},
    {"Command59", Kind::Button, "Frame10", "↑", 480, 600, 492, 252, 0xFFE0C0, kSystemText, pGothic(7.5), 71, None},
    {"Command60", Kind::Button, "Frame10", "←", 240, 960, 492, 252, 0xFFE0C0, kSystemText, pGothic(7.5), 72, None},
    {"Command61", Kind::Button, "Frame10", "→", 720, 960, 492, 252, 0xFFE0C0, kSystemText, pGothic(7.5), 73, None},
    {"Command62", Kind::Button, "Frame10", "↓", 480, 1320, 492, 252, 0xFFE0C0, kSystemText, pGothic(7.5), 74, None},

    // In Frame3 (SOUND MUTE).
    {"Label4", Kind::Label, "Frame3", "SOUND MUTE", 120, 195, 1335, 300, 0xC0C0C0, kSystemText, kWindowFont, 9, Centred},
    {"Command19", Kind::Button, "Frame3", "ON", 120, 480, 615, 300, 0xC0FFC0, kSystemText, pGothic(9.0, true), 28, None},
    {"Command20", Kind::Button, "Frame3", "OFF", 720, 480, 615, 300, 0xFFC0C0, kSystemText, pGothic(9.0, true), 29, None},

    // In Frame4 (NO SHOW).
    {"Label5", Kind::Label, "Frame4", "NO SHOW", 120, 210, 1095, 285, 0xC0C0C0, kSystemText, kWindowFont, 11, Centred},
    {"Command21", Kind::Button, "Frame4", "ON", 120, 480, 615, 300, 0xC0FFC0, kSystemText, pGothic(9.0, true), 30, None},
    {"Command22", Kind::Button, "Frame4", "OFF", 720, 480, 615, 300, 0xFFC0C0, kSystemText, pGothic(9.0, true), 31, None},

    // In Frame7 (FREEZE).
    {"Label8", Kind::Label, "Frame7", "FREEZE", 240, 210, 975, 285, 0xC0C0C0, kSystemText, kWindowFont, 23, Centred},
    {"Command25", Kind::Button, "Frame7", "ON", 120, 480, 615, 300, 0xC0FFC0, kSystemText, pGothic(9.0, true), 34, None},
    {"Command26", Kind::Button, "Frame7", "OFF", 720, 480, 615, 300, 0xFFC0C0, kSystemText, pGothic(9.0, true), 35, None},

    // In Frame5 (AV Size).
    {"Label6", Kind::Label, "Frame5", "AV Size", 360, 210, 975, 285, 0xC0C0C0, kSystemText, kWindowFont, 13, Centred},
    {"Command31", Kind::Button, "Frame5", "Normal", 120, 480, 855, 300, 0xC0FFFF, kSystemText, pGothic(9.0), 39, None},
    {"Command32", Kind::Button, "Frame5", "Full", 960, 480, 615, 300, 0xC0FFFF, kSystemText, pGothic(9.0), 40, None},

    // In Frame8 (the settings panel: port options).
    {"Option1", Kind::Option, "Frame8", "COM1", 240, 240, 1215, 255, 0xC0C0C0, kSystemText, kWindowFont, 43, None},
    {"Option2", Kind::Option, "Frame8", "COM2", 1560, 240, 1095, 255, 0xC0C0C0, kSystemText, kWindowFont, 44, None},

    // In Frame13 (the settings panel: speed options).
    {"Option9", Kind::Option, "Frame13", "19200", 120, 240, 1095, 255, 0xC0C0C0, kSystemText, kWindowFont, 78, Selected},
    {"Option10", Kind::Option, "Frame13", "9600", 1440, 240, 975, 300, 0xC0C0C0, kSystemText, kWindowFont, 79, None},

    // In Frame9 (the traffic display).
    {"Label11", Kind::Label, "Frame9", "", 600, 180, 5610, 300, 0xFFFFFF, kSystemText, pGothic(9.75, true), 48, SingleBorder},
    {"Label9", Kind::Label, "Frame9", "TXD", 105, 210, 390, 285, 0xC0C0C0, kSystemText, gothic(9.0), 46, RightAligned},
    {"Label12", Kind::Label, "Frame9", "", 600, 540, 5616, 300, 0xFFFFFF, kSystemText, pGothic(9.75, true), 49, SingleBorder},
    {"Label10", Kind::Label, "Frame9", "RXD", 75, 555, 450, 300, 0xC0C0C0, kSystemText, gothic(9.0), 47, RightAligned},
    {"Label22", Kind::Label, "Frame9", "", 930, 915, 5295, 300, 0xFFFFFF, 0xFF0000, pGothic(9.0, true), 111, SingleBorder},
    {"Label23", Kind::Label, "Frame9", "STATUS", 90, 975, 795, 225, 0xC0C0C0, kSystemText, gothic(8.25), 112, None},

    // In Frame14 (input selection, three numbered rows).
    {"Label15", Kind::Label, "Frame14", "1", 120, 240, 255, 255, 0xC0C0C0, kSystemText, kWindowFont, 99, None},
    {"Command63", Kind::Button, "Frame14", "DVI(AV HDCP)", 360, 240, 1335, 255, 0xC0FFFF, kSystemText, gothic(9.0), 89, None},
    {"Command64", Kind::Button, "Frame14", "DVI(PC)", 1680, 240, 855, 255, 0xC0FFFF, kSystemText, gothic(9.0), 90, None},
    {"Command65", Kind::Button, "Frame14", "SCART", 2520, 240, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 91, None},
    {"Command66", Kind::Button, "Frame14", "RGB", 3480, 240, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 92, None},
    {"Label16", Kind::Label, "Frame14", "2", 120, 480, 255, 255, 0xC0C0C0, kSystemText, kWindowFont, 100, None},
    {"Command72", Kind::Button, "Frame14", "RGB", 360, 480, 735, 255, 0xC0FFFF, kSystemText, gothic(9.0), 93, None},
    {"Command74", Kind::Button, "Frame14", "Y,Pb/Cb,Pr/Cr", 1080, 480, 1455, 255, 0xC0FFFF, kSystemText, gothic(9.0), 95, None},
    {"Command73", Kind::Button, "Frame14", "VIDEO", 2520, 480, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 94, None},
    {"Label24", Kind::Label, "Frame14", "3", 120, 720, 255, 255, 0xC0C0C0, kSystemText, kWindowFont, 101, None},
    {"Command84", Kind::Button, "Frame14", "S-VIDEO", 360, 720, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 98, None},
    {"Command81", Kind::Button, "Frame14", "VIDEO", 1320, 720, 975, 255, 0xC0FFFF, kSystemText, gothic(9.0), 97, None},
    {"Command80", Kind::Button, "Frame14", "AUTO", 2280, 720, 735, 255, 0xC0FFFF, kSystemText, gothic(9.0), 96, None},

    // In Frame16 (FAN SPEED).
    {"Label27", Kind::Label, "Frame16", "FAN SPEED", 345, 285, 1215, 255, 0xC0C0C0, kSystemText, kWindowFont, 108, None},
    {"Command97", Kind::Button, "Frame16", "MAX", 120, 600, 855, 255, 0xC0FFC0, kSystemText, kWindowFont, 109, None},
    {"Command98", Kind::Button, "Frame16", "NOR", 960, 600, 855, 255, 0xC0FFC0, kSystemText, kWindowFont, 110, None},

    // In Frame15 (free command).
    {"Text1", Kind::TextBox, "Frame15", "", 600, 165, 5055, 345, kSystemWindow, kSystemText, gothic(9.75, true), 103, None},
    {"Label26", Kind::Label, "Frame15", "CMD", 120, 240, 495, 255, 0xC0C0C0, kSystemText, gothic(9.75), 106, None},
    {"Command95", Kind::Button, "Frame15", "SEND", 5760, 240, 735, 255, 0xC0FFC0, kSystemText, kWindowFont, 104, None},
    {"Command96", Kind::Button, "Frame15", "CLS", 6480, 240, 615, 255, 0xFFC0C0, kSystemText, kWindowFont, 105, None},
};

std::span<const Control> controls();
std::span<const Line> lines();

// Whether the table has a control of this stored name and kind. For the
// build's checks: it compares no addresses, which GCC cannot evaluate at
// compile time under the sanitizers.
constexpr bool hasControl(std::string_view name, Kind kind)
{
    for (const Control& c : kControls) {
        if (c.name == name)
            return c.kind == kind;
    }
    return false;
}

} // namespace runo::layout
