#pragma once

#include "support/UpdateSigning.h"
#include "support/ZipBuilder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// The maker's update server for the tests (UpdateServer.py beside this file) on 127.0.0.1,
// over a folder holding versions/ORL1_current.txt, versions/ORL1_details.txt and the
// packages and signatures a test puts there. The program finds it through the setting
// "UpdateServer" = url().
class UpdateServer
{
public:
    ~UpdateServer();
    // Null (the test should skip) when Python is not installed.
    static std::unique_ptr<UpdateServer> start();

    QString url(const QString &path = {}) const;
    QString folder() const { return m_dir.path(); }

    void putFile(const QString &path, const QByteArray &bytes) const;
    // A zip of items at path; returns the SHA-256 of its bytes (lower-case hex).
    QString putPackage(const QString &path, const QList<ZipItem> &items) const;
    // The same, with path + ".minisig" signed by key as version.
    QString putSignedPackage(const QString &path, const QList<ZipItem> &items,
                             const QString &version,
                             const SigningKey &key = SigningKey::tests()) const;
    QByteArray fileBytes(const QString &path) const;
    // The version file: the version, then the package's address on this server, then
    // extraLine when given ("sha256=...").
    void putVersionFile(const QString &version, const QString &packagePath,
                        const QString &extraLine = {}) const;
    // From now on the file at path arrives cut short: its whole length announced, half sent.
    void cut(const QString &path) const;
    // What the server has logged: one line per request.
    QByteArray requests();

    // A stand-in installer in folder, so that Download and Install is offered there.
    static void placeInstaller(const QString &folder);

    // Bytes of the given size that no compressor shrinks much, so a package passes the
    // smallest-package rule.
    static QByteArray noise(int size, quint32 seed = 1);

private:
    UpdateServer() = default;
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
    int m_port = 0;
};
