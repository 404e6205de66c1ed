#include "documents/FormatText.h"

#include "base/cSharedLang.h"

FormatText FormatText::failed(Outcome outcome, const QString &message)
{
    FormatText result;
    result.outcome = outcome;
    result.failure = message.isEmpty() ? messageFor(outcome) : message;
    return result;
}

QString FormatText::messageFor(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Read:
        return {};
    case Outcome::NeedsPassword:
        return Lang().GetTranslation(QStringLiteral("The document is protected by a password."));
    case Outcome::WrongPassword:
        return Lang().GetTranslation(QStringLiteral("The password does not open the document."));
    case Outcome::Protected:
        return Lang().GetTranslation(
            QStringLiteral("The document is encrypted or protected by DRM: Orlin cannot read it."));
    case Outcome::NoText:
        return Lang().GetTranslation(QStringLiteral("The document has no text to read."));
    case Outcome::Damaged:
        return Lang().GetTranslation(
            QStringLiteral("The document is damaged or incomplete: Orlin cannot read it."));
    case Outcome::TooLarge:
        return Lang().GetTranslation(QStringLiteral(
            "The document is larger than Orlin will unpack (or built to exhaust memory)."));
    case Outcome::Unreadable:
        return Lang().GetTranslation(QStringLiteral("The file cannot be read."));
    }
    return {};
}
