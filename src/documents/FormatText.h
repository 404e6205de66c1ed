#pragma once

#include <QList>
#include <QString>

// One heading of a converted document: its text, its level (1 the highest) and where it
// begins in FormatText::text (a QString index, as the view counts).
struct FormatHeading
{
    QString text;
    int level = 1;
    qsizetype position = 0;
};

// What a format reader (EPUB, PDF, DOCX, ODT, Markdown) makes of a file: the text as the
// view shows it (LF line ends; paragraphs apart by a blank line, list items and table rows
// one per line, table cells apart by a tab, as the HTML conversion lays them out), the
// document's own title and language when it names them, and its headings in text order.
// A file that cannot be shown gives an outcome other than Read and a message for the user;
// its text is then empty.
struct FormatText
{
    enum class Outcome {
        Read,
        NeedsPassword, // a PDF with a user password: ask once, then read with it
        WrongPassword, // the password given does not open it
        Protected, // encrypted or DRM content that Orlin cannot read
        NoText, // opened, but nothing to read (a scanned PDF, an empty document)
        Damaged, // malformed or truncated
        TooLarge, // past a limit that keeps a hostile file from exhausting memory
        Unreadable, // the file itself could not be read
    };

    Outcome outcome = Outcome::Read;
    QString failure; // translated, for the user; empty when read
    QString text;
    QString title;
    QString language;
    QList<FormatHeading> headings;

    bool read() const { return outcome == Outcome::Read; }

    // A failed result with the usual message for its outcome, or with the one given.
    static FormatText failed(Outcome outcome, const QString &message = {});
    // What the user is told about each outcome (translated); empty for Read.
    static QString messageFor(Outcome outcome);
};
