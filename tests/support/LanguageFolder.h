#pragma once

#include "base/CodePage.h"
#include "base/TextFileEncoding.h"
#include "base/cSharedLogging.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QStringList>

// A program folder with a Languages folder (spelled as asked) and language files
// written the way translators save them: Windows-1252 with CR LF.
class LanguageFolder
{
public:
    explicit LanguageFolder(const QString &folderName = QStringLiteral("Languages"))
    {
        QDir(program.path()).mkpath(folderName);
        languages = program.file(folderName);
        Log().LogEvent(QStringLiteral("Program startup."), true);
    }

    void write(const QString &name, const QStringList &lines) const
    {
        QFile f(QDir(languages).filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(CodePage::fromUnicode(lines.join(QStringLiteral("\r\n")) + "\r\n"));
    }

    QString read(const QString &name) const
    {
        QFile f(QDir(languages).filePath(name));
        return f.open(QIODevice::ReadOnly) ? TextFileEncoding::decode(f.readAll()) : QString();
    }

    QString logText() const
    {
        Log().WriteActionsToLog();
        QFile f(program.file(QStringLiteral("log.txt")));
        return f.open(QIODevice::ReadOnly) ? CodePage::toUnicode(f.readAll()) : QString();
    }

    TempProgramFolder program;
    QString languages;
};
