#include "documents/DocumentLoader.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/HtmlLibrary.h"
#include "documents/RtfImporter.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <QFileInfo>
#include <QTextDocument>

namespace {

const QString kProcedure = QStringLiteral("LoadDocument");

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

// The bytes of the file, or a Failure that says in the user's words why not.
QByteArray readWhole(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(FailureCode::FileNotFound, translated("The file does not exist."),
                      kProcedure);
    if (info.isDir())
        throw Failure(FailureCode::PathFileAccess, translated("It is a folder, not a document."),
                      kProcedure);
    try {
        return cSharedFileSubs::ReadWholeFileBytes(path);
    } catch (const Failure &failure) {
        if (failure.code() == FailureCode::PathFileAccess)
            throw Failure(failure.code(), translated("You are not allowed to read it."),
                          kProcedure);
        throw;
    }
}

QString encodingName(TextDecoding::Encoding encoding)
{
    switch (encoding) {
    case TextDecoding::Encoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TextDecoding::Encoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case TextDecoding::Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextDecoding::Encoding::Windows1252:
        break;
    }
    return QStringLiteral("Windows-1252");
}

// The part of an HTML text that the view drops: everything up to "</head>".
QStringView headOf(const QString &text)
{
    const qsizetype end = text.indexOf(QLatin1String("</head>"), 0, Qt::CaseInsensitive);
    return end < 0 ? QStringView() : QStringView(text).first(end);
}

// The characters between the head's <title> and </title>, as a reader would say them.
QString htmlTitle(QStringView head)
{
    constexpr qsizetype kLongest = 1000;
    const qsizetype open = head.indexOf(QLatin1String("<title"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    const qsizetype from = head.indexOf(QLatin1Char('>'), open);
    const qsizetype close = head.indexOf(QLatin1String("</title"), from, Qt::CaseInsensitive);
    if (from < 0 || close < 0)
        return {};
    QString title = HtmlLibrary::cHtmlToChar(
        head.sliced(from + 1, close - from - 1).first(std::min(close - from - 1, kLongest)));
    HtmlLibrary::cStripHTML(title);
    return title.simplified();
}

// The lang attribute of the <html> tag ("en", "de-AT").
QString htmlLanguage(QStringView head)
{
    const qsizetype tag = head.indexOf(QLatin1String("<html"), 0, Qt::CaseInsensitive);
    if (tag < 0)
        return {};
    const qsizetype end = head.indexOf(QLatin1Char('>'), tag);
    const QStringView attributes = head.sliced(tag, (end < 0 ? head.size() : end) - tag);
    qsizetype at = attributes.indexOf(QLatin1String(" lang="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    at += 6;
    QChar quote;
    if (at < attributes.size()
        && (attributes[at] == QLatin1Char('"') || attributes[at] == QLatin1Char('\'')))
        quote = attributes[at++];
    qsizetype stop = at;
    while (stop < attributes.size() && stop - at < 35
           && (quote.isNull() ? !attributes[stop].isSpace() : attributes[stop] != quote))
        ++stop;
    const QString language = attributes.sliced(at, stop - at).toString();
    for (QChar c : language) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            return {};
    }
    return language;
}

Document richDocument(Document document, const QByteArray &bytes)
{
    auto formatted = std::make_shared<QTextDocument>();
    if (!RtfImporter::import(bytes, formatted.get(), &document.title)) {
        // A file named .rtf that holds no RTF is shown as the text it is.
        document.text = Document::ShownText(CodePage::toUnicode(bytes));
        document.encoding = encodingName(TextDecoding::Encoding::Windows1252);
        return document;
    }
    document.text = formatted->toPlainText();
    document.formatted = std::move(formatted);
    document.encoding = QStringLiteral("RTF");
    return document;
}

} // namespace

bool DocumentLoader::IsRtf(const QString &path)
{
    return cSharedFileSubs::ExtOnly(path).toUpper() == QLatin1String("RTF");
}

QString DocumentLoader::PrepareText(QString text)
{
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("<em>"), QStringLiteral("[emph]"));
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("</em>"), QStringLiteral("[/emph]"));
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("<b>"), QStringLiteral("[emph]"));
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("</b>"), QStringLiteral("[/emph]"));
    cSharedHTML::HtmlToPlainText(text);
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[emph]"), QStringLiteral("<emph>"));
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[/emph]"), QStringLiteral("</emph>"));
    return text;
}

Document DocumentLoader::Load(const QString &path)
{
    QString file = path;
    file.remove(QLatin1Char('"'));
    return FromBytes(file, readWhole(file));
}

Document DocumentLoader::FromBytes(const QString &path, const QByteArray &bytes)
{
    Document document;
    document.path = path;
    document.path.remove(QLatin1Char('"'));
    if (IsRtf(document.path))
        return richDocument(std::move(document), bytes);
    const TextDecoding::Encoding encoding = TextDecoding::detect(bytes);
    document.encoding = encodingName(encoding);
    const QString decoded = TextDecoding::decodeDocument(bytes, encoding);
    const QStringView head = headOf(decoded);
    document.title = htmlTitle(head);
    document.language = htmlLanguage(head);
    document.text = Document::ShownText(PrepareText(decoded));
    return document;
}
