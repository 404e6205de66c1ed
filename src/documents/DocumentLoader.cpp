#include "documents/DocumentLoader.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <QFile>

namespace {

const QString kProcedure = QStringLiteral("LoadDocument");
const QString kModule = QStringLiteral("frmMain");

QByteArray readWhole(const QString &path)
{
    if (!QFile::exists(path))
        throw Failure(FailureCode::FileNotFound, QStringLiteral("File not found: %1").arg(path),
                      kProcedure);
    return cSharedFileSubs::ReadWholeFileBytes(path);
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
    Trace::attempt(kProcedure, kModule, [&] { cSharedHTML::HtmlToPlainText(text); });
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[emph]"), QStringLiteral("<emph>"));
    cSharedHTML::ReplaceWith_NC(text, QStringLiteral("[/emph]"), QStringLiteral("</emph>"));
    return text;
}

DocumentContent DocumentLoader::Load(const QString &path)
{
    QString file = path;
    file.remove(QLatin1Char('"'));

    DocumentContent content;
    content.rich = IsRtf(file);
    QByteArray bytes;
    content.read = Trace::attempt(kProcedure, kModule, [&] { bytes = readWhole(file); });
    if (content.rich) {
        // The markup goes to the view as the file's Windows-1252 text, byte for byte;
        // the importer turns it back into the same bytes.
        content.text = CodePage::toUnicode(bytes);
        return content;
    }
    Trace::attempt(kProcedure, kModule,
                   [&] { content.text = PrepareText(TextDecoding::decodeDocument(bytes)); });
    return content;
}
