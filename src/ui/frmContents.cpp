#include "ui/frmContents.h"

#include "documents/Document.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Deeper levels are indented no further: a heading stays readable in a narrow window.
constexpr int kDeepestIndent = 6;

} // namespace

frmContents::frmContents(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmContents"));
    setWindowTitle(QStringLiteral("Contents"));
    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(QStringLiteral("Headings of the document:"), this);
    m_label->setObjectName(QStringLiteral("lblContents"));
    layout->addWidget(m_label);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstContents"));
    m_list->setAccessibleName(QStringLiteral("Contents"));
    m_list->setToolTip(QStringLiteral("Enter moves the caret to the heading"));
    m_label->setBuddy(m_list);
    layout->addWidget(m_list);
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { choose(m_list->row(item)); });
    resize(360, 420);
}

void frmContents::showHeadings(const Document &document, int caret, bool keepPlace)
{
    const int current = keepPlace ? m_list->currentRow() : -1;
    m_list->clear();
    int at = -1;
    for (const Document::Heading &heading : document.headings) {
        const int indent = std::clamp(heading.level, 1, kDeepestIndent) - 1;
        // Headings come from the document: plain text in the list, whatever they hold.
        auto *item = new QListWidgetItem(QString(indent * 4, QLatin1Char(' ')) + heading.title);
        item->setData(Qt::AccessibleTextRole, heading.title);
        item->setToolTip(heading.title);
        m_list->addItem(item);
        if (heading.position <= caret)
            at = m_list->count() - 1;
    }
    // Headings appended to a document still being read keep the user's place in the list.
    m_list->setCurrentRow(current >= 0 && current < m_list->count() ? current : std::max(at, 0));
}

int frmContents::headingCount() const
{
    return m_list->count();
}

QString frmContents::entryText(int index) const
{
    const QListWidgetItem *item = m_list->item(index);
    return item ? item->text() : QString();
}

void frmContents::choose(int index)
{
    if (index < 0 || index >= m_list->count())
        return;
    m_list->setCurrentRow(index);
    emit headingChosen(index);
}
