#include "ui/FormTexts.h"

#include "ui/ScreenReader.h"
#include "ui/ShortcutKeys.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>

namespace FormTexts {

namespace {

class Collector
{
public:
    explicit Collector(QList<Text> &out)
        : m_out(out)
    {
    }

    // A text that once was translated stays on the list even when its translation left
    // it empty, so that another language can bring it back.
    void add(QObject *owner, const QByteArray &role, const QString &value,
             std::function<void(const QString &)> set)
    {
        if (isTranslatable(value) || owner->property(originalProperty(role)).isValid())
            m_out.append(Text { value, std::move(set), owner, role });
    }

    // A shortcut shown at the end of a tooltip is no part of its text.
    void addToolTip(QWidget *w)
    {
        add(w, "toolTip", ShortcutKeys::plainToolTip(w),
            [w](const QString &t) { ShortcutKeys::setToolTip(w, t); });
    }

    void walk(QWidget *parent)
    {
        const QObjectList children = parent->children();
        for (QObject *child : children) {
            auto *w = qobject_cast<QWidget *>(child);
            // Child windows (dialogs, menus) are not controls of this window; menus
            // are reached through their menu bar below.
            if (!w || w->isWindow())
                continue;
            // Qt's own parts of a compound control ("qt_tabwidget_tabbar", a scroll
            // area's viewport) are covered by their owner; their children may not be.
            if (!w->objectName().startsWith(QLatin1String("qt_")))
                addControl(w);
            if (descendInto(w))
                walk(w);
        }
    }

    void addMenus(QWidget *form)
    {
        const auto bars = form->findChildren<QMenuBar *>();
        for (QMenuBar *bar : bars) {
            if (bar->window() == form)
                addActions(bar->actions(), false);
        }
        // Context menus owned by the window but shown from no menu bar.
        const auto menus = form->findChildren<QMenu *>();
        for (QMenu *menu : menus) {
            if (ownerWindow(menu) == form)
                addAction(menu->menuAction(), false);
        }
    }

private:
    // A menu is a window of its own; it belongs to the window of the first
    // ancestor that is not a menu.
    static QWidget *ownerWindow(QMenu *menu)
    {
        QWidget *w = menu->parentWidget();
        while (qobject_cast<QMenu *>(w))
            w = w->parentWidget();
        return w ? w->window() : nullptr;
    }

    static bool descendInto(QWidget *w)
    {
        // The items, lines and tabs inside these are data or are handled by the
        // control itself: a combo box's edit shows a voice name, not interface text.
        return !(qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                 || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QTextEdit *>(w)
                 || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QLineEdit *>(w)
                 || qobject_cast<QTabBar *>(w) || qobject_cast<QAbstractSlider *>(w)
                 || qobject_cast<QMenuBar *>(w) || qobject_cast<QToolBar *>(w));
    }

