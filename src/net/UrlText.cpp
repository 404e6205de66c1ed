#include "net/UrlText.h"

#include "base/cSharedFileSubs.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace UrlText {

QString scheme(const QString &url)
{
    // "localhost:8080/x" has a port, not a scheme; "mailto:x" and "file:///x" do.
    static const QRegularExpression re(QStringLiteral("^\\s*([A-Za-z][A-Za-z0-9+.-]*):(?!\\d)"));
    const QRegularExpressionMatch m = re.match(url);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

bool isAllowed(const QString &url)
{
    const QString s = scheme(url);
    if (s.isEmpty())
        return !url.trimmed().isEmpty();
    return s == QLatin1String("http") || s == QLatin1String("https") || s == QLatin1String("ftp");
}

bool isLocal(const QString &url)
{
    return !localPath(url).isEmpty();
}

QString localPath(const QString &url)
{
    const QString t = url.trimmed();
    if (t.startsWith(u'/'))
        return QDir::cleanPath(t);
    if (t == QLatin1String("~") || t.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(QDir::homePath() + t.mid(1));
    if (scheme(t) != QLatin1String("file"))
        return {};
    const QUrl u(t);
    const QString host = u.host();
    if (!u.isValid() || !(host.isEmpty() || host == QLatin1String("localhost")))
        return {};
    const QString path = u.path();
    return path.startsWith(u'/') ? QDir::cleanPath(path) : QString();
}

QString normalized(const QString &url)
{
    QString out = url.trimmed();
    if (scheme(out).isEmpty()) {
        out.prepend(out.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive)
                        ? QStringLiteral("ftp://")
                        : QStringLiteral("http://"));
    }
    out.replace(QLatin1Char(' '), QLatin1String("%20"));
    return out;
}

QString withoutCredentials(const QString &text)
{
    // "scheme://user:password@" anywhere, and a leading "user:password@host" as a proxy
    // setting is typed. A typed password may itself hold "@" (or, in the setting, blanks
    // and slashes): everything up to the last "@" goes.
    static const QRegularExpression inUrl(QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^/\\s]*@"));
    static const QRegularExpression bare(
        QStringLiteral("^(?![A-Za-z][A-Za-z0-9+.-]*://)[^\\r\\n]*@"));
    QString out = text;
    out.replace(inUrl, QStringLiteral("\\1"));
    out.replace(bare, QString());
    return out;
}

bool isFtpRoute(const QString &url)
{
    const QString t = url.trimmed();
    return t.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("ftp:\\\\"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive);
}

FtpParts splitFtp(const QString &url)
{
    QString u = url.trimmed();
    u.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString host;
    QString path;
    if (u.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive)) {
        const qsizetype slash = u.indexOf(QLatin1Char('/'));
        host = slash < 0 ? u : u.left(slash);
        path = slash < 0 ? QString() : u.mid(slash);
    } else {
        const qsizetype start = u.indexOf(QLatin1String("//"));
        const qsizetype from = start < 0 ? 0 : start + 2;
        const qsizetype slash = u.indexOf(QLatin1Char('/'), from);
        host = slash < 0 ? u.mid(from) : u.mid(from, slash - from);
        path = slash < 0 ? QString() : u.mid(slash);
    }
    FtpParts parts;
    parts.host = host;
    parts.file = cSharedFileSubs::FileOnly(path);
    parts.folder = path.isEmpty() ? QStringLiteral("/") : cSharedFileSubs::PathOnly(path);
    return parts;
}

QString quotedArgument(const QString &argument)
{
    return argument.contains(QLatin1Char(' ')) ? QLatin1Char('"') + argument + QLatin1Char('"')
                                               : argument;
}

QStringList splitArguments(const QString &commandLine)
{
    QStringList out;
    QString current;
    bool quoted = false;
    bool any = false;
    for (QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any)
                out << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        out << current;
    return out;
}

} // namespace UrlText
