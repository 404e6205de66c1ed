#include "TextSimilarity.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace TextSimilarity {

QStringList words(const QString &text)
{
    QString normal = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    normal.remove(QChar(0x00AD));
    for (char16_t mark : { u'\u200E', u'\u200F', u'\u202A', u'\u202B', u'\u202C', u'\u202D',
                           u'\u202E', u'\u200B', u'\uFEFF' })
        normal.remove(QChar(mark));
    QStringList out;
    for (QString word :
         normal.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        qsizetype a = 0;
        qsizetype b = word.size();
        while (a < b && word[a].isPunct())
            ++a;
        while (b > a && word[b - 1].isPunct())
            --b;
        if (b > a)
            out.append(word.sliced(a, b - a));
    }
    return out;
}

double wordF1(const QString &ours, const QString &reference)
{
    const QStringList a = words(ours);
    const QStringList b = words(reference);
    if (a.isEmpty() && b.isEmpty())
        return 1;
    QHash<QString, qsizetype> bag;
    for (const QString &w : b)
        ++bag[w];
    qsizetype common = 0;
    for (const QString &w : a) {
        auto it = bag.find(w);
        if (it != bag.end() && *it > 0) {
            --*it;
            ++common;
        }
    }
    if (common == 0)
        return 0;
    const double precision = double(common) / double(a.size());
    const double recall = double(common) / double(b.size());
    return 2 * precision * recall / (precision + recall);
}

double sequenceSimilarity(const QStringList &ours, const QStringList &reference)
{
    const qsizetype n = ours.size();
    const qsizetype m = reference.size();
    if (n == 0 && m == 0)
        return 1;
    // Words as numbers, and the common start and end counted at once: a whole book's
    // comparison is then a matter of seconds even in a sanitized debug build.
    QHash<QString, int> ids;
    auto numbered = [&](const QStringList &words) {
        std::vector<int> out;
        out.reserve(size_t(words.size()));
        for (const QString &w : words) {
            auto it = ids.constFind(w);
            if (it == ids.constEnd())
                it = ids.insert(w, int(ids.size()));
            out.push_back(it.value());
        }
        return out;
    };
    const std::vector<int> a = numbered(ours);
    const std::vector<int> b = numbered(reference);
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head
           && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const size_t rows = a.size() - head - tail;
    const size_t columns = b.size() - head - tail;
    std::vector<int> previous(columns + 1, 0);
    std::vector<int> current(columns + 1, 0);
    for (size_t i = 1; i <= rows; ++i) {
        const int word = a[head + i - 1];
        const int *other = b.data() + head;
        for (size_t j = 1; j <= columns; ++j)
            current[j] =
                word == other[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], current[j - 1]);
        std::swap(previous, current);
    }
    const size_t common = head + tail + size_t(previous[columns]);
    return double(common) / double(std::max(n, m));
}

QString officeReference(const QString &path, bool renumberNotes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(
        QRegularExpression(QStringLiteral("^--- \\w+ ---$"), QRegularExpression::MultilineOption));
    static const QRegularExpression mark(QStringLiteral("\\[\\^([^\\]]+)\\]:?"));
    QHash<QString, int> numbers;
    QString out;
    qsizetype from = 0;
    for (auto it = mark.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        int &number = numbers[m.captured(1)];
        if (number == 0)
            number = int(numbers.size());
        out += QStringView(text).sliced(from, m.capturedStart() - from);
        out += renumberNotes ? QStringLiteral("[%1]").arg(number)
                             : QLatin1Char('[') + m.captured(1) + QLatin1Char(']');
        from = m.capturedEnd();
    }
    out += QStringView(text).sliced(from);
    text = out;
    return text;
}

QStringList misplaced(const QString &text, const std::vector<const char *> &present,
                      const std::vector<const char *> &absent)
{
    QStringList problems;
    qsizetype from = 0;
    for (const char *piece : present) {
        const qsizetype at = text.indexOf(QString::fromUtf8(piece), from);
        if (at < 0)
            problems.append(QStringLiteral("missing or out of order: ") + QString::fromUtf8(piece));
        from = std::max(from, at);
    }
    for (const char *piece : absent) {
        if (text.contains(QString::fromUtf8(piece)))
            problems.append(QStringLiteral("should not be read: ") + QString::fromUtf8(piece));
    }
    return problems;
}

} // namespace TextSimilarity
