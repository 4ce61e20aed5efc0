#include "commands/commandtable.h"

#include <algorithm>

namespace runo {

namespace {

constexpr int kImageReplyMs = 2000, kImageClearMs = 2500;
constexpr int kInputReplyMs = 5000, kInputClearMs = 5500;

constexpr CommandButton kCommandButtons[] = {
    {"Command17", "C00"}, // POWER ON
    {"Command18", "C01"}, // POWER OFF
    {"Command27", "C05"}, // INPUT MODE SET 1
    {"Command28", "C06"},
    {"Command29", "C07"},
    {"Command53", "C08"}, // NETWORK
    {"Command23", "C1C", kUnchanged, kUnchanged, true}, // MENU ON
    {"Command24", "C1D"},
    {"Command19", "C0B"}, // SOUND MUTE ON
    {"Command20", "C0C"},
    {"Command21", "C0D"}, // NO SHOW ON
    {"Command22", "C0E"},
    {"Command25", "C43"}, // FREEZE ON
    {"Command26", "C44"},
    {"Command31", "C0F"}, // AV Size Normal
    {"Command32", "C10"},
    {"Command13", "C89", kUnchanged, kUnchanged, true}, // A-PC Adj
    {"Command30", "C27"}, // IMAGE
    {"Command14", "C8A"}, // P-TIMER
    {"Command52", "CR ALLPFAIL", kImageReplyMs, kImageClearMs},
    {"Command4", "CF IMAGE STAND", kImageReplyMs, kImageClearMs},
    {"Command10", "CF IMAGE REAL", kImageReplyMs, kImageClearMs},
    {"Command11", "CF IMAGE CINEMA", kImageReplyMs, kImageClearMs},
    {"Command39", "CF IMAGE DYNAMIC", kImageReplyMs, kImageClearMs},
    {"Command40", "CF IMAGE CUSTOM1", kImageReplyMs, kImageClearMs},
    {"Command41", "CF IMAGE CUSTOM2", kImageReplyMs, kImageClearMs},
    {"Command42", "CF IMAGE CUSTOM3", kImageReplyMs, kImageClearMs},
    {"Command44", "CR0"}, // STATUS
    {"Command45", "CR1"}, // MODE
    {"Command46", "CR3"}, // L-TIME
    {"Command47", "CR4"}, // SETTING
    {"Command54", "CR6"}, // TEMP
    {"Command55", "CR7"}, // L-MODE
    {"Command63", "C53", kInputReplyMs, kInputClearMs}, // DVI(AV HDCP)
    {"Command64", "C52", kInputReplyMs, kInputClearMs}, // DVI(PC)
    {"Command65", "C51", kInputReplyMs, kInputClearMs}, // SCART
    {"Command66", "C50", kInputReplyMs, kInputClearMs}, // RGB, row 1
    {"Command72", "C25", kInputReplyMs, kInputClearMs}, // RGB, row 2
    {"Command74", "C24", kInputReplyMs, kInputClearMs}, // Y,Pb/Cb,Pr/Cr
    {"Command73", "C23", kInputReplyMs, kInputClearMs}, // VIDEO, row 2
    {"Command84", "C34", kInputReplyMs, kInputClearMs}, // S-VIDEO
    {"Command81", "C33", kInputReplyMs, kInputClearMs}, // VIDEO, row 3
    {"Command80", "C32", kInputReplyMs, kInputClearMs}, // AUTO
    {"Command97", "CF FANSPEED MAX"},
    {"Command98", "CF FANSPEED NOR"},
};

constexpr HoldButton kHoldButtons[] = {
    {"Command1", 1, "C09", 250, 200, 245},  // VOL +
    {"Command2", 2, "C0A", 250, 200, 245},  // VOL -
    {"Command15", 7, "C47", 105, 100, 100}, // Zoom +
    {"Command35", 8, "C46", 105, 100, 100}, // Zoom -
    {"Command36", 9, "C4B", 105, 100, 100}, // Focus +
    {"Command37", 10, "C4A", 105, 100, 100}, // Focus -
    {"Command48", 17, "C30", 250, 200, 245, false, true}, // D.Zoom +
    {"Command49", 18, "C31", 250, 200, 245, false, true}, // D.Zoom -
    {"Command50", 19, "C8E", 250, 200, 245}, // Keystone +
    {"Command51", 20, "C8F", 250, 200, 245}, // Keystone -
    {"Command59", 21, "C5D", 105, 100, 100}, // LENS SHIFT up
    {"Command62", 22, "C5E", 105, 100, 100}, // LENS SHIFT down
    {"Command60", 23, "C5F", 105, 100, 100}, // LENS SHIFT left
    {"Command61", 24, "C60", 105, 100, 100}, // LENS SHIFT right
    {"Command5", 3, "C3C", kUnchanged, kUnchanged, kUnchanged, true}, // cursor up
    {"Command7", 4, "C3D", kUnchanged, kUnchanged, kUnchanged, true}, // cursor down
    {"Command9", 5, "C3B", kUnchanged, kUnchanged, kUnchanged, true}, // cursor left
    {"Command8", 6, "C3A", kUnchanged, kUnchanged, kUnchanged, true}, // cursor right
    {"Command6", 13, "C3F", 500, 200, 245}, // SELECT
};

} // namespace

std::span<const CommandButton> commandButtons() { return kCommandButtons; }
std::span<const HoldButton> holdButtons() { return kHoldButtons; }

const CommandButton* findCommandButton(std::string_view control)
{
    const auto it = std::ranges::find(kCommandButtons, control, &CommandButton::control);
    return it == std::end(kCommandButtons) ? nullptr : &*it;
}

const HoldButton* findHoldButton(std::string_view control)
{
    const auto it = std::ranges::find(kHoldButtons, control, &HoldButton::control);
    return it == std::end(kHoldButtons) ? nullptr : &*it;
}

std::string_view holdCommandText(std::uint8_t holdCode)
{
    const auto it = std::ranges::find(kHoldButtons, holdCode, &HoldButton::code);
    return it == std::end(kHoldButtons) ? std::string_view() : it->text;
}

} // namespace runo
