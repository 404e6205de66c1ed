// Temporary stand-in that translates nothing; replaced by the full translator.
#include "core/cSharedLang.h"

#include <memory>

struct cSharedLang::Data
{
};

cSharedLang::cSharedLang() : d(new Data) {}
cSharedLang::~cSharedLang() { delete d; }
void cSharedLang::LoadAllLanguages() {}
short cSharedLang::LanguageCount() { return 0; }
QString cSharedLang::LanguageTitle(short) { return {}; }
void cSharedLang::LoadLanguage(short) {}
void cSharedLang::RevertToEnglish() {}
QString cSharedLang::GetTranslation(const QString &aWord) { return aWord; }
void cSharedLang::TranslateForm(QWidget *) {}
void cSharedLang::Localise(QWidget *, short) {}
void cSharedLang::FillLanguageList(QListWidget *) {}
void cSharedLang::SetListToSelected(const QString &, QListWidget *) {}
void cSharedLang::OverrideLanguagePath(const QString &) {}
void cSharedLang::GenerateLanguageTemplate() {}
void cSharedLang::WriteStrings(QWidget *, const QString &) {}
void cSharedLang::UpdateTemplates(const QString &) {}

namespace {
std::unique_ptr<cSharedLang> &slot()
{
    static std::unique_ptr<cSharedLang> s;
    return s;
}
} // namespace
cSharedLang &cSharedLang::instance()
{
    if (!slot())
        slot() = std::make_unique<cSharedLang>();
    return *slot();
}
void cSharedLang::resetInstance() { slot().reset(); }
