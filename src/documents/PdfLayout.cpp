#include "documents/PdfLayout.h"

#include <QHash>

#include <algorithm>

namespace {

// Lines within this share of the page height from its top or bottom may be running.
constexpr double kMargin = 0.1;
// At most this many lines at each end of a page are checked.
constexpr qsizetype kEdgeLines = 2;

bool endsSentence(QStringView text)
{
    while (!text.isEmpty()
           && (text.back() == u'"' || text.back() == u'\u201D' || text.back() == u'\u2019'
               || text.back() == u')' || text.back() == u'\''))
        text.chop(1);
    if (text.isEmpty())
        return true;
    const QChar c = text.back();
    return c == u'.' || c == u'!' || c == u'?' || c == u':' || c == u'\u3002' || c == u'\u061F'
        || c == u'\u06D4';
}

// A word broken at the line end: a letter, then a hyphen (or a soft hyphen).
bool endsWithBreak(QStringView text)
{
    if (text.size() < 2)
        return false;
    const QChar last = text.back();
    if (last == QChar(0x00AD))
        return true;
    return (last == u'-' || last == u'\u2010') && text[text.size() - 2].isLetter();
}

bool startsLowercase(QStringView text)
{
    return !text.isEmpty() && text.front().isLower();
}

double height(const PdfLayout::Line &line)
{
    return std::max(1.0, line.box.height());
}

} // namespace

QString PdfLayout::plainWord(const QString &word)
{
    for (QChar c : word) {
        // Alphabetic presentation forms (ligatures), Arabic presentation forms, half- and
        // full-width forms: their compatibility decompositions are what is meant.
        if (c.unicode() >= 0xFB00 && c.unicode() <= 0xFFEF)
            return word.normalized(QString::NormalizationForm_KC);
    }
    return word;
}

