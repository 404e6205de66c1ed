#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QListWidget;
struct Document;

// The Contents of the open document: its headings in reading order, each indented by its
// level, in a list a keyboard reaches and a screen reader names ("Contents", and each entry
// by its heading). Enter or a double click on a heading asks for the caret to go there; the
// window stays open beside the document.
class frmContents : public QDialog
{
    Q_OBJECT
public:
    explicit frmContents(QWidget *parent = nullptr);

    // The headings of `document`; the one the caret at `caret` stands in is selected, or with
    // `keepPlace` (more headings of the same document) the entry selected before.
    void showHeadings(const Document &document, int caret = 0, bool keepPlace = false);
    int headingCount() const;
    // The entry as the list shows it, indentation and all.
    QString entryText(int index) const;
    // Chooses entry `index` as Enter on it would.
    void choose(int index);

signals:
    // The user chose heading `index` (of the document's headings).
    void headingChosen(int index);

private:
    QLabel *m_label = nullptr;
    QListWidget *m_list = nullptr;
};
