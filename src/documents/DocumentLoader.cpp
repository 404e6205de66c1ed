#include "documents/DocumentLoader.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <QFileInfo>

namespace {

const QString kProcedure = QStringLiteral("LoadDocument");
const QString kModule = QStringLiteral("frmMain");

QByteArray readWhole(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(FailureCode::FileNotFound, QStringLiteral("File not found: %1").arg(path),
                      kProcedure);
    if (info.isDir())
        throw Failure(FailureCode::PathFileAccess, QStringLiteral("Is a folder: %1").arg(path),
                      kProcedure);
    return cSharedFileSubs::ReadWholeFileBytes(path);
}

// What the user is told about a document that could not be read.
QString reasonFor(const QString &path, const Failure &failure)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Lang().GetTranslation(QStringLiteral("The file does not exist."));
    if (info.isDir())
        return Lang().GetTranslation(QStringLiteral("It is a folder, not a document."));
    if (failure.code() == FailureCode::PathFileAccess)
        return Lang().GetTranslation(QStringLiteral("You are not allowed to read it."));
    return failure.description();
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
    content.read = Trace::attempt(kProcedure, kModule, [&] {
        try {
            bytes = readWhole(file);
        } catch (const std::exception &e) {
            content.failure = reasonFor(file, Trace::asFailure(e));
            throw;
        }
    });
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
