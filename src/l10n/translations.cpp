// SPDX-License-Identifier: MIT
#include "l10n/translations.h"

#include <QCoreApplication>
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

Catalogue& ours()
{
    QStringList folders {QStringLiteral(":/i18n")};
    if (QCoreApplication::instance())
        folders.prepend(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/runo-control/translations"));
    return catalogue(QStringLiteral("runo-control"), folders);
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