    void addControl(QWidget *w)
    {
        // A name given for assistive technology; one derived from the tooltip follows it.
        if (ScreenReader::hasOwnName(w))
            add(w, "accessibleName", w->accessibleName(),
                [w](const QString &t) { w->setAccessibleName(t); });
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            auto *tool = qobject_cast<QToolButton *>(w);
            // A tool button showing an action takes its text from the action.
            if (!tool || !tool->defaultAction())
                add(button, "text", button->text(),
                    [button](const QString &t) { button->setText(t); });
            addToolTip(w);
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            add(label, "text", label->text(), [label](const QString &t) { label->setText(t); });
            addToolTip(w);
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            add(group, "title", group->title(), [group](const QString &t) { group->setTitle(t); });
            addToolTip(w);
        } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
            addLineEdit(line);
        } else if (auto *edit = qobject_cast<QTextEdit *>(w)) {
            // A multi-line edit holds the user's text or a document, never a caption.
            add(edit, "placeholder", edit->placeholderText(),
                [edit](const QString &t) { edit->setPlaceholderText(t); });
            addToolTip(w);
        } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
            add(plain, "placeholder", plain->placeholderText(),
                [plain](const QString &t) { plain->setPlaceholderText(t); });
            addToolTip(w);
        } else if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
            addHeaders(view);
            addToolTip(w);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            add(combo, "placeholder", combo->placeholderText(),
                [combo](const QString &t) { combo->setPlaceholderText(t); });
            addToolTip(w);
        } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                add(tabs, "tab" + QByteArray::number(i), tabs->tabText(i),
                    [tabs, i](const QString &t) { tabs->setTabText(i, t); });
                add(tabs, "tabTip" + QByteArray::number(i), tabs->tabToolTip(i),
                    [tabs, i](const QString &t) { tabs->setTabToolTip(i, t); });
            }
            addToolTip(w);
        } else if (auto *bar = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < bar->count(); ++i) {
                add(bar, "tab" + QByteArray::number(i), bar->tabText(i),
                    [bar, i](const QString &t) { bar->setTabText(i, t); });
                add(bar, "tabTip" + QByteArray::number(i), bar->tabToolTip(i),
                    [bar, i](const QString &t) { bar->setTabToolTip(i, t); });
            }
            addToolTip(w);
        } else if (auto *box = qobject_cast<QToolBox *>(w)) {
            for (int i = 0; i < box->count(); ++i)
                add(box, "item" + QByteArray::number(i), box->itemText(i),
                    [box, i](const QString &t) { box->setItemText(i, t); });
            addToolTip(w);
        } else if (auto *toolBar = qobject_cast<QToolBar *>(w)) {
            addActions(toolBar->actions(), true);
            addToolTip(w);
        } else if (qobject_cast<QMenuBar *>(w)) {
            // Its menus are added after the controls.
        } else {
            addToolTip(w);
        }
    }

    void addLineEdit(QLineEdit *line)
    {
        // The text of a line edit is a caption only while nobody has typed into it;
        // a password is never one.
        if (!line->isModified() && line->echoMode() == QLineEdit::Normal)
            add(line, "text", line->text(), [line](const QString &t) { line->setText(t); });
        add(line, "placeholder", line->placeholderText(),
            [line](const QString &t) { line->setPlaceholderText(t); });
        addToolTip(line);
    }

    void addHeaders(QAbstractItemView *view)
    {
        if (auto *tree = qobject_cast<QTreeWidget *>(view)) {
            QTreeWidgetItem *header = tree->headerItem();
            for (int i = 0; header && i < tree->columnCount(); ++i)
                add(tree, "header" + QByteArray::number(i), header->text(i),
                    [header, i](const QString &t) { header->setText(i, t); });
            return;
        }
        if (auto *table = qobject_cast<QTableWidget *>(view)) {
            for (int i = 0; i < table->columnCount(); ++i) {
                QTableWidgetItem *item = table->horizontalHeaderItem(i);
                if (item)
                    add(table, "header" + QByteArray::number(i), item->text(),
                        [item](const QString &t) { item->setText(t); });
            }
            return;
        }
        // A list view has no header; tree and table views show the model's.
        if (qobject_cast<QListView *>(view) || !view->model())
            return;
        QAbstractItemModel *model = view->model();
        for (int i = 0; i < model->columnCount(); ++i) {
            const QString text = model->headerData(i, Qt::Horizontal).toString();
            add(view, "header" + QByteArray::number(i), text,
                [model, i](const QString &t) { model->setHeaderData(i, Qt::Horizontal, t); });
        }
    }

    void addActions(const QList<QAction *> &actions, bool withToolTips)
    {
        for (QAction *action : actions)
            addAction(action, withToolTips);
    }

    void addAction(QAction *action, bool withToolTips)
    {
        if (!action || action->isSeparator() || m_seen.contains(action))
            return;
        m_seen.insert(action);
        add(action, "text", action->text(), [action](const QString &t) { action->setText(t); });
        if (withToolTips && action->toolTip() != QString(action->text()).remove(QLatin1Char('&')))
            add(action, "toolTip", action->toolTip(),
                [action](const QString &t) { action->setToolTip(t); });
        if (QMenu *menu = action->menu())
            addActions(menu->actions(), withToolTips);
    }

    QList<Text> &m_out;
    QSet<QAction *> m_seen;
};

} // namespace

bool isTranslatable(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() < 2)
        return false;
    for (QChar c : trimmed) {
        if (c.isLetter())
            return true;
    }
    return false;
}

QByteArray originalProperty(const QByteArray &role)
{
    return "_orlin_english_" + role;
}

QList<Text> collect(QWidget *form)
{
    QList<Text> texts;
    if (!form)
        return texts;
    Collector collector(texts);
    collector.add(form, "windowTitle", form->windowTitle(),
                  [form](const QString &t) { form->setWindowTitle(t); });
    collector.walk(form);
    collector.addMenus(form);
    return texts;
}

QList<QWidget *> loadedWindows()
{
    QList<QWidget *> windows;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (!w->isWindow() || qobject_cast<QMenu *>(w))
            continue;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop)
            continue;
        if (w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        windows.append(w);
    }
    return windows;
}

} // namespace FormTexts
