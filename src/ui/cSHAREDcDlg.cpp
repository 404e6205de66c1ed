#include "ui/cSHAREDcDlg.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "base/cSharedLang.h"
#include "ui/MessageBoxes.h"

#include <QFileDialog>
#include <QFileInfo>

cSHAREDcDlg::cSHAREDcDlg(QWidget *parent)
    : m_parent(parent)
{
}

QStringList cSHAREDcDlg::nameFilters() const
{
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file on the system the filter was written for.
        if (patterns.trimmed() == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

std::optional<QString> cSHAREDcDlg::ask(bool save) const
{
    if (const Hook hook = Seam::current<AnswerSeam>())
        return hook(*this);
    QFileDialog dialog(m_parent, DialogTitle, InitDir);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The overwrite question is asked by acceptable(), the same way for every answer.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = nameFilters();
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (FilterIndex >= 1 && FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[FilterIndex - 1]);
    }
    if (!Filename.isEmpty())
        dialog.selectFile(Filename);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    m_pickedFilter = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

bool cSHAREDcDlg::acceptable(const QString &path, bool save) const
{
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || info.isDir())
        return false;
    if ((Flags & PathMustExist) && !info.absoluteDir().exists()) {
        MessageBoxes::show(
            m_parent, MessageBoxes::Warning, DialogTitle,
            info.absolutePath() + QLatin1Char('\n')
                + Lang().GetTranslation(QStringLiteral("The folder does not exist.")));
        return false;
    }
    if ((Flags & FileMustExist) && !info.exists()) {
        MessageBoxes::show(m_parent, MessageBoxes::Warning, DialogTitle,
                           path + QLatin1Char('\n')
                               + Lang().GetTranslation(QStringLiteral("The file does not exist.")));
        return false;
    }
    if (!save)
        return true;
    QStringList existing;
    if (info.exists())
        existing << path;
    if (AlsoReplaced) {
        for (const QString &other : AlsoReplaced(path)) {
            if (QFileInfo::exists(other) && !existing.contains(other))
                existing << other;
        }
    }
    for (const QString &file : std::as_const(existing)) {
        // Read-only means no owner write permission, as everywhere in Orlin (root
        // could write it anyway, but the user marked it to be kept).
        if ((Flags & NoReadOnlyReturn)
            && !(QFileInfo(file).permissions() & QFileDevice::WriteOwner)) {
            MessageBoxes::show(m_parent, MessageBoxes::Warning, DialogTitle,
                               file + QLatin1Char('\n')
                                   + Lang().GetTranslation(QStringLiteral("The file is read-only."))
                                   + QLatin1Char('\n')
                                   + Lang().GetTranslation(QStringLiteral("Choose another name.")));
            return false;
        }
    }
    if ((Flags & OverwritePrompt) && !existing.isEmpty()) {
        const QString question = existing.size() == 1
            ? Lang().GetTranslation(QStringLiteral("%1 already exists.")).arg(existing.first())
                + QLatin1Char('\n')
                + Lang().GetTranslation(QStringLiteral("Do you want to replace it?"))
            : Lang().GetTranslation(QStringLiteral("These files already exist:"))
                + QLatin1Char('\n') + existing.join(QLatin1Char('\n')) + QLatin1Char('\n')
                + Lang().GetTranslation(QStringLiteral("Do you want to replace them?"));
        const int answer =
            MessageBoxes::show(m_parent, MessageBoxes::Warning, DialogTitle, question,
                               MessageBoxes::Yes | MessageBoxes::No, MessageBoxes::No);
        if (answer != MessageBoxes::Yes)
            return false;
    }
    return true;
}

QString cSHAREDcDlg::withExtension(const QString &path) const
{
    if (DefaultExt.isEmpty())
        return path;
    // The extensions the filters name: "*.wav" gives "wav"; "*.*" and "*" give none.
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList known;
    QList<QStringList> perFilter;
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        QStringList extensions;
        for (const QString &pattern : parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            if (p.startsWith(QLatin1String("*.")) && p.indexOf(QLatin1Char('*'), 1) < 0)
                extensions << p.mid(2).toLower();
        }
        known += extensions;
        perFilter << extensions;
    }
    const QFileInfo info(path);
    if (!info.completeBaseName().isEmpty() && known.contains(info.suffix().toLower()))
        return path;
    QString extension = DefaultExt;
    if (m_pickedFilter >= 1 && m_pickedFilter <= perFilter.size()
        && perFilter[m_pickedFilter - 1].size() == 1)
        extension = perFilter[m_pickedFilter - 1].constFirst();
    return path + QLatin1Char('.') + extension;
}

void cSHAREDcDlg::show(bool save)
{
    for (;;) {
        m_pickedFilter = 0;
        std::optional<QString> chosen = ask(save);
        if (chosen && save)
            chosen = withExtension(*chosen);
        if (!chosen) {
            Filename.clear();
            if (CancelError)
                throw Failure(CancelErrorCode, QStringLiteral("Cancel was selected."),
                              QStringLiteral("cSHAREDcDlg"));
            return;
        }
        if (acceptable(*chosen, save)) {
            Filename = *chosen;
            return;
        }
    }
}

void cSHAREDcDlg::ShowSave()
{
    show(true);
}

void cSHAREDcDlg::ShowOpen()
{
    show(false);
}
