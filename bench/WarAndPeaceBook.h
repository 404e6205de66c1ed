#pragma once

// War and Peace (the shared Gutenberg text, or a stand-in of the same size without it) as
// the benchmarks of the document formats use it: its paragraphs, and a PDF of about a
// thousand pages made from them with QPdfWriter, once per run in a temporary folder.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

namespace WarAndPeaceBook {

// The shared text's path. The benchmarks run from <build>/bench of a checkout beside the
// shared corpora; ORLIN_SOURCE_DIR names another checkout.
inline QString warAndPeacePath()
{
    QString source = qEnvironmentVariable("ORLIN_SOURCE_DIR");
    if (source.isEmpty())
        source = QCoreApplication::applicationDirPath() + QStringLiteral("/../..");
    return QDir::cleanPath(source
                           + QStringLiteral("/../shared/corpora/gutenberg_books/2600-0.txt"));
}

inline QString warAndPeace()
{
    QFile file(warAndPeacePath());
    if (file.open(QIODevice::ReadOnly))
        return QString::fromUtf8(file.readAll());
    QString stand;
    while (stand.size() < 3'200'000)
        stand += QStringLiteral("\u201CWell, Prince, so Genoa and Lucca are now just family "
                                "estates of the Buonapartes,\u201D she said.\n\n");
    return stand;
}

// The book's paragraphs (blank-line separated, lines joined).
inline QStringList paragraphs()
{
    QStringList out;
    for (const QString &block : warAndPeace().split(QStringLiteral("\n\n"))) {
        const QString p = block.simplified();
        if (!p.isEmpty())
            out.append(p);
    }
    return out;
}

inline QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// 10-point text, 48 lines of about 80 characters a page, a running head and page number:
// about a thousand pages.
inline QString pdfBook()
{
    const QString path = folder().filePath(QStringLiteral("war-and-peace.pdf"));
    if (QFileInfo::exists(path))
        return path;
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(10);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double width = 470;
    const double lineHeight = 14;
    const double top = 70;
    const int linesPerPage = 48;
    int page = 1;
    int line = 0;
    auto newLine = [&] {
        if (++line < linesPerPage)
            return;
        painter.drawText(QPointF(280, 820), QString::number(page));
        writer.newPage();
        ++page;
        line = 0;
        painter.drawText(QPointF(62, 40), QStringLiteral("WAR AND PEACE"));
    };
    painter.drawText(QPointF(62, 40), QStringLiteral("WAR AND PEACE"));
    for (const QString &p : paragraphs()) {
        QString current;
        for (const QString &word : p.split(QLatin1Char(' '))) {
            const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
            if (metrics.horizontalAdvance(candidate) > width && !current.isEmpty()) {
                painter.drawText(QPointF(62, top + line * lineHeight), current);
                newLine();
                current = word;
            } else {
                current = candidate;
            }
        }
        painter.drawText(QPointF(62, top + line * lineHeight), current);
        newLine();
        newLine(); // a blank line between paragraphs
    }
    painter.end();
    std::printf("made %s: %d pages\n", qPrintable(path), page);
    return path;
}

} // namespace WarAndPeaceBook
