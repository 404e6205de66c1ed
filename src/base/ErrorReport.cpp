#include "base/ErrorReport.h"

#include "base/ProgramInfo.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"

#include <QDate>
#include <QDir>
#include <QStringList>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString MailLineBreak = QStringLiteral("%0D%0A");

// Text from a text box ends its lines with LF; the report file is CR LF throughout.
QString withCrLf(const QString &text)
{
    QString out = text;
    out.replace(CrLf, QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), CrLf);
    return out;
}

} // namespace

ErrorReport::Program ErrorReport::running()
{
    return { ProgramInfo::exeName(), ProgramInfo::versionText(), cSharedLogging::fOSName(),
             QDate::currentDate().year(), Log().CurrentLogFilename() };
}

ErrorReport::ErrorReport(Program program)
    : m_program(std::move(program))
{
}

QString ErrorReport::bugReportAddress() const
{
    return ProgramInfo::bugReportAddress(m_program.year);
}

QString ErrorReport::header() const
{
    return QStringLiteral("Error Report: ") + m_program.title + QLatin1Char(' ') + m_program.version
        + QStringLiteral(", ") + m_program.osName;
}

QString ErrorReport::fullReport() const
{
    const QString rule(75, QLatin1Char('-'));
    const QStringList banner {
        rule,
        QStringLiteral("If the 'submit report' button doesn't work on your system, open an email"),
        QStringLiteral("to '") + bugReportAddress()
            + QStringLiteral("' and paste the following text into it."),
        QString(),
        QStringLiteral("Submitting a bug report helps improve the software."),
        rule,
        QString(),
    };
    QString report = banner.join(CrLf) + CrLf + header() + CrLf + CrLf + withCrLf(ErrorText);
    if (CommentsTouched)
        report += CrLf + CrLf + withCrLf(Comments);
    return report + CrLf + CrLf + withCrLf(LogText);
}

QString ErrorReport::subject() const
{
    QString subject = QStringLiteral("Bug Report (") + m_program.title + QStringLiteral(" - ")
        + m_program.version + QLatin1Char(')');
    return subject.replace(QLatin1Char(' '), QStringLiteral("%20"));
}

QString ErrorReport::escapeForMail(QString text)
{
    // Every line break as CR LF first, so that the two steps below that fold CR LF into one
    // break leave an empty line (two LFs from a text box) as two breaks.
    text = withCrLf(text);
    text.replace(QLatin1Char('%'), QStringLiteral("%25"));
    text.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    text.replace(QLatin1Char('&'), QStringLiteral("%26"));
    text.replace(QLatin1Char('#'), QStringLiteral("%23"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    text.replace(QStringLiteral("\r\r"), QStringLiteral("\r"));
    text.replace(QLatin1Char('\r'), MailLineBreak);
    return text;
}

QString ErrorReport::mailBody() const
{
    const QString section =
        CommentsTouched ? QStringLiteral("User: ") + Comments + CrLf + ErrorText : ErrorText;
    const QString body = header() + QStringLiteral(" (Please click Attach and add the file ")
        + cSharedFileSubs::FileOnly(m_program.logFile) + QLatin1Char(')') + MailLineBreak
        + MailLineBreak + escapeForMail(section) + MailLineBreak + MailLineBreak
        + escapeForMail(LogText);
    QString cut = body.left(MailBodyLimit);
    // The cut must not leave half an escape ("%0D%0") or half a character behind: a mail
    // client refuses such an address or shows the rest garbled.
    const qsizetype percent = cut.lastIndexOf(QLatin1Char('%'));
    if (percent >= 0 && percent > cut.size() - 3)
        cut.truncate(percent);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

QString ErrorReport::mailUrl() const
{
    // A field that carries nothing is left out: an empty attachment ("") only asks the
    // mail client for a file that is not there.
    const std::pair<QLatin1String, QString> fields[] = {
        { QLatin1String("subject"), subject() },
        { QLatin1String("body"), mailBody() },
    };
    QString url = QStringLiteral("mailto:") + bugReportAddress();
    QChar separator = QLatin1Char('?');
    for (const auto &[key, value] : fields) {
        if (value.isEmpty())
            continue;
        url += separator + key + QLatin1Char('=') + value;
        separator = QLatin1Char('&');
    }
    return url;
}

QString ErrorReport::writeFullReport(const QString &folder) const
{
    cSharedFileSubs::ReplacePrivateTextFile(folder, fileName(), fullReport());
    return QDir(folder).filePath(fileName());
}
