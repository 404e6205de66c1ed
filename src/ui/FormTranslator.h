#pragma once

#include <QString>

class QComboBox;
class QLocale;
class QListWidget;
class QWidget;

// The translator's window half: puts the process-wide translator's language (Lang(), the
// table in base/cSharedLang) on windows and their controls, fills language lists, and
// writes the texts of windows out as a template for translators. Each operation keeps the
// name it has always had on the translator.
namespace FormTranslator {

// Every text of the window (FormTexts) through GetTranslation, after the window's font;
// then the controls' names for assistive technology in that language (ScreenReader).
void TranslateForm(QWidget *aForm);
// Back to English and into the language LanguageIndex (0 English), translating each time;
// Qt's own texts follow (UseToolkitLanguage).
void Localise(QWidget *MainForm, short LanguageIndex);
// Loads Qt's own translations (Debian's qt6-translations-l10n) for the locale, so file
// dialogs and message-box buttons speak the interface language; false when there are none
// (English, or not installed).
bool UseToolkitLanguage(const QLocale &locale);
// The translator's FormFontName on every control that shows words; a face that is not
// installed is logged and forgotten.
void ChangeFont(QWidget *aForm);

// Row 0 "English", then the language titles.
void FillLanguageList(QListWidget *aList);
void FillLanguageList(QComboBox *aList);
// Selects the row titled LanguageID, or English when there is none.
void SetListToSelected(const QString &LanguageID, QListWidget *lstLanguages);
void SetListToSelected(const QString &LanguageID, QComboBox *lstLanguages);

// FormsText.txt in the language path, made afresh with the texts of every loaded window.
void GenerateLanguageTemplate();
// Appends the window's texts as "text||text" lines to Filename (FormsText.txt when empty).
void WriteStrings(QWidget *aForm, const QString &Filename);

} // namespace FormTranslator
