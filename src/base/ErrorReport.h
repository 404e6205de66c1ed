#pragma once

#include <QString>

// What an error report says, in the two forms the user can send it: the full report file
// (FullLog.txt, to copy into a mail by hand) and a mail address that opens the mail client
// with the message filled in. The error report window fills one from its boxes.
class ErrorReport
{
public:
    // The facts about the program the report carries.
    struct Program
    {
        QString title;
        QString version;
        QString osName;
        // Four digits: part of the address bug reports go to.
        int year = 0;
        // The log the report quotes and the mail asks the user to attach.
        QString logFile;
    };
    // This program, now.
    static Program running();

    explicit ErrorReport(Program program);

    QString ErrorText;
    // The comments go into the report only when the user has touched the box: text the
    // program put there is not the user's.
    bool CommentsTouched = false;
    QString Comments;
    QString LogText;

    // "Error Report: <title> <version>, <system>".
    QString header() const;
    // The whole FullLog.txt: the banner with its instructions, the header, the failure, the
    // comments and the log, with CR LF line ends and no line end after the log.
    QString fullReport() const;
    // "Bug Report (<title> - <version>)" with its blanks as "%20".
    QString subject() const;
    // The header, the failure (and comments) and the log, escaped for the address, cut to
    // MailBodyLimit characters (a little less where the cut would split an escape).
    QString mailBody() const;
    // "mailto:<address>?subject=...&body=...", leaving out a field that carries nothing.
    QString mailUrl() const;
    QString bugReportAddress() const;

    // The characters that would end or break a mail address's value, escaped once each in a
    // fixed order ("%" first); every line break, CR LF or lone LF or CR, becomes "%0D%0A".
    static QString escapeForMail(QString text);

    // Mail clients and the desktop's handlers take addresses of this length everywhere; the
    // rest of the log travels as the attached file.
    static constexpr qsizetype MailBodyLimit = 400;
    static QString fileName() { return QStringLiteral("FullLog.txt"); }

    // Writes fullReport() as FullLog.txt in the folder, replacing an earlier one without
    // following a link there, and returns its path. Throws Failure.
    QString writeFullReport(const QString &folder) const;

private:
    Program m_program;
};
