// SPDX-License-Identifier: MIT
// What the platform's accessibility interface (screen readers, UI automation)
// calls each control. Captions repeat across the panel ("ON" five times, "+"
// five times, the arrows twice), so every control the operator works or reads
// gets a name of its own that says what it does. The commands' names ("POWER
// ON", "VOL +", "Cursor ↑") come with the command tables; this table names
// the rest: "COM", "TXD", "CMD".
#pragma once

#include <span>
#include <string_view>

namespace runo::layout {

struct AccessibleName {
    std::string_view control; // stored name
    std::string_view name; // UTF-8
    // The label beside the control that shows the same words ("TXD" beside
    // the transmit line, "CMD" beside the entry box), or "". The builder makes
    // it the control's buddy, so assistive tools read the two as one.
    std::string_view captionLabel = {};
    // The control's text is content that changes (a traffic line): its name
    // stays fixed and the text is read as its value.
    bool showsContent = false;
};

std::span<const AccessibleName> accessibleNames();
// The entry of a stored name, or nullptr.
const AccessibleName* findAccessibleName(std::string_view control);

// Installs, once per process, the panel's own accessibility interfaces: the
// labels whose text is content, and the option buttons, whose action through
// the interface is a click, as with the mouse or the keyboard (Qt's own
// interface only toggles them, which selects an option without its click).
// Called by buildForm before it creates any widget.
void installAccessibleInterfaces();

// The dynamic properties that mark a widget for those interfaces.
inline constexpr char kShowsContentProperty[] = "runoShowsContent";
inline constexpr char kClickOnActionProperty[] = "runoClickOnAction";

} // namespace runo::layout
