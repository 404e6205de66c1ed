#include "documents/DocumentLoader.h"

#include "base/CodePage.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/DocxReader.h"
#include "documents/EpubReader.h"
#include "documents/HtmlLibrary.h"
#include "documents/MarkdownReader.h"
#include "documents/OdtReader.h"
#include "documents/PdfReader.h"
#include "documents/RtfImporter.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace {

const QString kProcedure = QStringLiteral("LoadDocument");
// The runtime's "Invalid file format": a document its reader refused.
constexpr int kInvalidFileFormat = 321;

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

} // namespace

void DocumentLoader::CheckReadable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(FailureCode::FileNotFound, translated("The file does not exist."),
                      kProcedure);
    if (info.isDir())
        throw Failure(FailureCode::PathFileAccess, translated("It is a folder, not a document."),
                      kProcedure);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(FailureCode::PathFileAccess, translated("You are not allowed to read it."),
                      kProcedure);
}

namespace {

// The bytes of the file, or a Failure that says in the user's words why not.
QByteArray readWhole(const QString &path)
{
    DocumentLoader::CheckReadable(path);
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
    const qsizetype end = cSharedHTML::IndexOf(text, u"</head>", 0, Qt::CaseInsensitive);
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

// The media type a zip's first entry names when it is the stored "mimetype" entry that EPUB
// and OpenDocument put first; empty for any other file.
QByteArray zipMimetype(const QByteArray &head)
{
    constexpr qsizetype kNameAt = 30;
    if (!head.startsWith("PK\x03\x04") || head.size() < kNameAt + 8)
        return {};
    const auto word = [&](qsizetype at) {
        return int(uchar(head[at])) | (int(uchar(head[at + 1])) << 8);
    };
    const int method = word(8);
    const int storedSize = word(18); // the low half: a media type is short
    const int nameLength = word(26);
    const int extraLength = word(28);
    if (method != 0 || nameLength != 8 || head.mid(kNameAt, 8) != "mimetype" || storedSize > 80)
        return {};
    return head.mid(kNameAt + nameLength + extraLength, storedSize).trimmed();
}

// A heading's place after Document::ShownText: only a CR LF pair shrinks the text.
QList<Document::Heading> shownHeadings(const QString &raw, const QList<FormatHeading> &headings)
{
    QList<Document::Heading> shown;
    shown.reserve(headings.size());
    qsizetype scanned = 0;
    qsizetype removed = 0;
    for (const FormatHeading &heading : headings) {
        const qsizetype at = std::clamp<qsizetype>(heading.position, 0, raw.size());
        // Headings come in text order; one out of order is counted from the top again.
        if (at < scanned)
            scanned = removed = 0;
        for (; scanned < at; ++scanned) {
            if (raw[scanned] == QLatin1Char('\r') && scanned + 1 < raw.size()
                && raw[scanned + 1] == QLatin1Char('\n'))
                ++removed;
        }
        if (heading.text.trimmed().isEmpty())
            continue;
        shown.append({ heading.text.simplified(), int(at - removed), std::max(heading.level, 1) });
    }
    return shown;
}

QString formatEncoding(DocumentLoader::Format format)
{
    switch (format) {
    case DocumentLoader::Format::Epub:
        return QStringLiteral("EPUB");
    case DocumentLoader::Format::Pdf:
        return QStringLiteral("PDF");
    case DocumentLoader::Format::Docx:
        return QStringLiteral("DOCX");
    case DocumentLoader::Format::Odt:
        return QStringLiteral("ODT");
    case DocumentLoader::Format::Markdown:
    case DocumentLoader::Format::Text:
        return QStringLiteral("UTF-8");
    case DocumentLoader::Format::Rtf:
        break;
    }
    return QStringLiteral("RTF");
}

FormatText readFormat(DocumentLoader::Format format, const QString &path, const QByteArray &bytes,
                      const QByteArray &password)
{
    switch (format) {
    case DocumentLoader::Format::Epub:
        return EpubReader().read(bytes);
    case DocumentLoader::Format::Docx:
        return DocxReader::read(bytes);
    case DocumentLoader::Format::Odt:
        return OdtReader::read(bytes);
    case DocumentLoader::Format::Markdown:
        return MarkdownReader::fromBytes(bytes);
    case DocumentLoader::Format::Pdf:
        // Bytes read already are used; else Poppler reads the file itself, only what it needs.
        return bytes.isNull() ? PdfReader::read(path, password)
                              : PdfReader::readData(bytes, password);
    case DocumentLoader::Format::Text:
    case DocumentLoader::Format::Rtf:
        break;
    }
    return FormatText::failed(FormatText::Outcome::Unreadable);
}

bool readByItsReader(DocumentLoader::Format format)
{
    return format != DocumentLoader::Format::Text && format != DocumentLoader::Format::Rtf;
}

} // namespace

DocumentLoader::FormatFailure::FormatFailure(const FormatText &refused)
    : Failure(kInvalidFileFormat,
              refused.failure.isEmpty() ? FormatText::messageFor(refused.outcome) : refused.failure,
              kProcedure)
    , m_outcome(refused.outcome)
{
}

DocumentLoader::Format DocumentLoader::FormatOf(const QString &path, const QByteArray &head)
{
    if (head.startsWith("%PDF-"))
        return Format::Pdf;
    const QByteArray mimetype = zipMimetype(head);
    if (mimetype == "application/epub+zip")
        return Format::Epub;
    if (mimetype == "application/vnd.oasis.opendocument.text")
        return Format::Odt;
    QString file = path;
    file.remove(QLatin1Char('"'));
    const QString extension = cSharedFileSubs::ExtOnly(file).toLower();
    if (extension == QLatin1String("rtf"))
        return Format::Rtf;
    if (extension == QLatin1String("epub"))
        return Format::Epub;
    if (extension == QLatin1String("pdf"))
        return Format::Pdf;
    if (extension == QLatin1String("docx"))
        return Format::Docx;
    if (extension == QLatin1String("odt"))
        return Format::Odt;
    if (extension == QLatin1String("md") || extension == QLatin1String("markdown"))
        return Format::Markdown;
    return Format::Text;
}

DocumentLoader::Format DocumentLoader::FormatOfFile(const QString &path)
{
    QString file = path;
    file.remove(QLatin1Char('"'));
    QFile input(file);
    QByteArray head;
    if (QFileInfo(file).isFile() && input.open(QIODevice::ReadOnly))
        head = input.read(128);
    return FormatOf(file, head);
}

Document DocumentLoader::FromFormatText(const QString &path, const FormatText &text, Format format)
{
    if (!text.read())
        throw FormatFailure(text);
    Document document;
    document.path = path;
    document.path.remove(QLatin1Char('"'));
    document.text = Document::ShownText(text.text);
    document.headings = shownHeadings(text.text, text.headings);
    // A title is a line of a caption, however long the file makes it.
    document.title = text.title.simplified().left(1000);
    document.language = text.language;
    document.encoding = formatEncoding(format);
    return document;
}

bool DocumentLoader::IsRtf(const QString &path)
{
    return cSharedFileSubs::ExtOnly(path).toUpper() == QLatin1String("RTF");
}

QString DocumentLoader::PrepareText(QString text)
{
    // Each step is a pass over the whole text: one that cannot match is skipped.
    if (text.contains(QLatin1Char('<'))) {
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("<em>"), QStringLiteral("[emph]"));
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("</em>"), QStringLiteral("[/emph]"));
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("<b>"), QStringLiteral("[emph]"));
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("</b>"), QStringLiteral("[/emph]"));
    }
    cSharedHTML::HtmlToPlainText(text);
    if (text.contains(QLatin1Char('['))) {
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[emph]"), QStringLiteral("<emph>"));
        cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[/emph]"), QStringLiteral("</emph>"));
    }
    return text;
}

