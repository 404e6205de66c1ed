#pragma once

#include <QString>
#include <QTemporaryDir>

// A real, small filesystem (tmpfs) mounted on a temporary folder, for tests of what
// happens when the disk fills up. Mounting needs root; where it is refused the
// filesystem is not available and the test should skip.
class TinyFilesystem
{
public:
    explicit TinyFilesystem(int kilobytes);
    ~TinyFilesystem();

    bool available() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const;

    // Fills the filesystem with one file until no byte more fits.
    void fill(const QString &name = QStringLiteral("filler")) const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
