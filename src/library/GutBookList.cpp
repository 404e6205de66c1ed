#include "library/GutBookList.h"

#include "base/cSharedLang.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

GutBookList::GutBookList(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int GutBookList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_books.size());
}

int GutBookList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant GutBookList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_books.size())
        return {};
    const GutBook &b = m_books.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return index.column() == BookColumn ? b.title : b.fileName;
    if (role == PathRole)
        return b.path;
    return {};
}

QVariant GutBookList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == BookColumn)
        return Lang().GetTranslation(QStringLiteral("Book"));
    if (section == FilenameColumn)
        return Lang().GetTranslation(QStringLiteral("Filename"));
    return {};
}

void GutBookList::sort(int column, Qt::SortOrder order)
{
    if (column != BookColumn && column != FilenameColumn)
        return;
    // The "C" locale of a bare environment would order by code point, putting every
    // accented title after "Z"; English collation is the better guess there.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One sort key per row: comparing keys is a byte comparison, where comparing the
    // texts through the collator each time would cost seconds on a full catalogue.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_books.size());
    for (const GutBook &b : std::as_const(m_books))
        keys.push_back(collator.sortKey(column == BookColumn ? b.title : b.fileName));
    std::vector<int> rows(m_books.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const int c = keys[a].compare(keys[b]);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRowOf(rows.size());
    QList<GutBook> books;
    books.reserve(rows.size());
    for (int i = 0; i < int(rows.size()); ++i) {
        newRowOf[rows[i]] = i;
        books.append(std::move(m_books[rows[i]]));
    }
    m_books = std::move(books);
    foldTitles();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newRowOf[i.row()], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GutBookList::setBooks(QList<GutBook> books)
{
    beginResetModel();
    m_books = std::move(books);
    foldTitles();
    endResetModel();
}

void GutBookList::clear()
{
    setBooks({});
}

void GutBookList::foldTitles()
{
    m_folded.clear();
    m_starts.clear();
    m_starts.reserve(m_books.size() + 1);
    for (const GutBook &b : std::as_const(m_books)) {
        m_starts.push_back(m_folded.size());
        m_folded += b.title.toCaseFolded();
        m_folded += u'\n';
    }
    m_starts.push_back(m_folded.size());
}

int GutBookList::firstMatch(const QString &folded, int from, int to) const
{
    from = std::max(from, 0);
    to = std::min(to, count() - 1);
    // A title never holds a line end, so a text with one matches nothing.
    if (from > to || folded.contains(u'\n'))
        return -1;
    const qsizetype at = m_folded.indexOf(folded, m_starts[from]);
    if (at < 0 || at >= m_starts[to + 1])
        return -1;
    return int(std::upper_bound(m_starts.cbegin(), m_starts.cend(), at) - m_starts.cbegin()) - 1;
}

GutSearchResult GutBookList::Find(const QString &text) const
{
    if (text.isEmpty())
        return { -1,
                 Lang().GetTranslation(
                     QStringLiteral("Please enter one or more words to search for")) };
    const int row = firstMatch(text.toLower().toCaseFolded(), 0, count() - 1);
    if (row < 0)
        return { -1, Lang().GetTranslation(QStringLiteral("No matches")) };
    return { row, {} };
}

GutSearchResult GutBookList::Next(const QString &text, int selectedRow) const
{
    if (text.isEmpty())
        return { -1,
                 Lang().GetTranslation(
                     QStringLiteral("Please enter one or more words to search for")) };
    const QString folded = text.toLower().toCaseFolded();
    if (selectedRow < 0 || selectedRow >= count())
        return { firstMatch(folded, 0, count() - 1), {} };
    // On the last row the search starts over from the first, which is then passed
    // over like any selected row.
    if (selectedRow == count() - 1)
        selectedRow = 0;
    int row = firstMatch(folded, selectedRow + 1, count() - 1);
    if (row < 0)
        row = firstMatch(folded, 0, count() - 1);
    return { row, {} };
}
