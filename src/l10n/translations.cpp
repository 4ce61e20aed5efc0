// SPDX-License-Identifier: MIT
#include "l10n/translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

namespace runo {

namespace {

struct Catalogue {
    QTranslator translator;
    bool loaded = false;
    bool installed = false;
};

// One catalogue per name, loaded once, living as long as the program.
Catalogue& catalogue(const QString& name, const QStringList& folders)
{
    static std::map<QString, Catalogue> catalogues;
    auto [entry, isNew] = catalogues.try_emplace(name);
    Catalogue& c = entry->second;
    if (isNew) {
        for (const QString& folder : folders) {
            if ((c.loaded = c.translator.load(QLocale::system(), name, QStringLiteral("_"), folder)))
                break;
        }
    }
    if (c.loaded && !c.installed && QCoreApplication::instance())
        c.installed = QCoreApplication::installTranslator(&c.translator);
    return c;
}

// The installed catalogues beside the program's prefix, then the built-in
// copy. The program's folder is read from the system, not from the
// application object, which a program that parses its options first has not
// made yet when it first asks.
Catalogue& ours()
{
    static const QString programFolder = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
    return catalogue(QStringLiteral("runo-control"),
        {programFolder + QStringLiteral("/../share/runo-control/translations"), QStringLiteral(":/i18n")});
}

} // namespace

void installTranslations(bool qtTexts)
{
    ours();
    if (qtTexts)
        catalogue(QStringLiteral("qtbase"), {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
}

QString translate(const char* context, const char* text)
{
    if (QCoreApplication::instance())
        return QCoreApplication::translate(context, text);
    const QString translated = ours().translator.translate(context, text);
    return translated.isEmpty() ? QString::fromUtf8(text) : translated;
}

bool outputWritten(const char* program)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    const int error = errno;
    std::fprintf(
        stderr, "%s: %s: %s\n", program, qPrintable(translate("runo-control", "cannot write the output")), std::strerror(error));
    return false;
}

} // namespace runo
