#include "documents/TextBuilder.h"

#include <algorithm>

int TextBuilder::lineEndsFor(Break kind)
{
    switch (kind) {
    case Break::Paragraph:
        return 2;
    case Break::Line:
        return 1;
    default:
        return 0;
    }
}

void TextBuilder::flushBreak()
{
    if (m_pending == Break::None)
        return;
    const Break kind = m_pending;
    m_pending = Break::None;
    if (m_text.isEmpty())
        return;
    while (!m_text.isEmpty()
           && (m_text.back() == QLatin1Char(' ') || m_text.back() == QLatin1Char('\t')))
        m_text.chop(1);
    if (kind == Break::Cell) {
        if (!m_text.isEmpty() && m_text.back() != QLatin1Char('\n'))
            m_text += QLatin1Char('\t');
        return;
    }
    int have = 0;
    for (qsizetype i = m_text.size(); i > 0 && m_text.at(i - 1) == QLatin1Char('\n'); --i)
        ++have;
    for (int wanted = lineEndsFor(kind); have < wanted; ++have)
        m_text += QLatin1Char('\n');
}

void TextBuilder::append(QStringView piece)
{
    if (piece.isEmpty())
        return;
    if (m_pending != Break::None) {
        // Blanks that only lay out the source between blocks are not text.
        qsizetype k = 0;
        while (k < piece.size() && (piece[k] == QLatin1Char(' ') || piece[k] == QLatin1Char('\t')))
            ++k;
        piece = piece.sliced(k);
        if (piece.isEmpty())
            return;
        flushBreak();
    } else if (m_text.isEmpty()) {
        qsizetype k = 0;
        while (k < piece.size() && piece[k].isSpace())
            ++k;
        piece = piece.sliced(k);
        if (piece.isEmpty())
            return;
    }
    if (m_inHeading && m_headingStart < 0)
        m_headingStart = m_text.size();
    m_text.append(piece);
}

void TextBuilder::lineBreak()
{
    flushBreak();
    if (!m_text.isEmpty())
        m_text += QLatin1Char('\n');
}

void TextBuilder::separate(Break kind)
{
    if (lineEndsFor(kind) > lineEndsFor(m_pending) || m_pending == Break::None)
        m_pending = kind;
}

void TextBuilder::beginHeading(int level)
{
    if (m_inHeading)
        endHeading();
    m_inHeading = true;
    m_headingLevel = std::clamp(level, 1, 9);
    m_headingStart = -1;
}

void TextBuilder::endHeading()
{
    if (!m_inHeading)
        return;
    m_inHeading = false;
    if (m_headingStart < 0)
        return;
    const QString text = QStringView(m_text).sliced(m_headingStart).toString().simplified();
    if (!text.isEmpty())
        m_headings.append({ text, m_headingLevel, m_headingStart });
}

qsizetype TextBuilder::nextPosition() const
{
    if (m_text.isEmpty() || m_pending == Break::None || m_pending == Break::Cell)
        return m_text.size() + (m_pending == Break::Cell && !m_text.isEmpty() ? 1 : 0);
    qsizetype end = m_text.size();
    while (end > 0
           && (m_text.at(end - 1) == QLatin1Char(' ') || m_text.at(end - 1) == QLatin1Char('\t')))
        --end;
    int have = 0;
    for (qsizetype i = end; i > 0 && m_text.at(i - 1) == QLatin1Char('\n'); --i)
        ++have;
    return end + std::max(0, lineEndsFor(m_pending) - have);
}

QString TextBuilder::takeText()
{
    endHeading();
    m_pending = Break::None;
    while (!m_text.isEmpty() && m_text.back().isSpace())
        m_text.chop(1);
    return std::move(m_text);
}
