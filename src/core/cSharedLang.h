#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class QComboBox;
class QListWidget;

// Translates the user interface from English into the language of a language file.
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
    void SetListToSelected(const QString &LanguageID, QListWidget *lstLanguages);
    void OverrideLanguagePath(const QString &NewPath);
    void GenerateLanguageTemplate();
    void WriteStrings(QWidget *aForm, const QString &Filename);
    void UpdateTemplates(const QString &LanguagePath);

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
