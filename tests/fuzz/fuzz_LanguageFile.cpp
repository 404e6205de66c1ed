// A language file (Languages/*.txt) listed, loaded and used: its title, the translation
// of the interface's texts, and the way back to English.
#include "FuzzFolder.h"

#include "base/cSharedLang.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzzFile(QStringLiteral("Languages/xx.txt"), bytes);
    cSharedLang lang;
    lang.OverrideLanguagePath(fuzzFolder().path());
    lang.LoadAllLanguages();
    if (lang.LanguageCount() < 1)
        return 0;
    (void)lang.LanguageTitle(1);
    lang.LoadLanguage(1);
    for (const char *text : { "OK", "Cancel", "Read", "", "||", "Proxy Setup" })
        (void)lang.GetTranslation(QString::fromLatin1(text));
    (void)lang.CurrentLanguage();
    lang.RevertToEnglish();
    (void)lang.GetTranslation(QStringLiteral("OK"));
    return 0;
}