QString PdfLayout::logicalOrder(const QString &line)
{
    int rtl = 0;
    int ltr = 0;
    const QList<uint> codes = line.toUcs4();
    for (uint c : codes) {
        const QChar::Direction d = QChar::direction(c);
        rtl += d == QChar::DirR || d == QChar::DirAL;
        ltr += d == QChar::DirL;
    }
    if (rtl <= ltr)
        return line;
    auto keepsOrder = [](uint c) {
        const QChar::Direction d = QChar::direction(c);
        return d == QChar::DirL || d == QChar::DirEN || d == QChar::DirAN;
    };
    QList<uint> out(codes.rbegin(), codes.rend());
    for (qsizetype i = 0; i < out.size();) {
        if (!keepsOrder(out[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        // A run goes on over the separators between its parts ("12.5", "a b").
        while (end + 1 < out.size()
               && (keepsOrder(out[end + 1])
                   || (end + 2 < out.size() && keepsOrder(out[end + 2])
                       && !QChar::isLetter(out[end + 1])
                       && QChar::direction(out[end + 1]) != QChar::DirR
                       && QChar::direction(out[end + 1]) != QChar::DirAL)))
            ++end;
        std::reverse(out.begin() + i, out.begin() + end + 1);
        i = end + 1;
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(out.constData()), out.size());
}

QString PdfLayout::signature(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.isDigit())
            out += QLatin1Char('#');
        else if (!c.isSpace())
            out += c.toLower();
    }
    // Roman page numbers are page numbers too.
    static const QString roman = QStringLiteral("ivxlcdm");
    if (!out.isEmpty()
        && std::all_of(out.cbegin(), out.cend(), [](QChar c) { return roman.contains(c); }))
        return QStringLiteral("#");
    return out;
}

void PdfLayout::learnRunningLines(const QList<Page> &sample)
{
    m_heads.clear();
    m_feet.clear();
    if (sample.size() < 3)
        return;
    QHash<QString, int> heads;
    QHash<QString, int> feet;
    for (const Page &page : sample) {
        const double h = page.size.height() > 0 ? page.size.height() : 792;
        // Each signature once per page.
        QList<QString> seenHead;
        QList<QString> seenFoot;
        for (qsizetype i = 0; i < std::min(kEdgeLines, page.lines.size()); ++i) {
            const Line &line = page.lines[i];
            if (line.box.top() <= h * kMargin && !seenHead.contains(signature(line.text)))
                seenHead.append(signature(line.text));
            const Line &last = page.lines[page.lines.size() - 1 - i];
            if (last.box.bottom() >= h * (1 - kMargin) && !seenFoot.contains(signature(last.text)))
                seenFoot.append(signature(last.text));
        }
        for (const QString &s : seenHead)
            ++heads[s];
        for (const QString &s : seenFoot)
            ++feet[s];
    }
    // "Most pages": alternate left and right heads each sit on half of them.
    const int needed = std::max(3, int(sample.size() * 2 / 5));
    for (auto it = heads.cbegin(); it != heads.cend(); ++it) {
        if (it.value() >= needed && !it.key().isEmpty())
            m_heads.append(it.key());
    }
    for (auto it = feet.cbegin(); it != feet.cend(); ++it) {
        if (it.value() >= needed && !it.key().isEmpty())
            m_feet.append(it.key());
    }
}

bool PdfLayout::isRunningLine(const Page &page, qsizetype index) const
{
    const double h = page.size.height() > 0 ? page.size.height() : 792;
    const Line &line = page.lines[index];
    if (index < kEdgeLines && line.box.top() <= h * kMargin
        && m_heads.contains(signature(line.text)))
        return true;
    return index >= page.lines.size() - kEdgeLines && line.box.bottom() >= h * (1 - kMargin)
        && m_feet.contains(signature(line.text));
}

void PdfLayout::appendPage(const Page &page, QString &text, QList<qsizetype> *positions)
{
    if (positions)
        positions->fill(-1, page.lines.size());
    QList<qsizetype> kept;
    for (qsizetype i = 0; i < page.lines.size(); ++i) {
        if (!isRunningLine(page, i) && !page.lines[i].text.trimmed().isEmpty())
            kept.append(i);
    }
    for (qsizetype k = 0; k < kept.size(); ++k) {
        const Line &line = page.lines[kept[k]];
        QString words = line.text.simplified();
        bool paragraph;
        if (k == 0) {
            // Across the page break: a sentence or word cut by it goes on.
            paragraph = !m_havePrevious || !m_previousOpen;
        } else {
            const Line &prev = page.lines[kept[k - 1]];
            const Line *next = k + 1 < kept.size() ? &page.lines[kept[k + 1]] : nullptr;
            const double lineHeight = std::max(height(prev), height(line));
            const bool newColumn = line.box.top() < prev.box.top() - lineHeight / 2;
            const double gap = line.box.top() - prev.box.bottom();
            const double right =
                std::max({ prev.box.right(), line.box.right(), next ? next->box.right() : 0.0 });
            const double left =
                std::min(prev.box.left(), next ? next->box.left() : prev.box.left());
            const bool shortPrevious = prev.box.right() < right - 2 * lineHeight;
            const bool indented = !newColumn && line.box.left() > left + lineHeight
                && (!next || next->box.left() < line.box.left() - lineHeight / 2);
            paragraph = (!newColumn && gap > 0.7 * lineHeight) || indented
                || (shortPrevious && endsSentence(prev.text.trimmed()))
                || (newColumn && endsSentence(prev.text.trimmed()) && shortPrevious);
        }

        if (!m_carry.isEmpty()) {
            // The word broken at the previous line's end: joined when this line goes on
            // with its lower-case rest, kept whole (with its hyphen) otherwise.
            if (startsLowercase(words)) {
                words.prepend(m_carry);
            } else {
                text += m_carry + QLatin1Char('-');
                if (!words.isEmpty())
                    text += paragraph ? QStringLiteral("\n\n") : QStringLiteral(" ");
            }
            m_carry.clear();
        } else if (!text.isEmpty()) {
            text += paragraph ? QStringLiteral("\n\n") : QStringLiteral(" ");
        }
        if (positions)
            (*positions)[kept[k]] = text.size();

        if (endsWithBreak(words)) {
            words.chop(1);
            const qsizetype space = words.lastIndexOf(QLatin1Char(' '));
            m_carry = words.sliced(space + 1);
            words.truncate(std::max<qsizetype>(0, space));
        }
        // Word by word, so only words with compatibility forms pay for normalisation.
        qsizetype from = 0;
        while (from <= words.size()) {
            qsizetype space = words.indexOf(QLatin1Char(' '), from);
            if (space < 0)
                space = words.size();
            text += plainWord(words.sliced(from, space - from));
            if (space < words.size())
                text += QLatin1Char(' ');
            from = space + 1;
        }
        if (!m_carry.isEmpty() && !words.isEmpty())
            text += QLatin1Char(' ');
        m_previousOpen = !endsSentence(line.text.trimmed());
        m_havePrevious = true;
    }
}

void PdfLayout::finish(QString &text)
{
    if (!m_carry.isEmpty())
        text += m_carry + QLatin1Char('-');
    m_carry.clear();
}
