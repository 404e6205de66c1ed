#include "support/InstallTree.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>

namespace InstallTree {

QString buildFolder()
{
    return QDir::cleanPath(qEnvironmentVariable("ORLIN_BIN_DIR") + QStringLiteral("/.."));
}

Outcome run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
            int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    Outcome outcome;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else {
        outcome.finished = process.exitStatus() == QProcess::NormalExit;
        outcome.exitCode = process.exitCode();
    }
    outcome.output = QString::fromLocal8Bit(process.readAll());
    if (process.error() == QProcess::FailedToStart)
        outcome.output += program + QStringLiteral(": cannot be started");
    return outcome;
}

QString missingTools(const QStringList &tools)
{
    QStringList missing;
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    }
    return missing.join(QStringLiteral(", "));
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace InstallTree
