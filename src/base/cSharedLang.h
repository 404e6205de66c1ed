#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Translates the user interface from English into the language of a language file.
// Language files live in a "Languages" folder under the language path: the program
// folder's, else the one beside the executable, else the installed one.
//
// This is the table and its files; applying it to windows (TranslateForm, Localise, the
// language lists, the font and the template of a window's texts) is ui/FormTranslator's.
class cSharedLang
{
public:
    cSharedLang();
    ~cSharedLang();

    void LoadAllLanguages();
    short LanguageCount();
    QString LanguageTitle(short LanguageIndex);
    void LoadLanguage(short LanguageNum);
    void RevertToEnglish();
    QString GetTranslation(const QString &aWord);
    void OverrideLanguagePath(const QString &NewPath);
    void UpdateTemplates(const QString &LanguagePath);
    bool FontIsPresent(const QString &name);

    // The locale of language LanguageIndex (0 English), for the texts of the toolkit
    // itself: from the file's name ("de.txt") or else its title ("Deutsch").
    QLocale LanguageLocale(short LanguageIndex);
    // The titles of the language files, in the order of their numbers (from 1).
    QStringList LanguageTitles();
    // Whether a text is a language's name ("English" or a title): names show in their
    // own language everywhere, so they are never translated or offered to translators.
    bool IsLanguageName(const QString &text);
    // Where a window template is written when no file is named: FormsText.txt in the
    // language path.
    QString FormsTextFile();

    // Title of the language the table translates into: "English" after
    // RevertToEnglish, empty before any language was loaded.
    QString CurrentLanguage();
    // The folder that holds the Languages folder.
    QString LanguagePath();
    // The Languages folder under a language path, whatever the letter case of its
    // name on disk; "<path>/Languages" when there is none.
    static QString LanguagesFolder(const QString &languagePath);

    QString LangID;
    QString FormFontName;

    // The process-wide translator: the one of the ProcessServices alive now, or a
    // never-destroyed stand-in for code that runs with none.
    static cSharedLang &instance();
    // Which translator instance() gives (see base/Seam.h); only ProcessServices sets it.
    struct InstanceSeam
    {
        using Type = cSharedLang *;
    };

private:
    struct Data;
    Data *d;
};

inline cSharedLang &Lang()
{
    return cSharedLang::instance();
}
