#pragma once

#include "documents/FormatText.h"

#include <QString>
#include <QStringView>

// Assembles a converted document's text the way the HTML conversion lays out a page:
// separators are held back until text follows them, so no document starts or ends with
// blank lines and an empty paragraph leaves no trace; blanks before a separator are
// dropped. Headings are recorded where their first character lands.
class TextBuilder
{
public:
    enum class Break { None, Cell, Line, Paragraph };

    // Inline text, as it is (the readers apply their format's own whitespace rules).
    void append(QStringView piece);
    void append(QChar c) { append(QStringView(&c, 1)); }
    // A line break inside a paragraph: kept even where no text follows on that line.
    void lineBreak();
    // Keeps what comes next apart from what came before (the strongest pending break wins).
    void separate(Break kind);

    // Text appended between these two becomes a heading of the given level.
    void beginHeading(int level);
    void endHeading();

    // Where the next text will begin, with any pending separator counted: the position
    // to give an anchor that is met before its text.
    qsizetype nextPosition() const;
    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }

    QString takeText();
    QList<FormatHeading> takeHeadings() { return std::move(m_headings); }

private:
    void flushBreak();
    static int lineEndsFor(Break kind);

    QString m_text;
    Break m_pending = Break::None;
    QList<FormatHeading> m_headings;
    bool m_inHeading = false;
    int m_headingLevel = 1;
    qsizetype m_headingStart = -1;
};
