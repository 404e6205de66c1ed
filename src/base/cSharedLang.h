#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class QComboBox;
class QListWidget;

// Translates the user interface from English into the language of a language file.
// Language files live in a "Languages" folder under the language path: the program
// folder's, else the one beside the executable, else the installed one.
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
    void TranslateForm(QWidget *aForm);
    void Localise(QWidget *MainForm, short LanguageIndex);
    void FillLanguageList(QListWidget *aList);
    void FillLanguageList(QComboBox *aList);
    void SetListToSelected(const QString &LanguageID, QListWidget *lstLanguages);
    void SetListToSelected(const QString &LanguageID, QComboBox *lstLanguages);
    void OverrideLanguagePath(const QString &NewPath);
    void GenerateLanguageTemplate();
    void WriteStrings(QWidget *aForm, const QString &Filename);
    void UpdateTemplates(const QString &LanguagePath);
    void ChangeFont(QWidget *aForm);
    bool FontIsPresent(const QString &name);

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

    static cSharedLang &instance();
    static void resetInstance();

private:
    struct Data;
    Data *d;
};

inline cSharedLang &Lang()
{
    return cSharedLang::instance();
}
