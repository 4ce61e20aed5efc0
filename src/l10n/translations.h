// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace runo {

// Loads the catalogue of the system locale's language (LC_ALL, LC_MESSAGES
// or LANG): from share/runo-control/translations beside the program's
// prefix, else the copy built into the program. Installs it into the running
// application, if there is one yet (call it again once there is). Human
// messages follow it; captions, command texts and machine-readable output
// never pass through it. With qtTexts, Qt's own catalogue too (standard
// dialog buttons, the option parser's texts), where the system has it: for
// the panel, not for the shell programs, whose machine-readable output
// carries Qt's error texts.
void installTranslations(bool qtTexts = false);

// QCoreApplication::translate, also before the application object exists
// (a program that parses its options first).
QString translate(const char* context, const char* text);

// Whether what the program wrote to standard output got there (a full disk or
// a closed pipe loses it); if not, says why on standard error, after the
// program's name. Each program then exits 4.
bool outputWritten(const char* program);

} // namespace runo
