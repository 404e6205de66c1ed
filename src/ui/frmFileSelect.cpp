#include "ui/frmFileSelect.h"

#include "base/Failure.h"
#include "base/Seam.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

frmFileSelect::frmFileSelect(QWidget *parent)
    : m_parent(parent)
    , m_defaultPath(QDir::currentPath())
{
}

void frmFileSelect::setDefaultPath(const QString &folder)
{
    QString path = folder;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        path = QDir::currentPath();
    const QFileInfo info(path);
    if (!info.exists() || !info.isDir())
        throw Failure(FailureCode::PathNotFound, QStringLiteral("Path not found: %1").arg(path),
                      QStringLiteral("frmFileSelect"));
    if (!info.isReadable() || !info.isExecutable())
        throw Failure(FailureCode::PathFileAccess,
                      QStringLiteral("Path/File access error: %1").arg(path),
                      QStringLiteral("frmFileSelect"));
    m_defaultPath = path;
}

QString frmFileSelect::askUser() const
{
    if (const Answer answer = Seam::current<AnswerSeam>())
        return answer(*this);
    QFileDialog dialog(m_parent, m_title, m_defaultPath);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList patterns = m_pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!m_nameFilters.isEmpty())
        dialog.setNameFilters(m_nameFilters + QStringList { QStringLiteral("*") });
    else if (!patterns.isEmpty())
        dialog.setNameFilters({ patterns.join(QLatin1Char(' ')), QStringLiteral("*") });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void frmFileSelect::GetFilename()
{
    const QString chosen = askUser();
    m_cancelled = chosen.isEmpty();
    if (m_cancelled) {
        m_selectedFilename.clear();
        m_selectedPath.clear();
        return;
    }
    const QFileInfo info(chosen);
    m_selectedFilename = info.fileName();
    m_selectedPath = info.absolutePath();
}