Document DocumentLoader::Load(const QString &path, const QByteArray &password)
{
    QString file = path;
    file.remove(QLatin1Char('"'));
    // A PDF is read by Poppler from the file, page by page, never whole into memory.
    if (FormatOfFile(file) == Format::Pdf) {
        CheckReadable(file);
        return FromFormatText(file, readFormat(Format::Pdf, file, {}, password), Format::Pdf);
    }
    return FromBytes(file, readWhole(file), password);
}

Document DocumentLoader::FromBytes(const QString &path, const QByteArray &bytes,
                                   const QByteArray &password)
{
    Document document;
    document.path = path;
    document.path.remove(QLatin1Char('"'));
    const Format format =
        FormatOf(document.path, bytes.first(std::min<qsizetype>(bytes.size(), 128)));
    if (readByItsReader(format)) {
        // The bytes given are the document; null would make the PDF reader open the path.
        const QByteArray content = bytes.isNull() ? QByteArray("") : bytes;
        return FromFormatText(document.path, readFormat(format, document.path, content, password),
                              format);
    }
    if (format == Format::Rtf)
        return richDocument(std::move(document), bytes);
    const TextDecoding::Encoding encoding = TextDecoding::detect(bytes);
    document.encoding = encodingName(encoding);
    QString decoded = TextDecoding::decodeDocument(bytes, encoding);
    const QStringView head = headOf(decoded);
    document.title = htmlTitle(head);
    document.language = htmlLanguage(head);
    // Handed on, not copied: a book's text is changed in place from here.
    document.text = Document::ShownText(PrepareText(std::move(decoded)));
    return document;
}
