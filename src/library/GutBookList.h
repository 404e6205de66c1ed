#pragma once

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QList>
#include <QString>

#include <vector>

// One line of GutIndex.txt as the list shows it.
struct GutBook
{
    QString title; // the display text ("Book")
    QString fileName; // the file name of the server path ("Filename")
    QString path; // the server path, beginning with "/" (the item's tag)
};

// What a search asks the window to do: select a row (-1: none) and show a message
// (empty: none).
struct GutSearchResult
{
    int row = -1;
    QString message;
};

// The book list behind the library window's list view: tens of thousands of titles,
// two columns, sorted on the model. Find and Next search the display texts in the
// order the rows are shown.
class GutBookList : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { BookColumn = 0, FilenameColumn = 1 };
    // The server path of a row, for views that want the tag.
    static constexpr int PathRole = Qt::UserRole;

    explicit GutBookList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Ascending by the column's text as the user's language orders it, ignoring letter
    // case; rows that compare equal keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Replaces every row at once (one reset, however many books).
    void setBooks(QList<GutBook> books);
    void clear();
    const GutBook &book(int row) const { return m_books.at(row); }
    int count() const { return int(m_books.size()); }

    // The first row whose display text contains the text, ignoring letter case.
    GutSearchResult Find(const QString &text) const;
    // The next match after the selected row, wrapping to the top; the selected row
    // itself is found again when it is the only match. No selected row (-1) searches
    // from the top. No match: no row and no message.
    GutSearchResult Next(const QString &text, int selectedRow) const;

private:
    int firstMatch(const QString &folded, int from, int to) const;

    QList<GutBook> m_books;
    void foldTitles();

    // Every display text case-folded once, one after the other with a line end
    // between them, and where each starts: a search over 75,000 titles is one scan
    // through contiguous memory.
    QString m_folded;
    std::vector<qsizetype> m_starts;
};
