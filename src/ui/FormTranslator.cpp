#include "ui/FormTranslator.h"

#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "ui/FormTexts.h"
#include "ui/ScreenReader.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QPointer>
#include <QTranslator>

namespace {

const QString kModule = QStringLiteral("mLang");
const QString kEnglish = QStringLiteral("English");
const QString kBreak = QStringLiteral("||");

// A language list, whether a list box or a combo box: row 0 is English, then the titles.
QString rowText(const QListWidget *list, int row)
{
    return list->item(row)->text();
}
QString rowText(const QComboBox *list, int row)
{
    return list->itemText(row);
}
void selectRow(QListWidget *list, int row)
{
    list->setCurrentRow(row);
}
void selectRow(QComboBox *list, int row)
{
    list->setCurrentIndex(row);
}

template<class List> void fillLanguages(List *aList)
{
    if (!aList)
        return;
    Lang().LoadAllLanguages();
    aList->clear();
    aList->addItem(kEnglish);
    aList->addItems(Lang().LanguageTitles());
}

template<class List> void selectLanguage(List *list, const QString &LanguageID)
{
    if (!list || list->count() == 0)
        return;
    int selected = 0;
    for (int row = 0; row < list->count(); ++row) {
        if (rowText(list, row) == LanguageID)
            selected = row;
    }
    // An unknown title always shows English, whatever row was selected before.
    selectRow(list, selected);
}

bool isSymbolFont(const QFont &font)
{
    const QString family = font.family();
    return family.compare(QLatin1String("Webdings"), Qt::CaseInsensitive) == 0
        || family.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive);
}

} // namespace

namespace FormTranslator {

void TranslateForm(QWidget *aForm)
{
    if (!aForm)
        return;
    cSharedLang &lang = Lang();
    Trace::attempt(QStringLiteral("TranslateForm"), kModule, [&] { ChangeFont(aForm); });
    const QString current = lang.CurrentLanguage();
    const bool toEnglish = current.isEmpty() || current == kEnglish;
    const QList<FormTexts::Text> texts = FormTexts::collect(aForm);
    for (const FormTexts::Text &text : texts) {
        if (lang.IsLanguageName(text.value))
            continue;
        Trace::attempt(QStringLiteral("TranslateForm"), kModule, [&] {
            // Each text keeps its English original from its first translation on: going
            // back through the inverted table cannot restore a text that a language
            // blanked, or that shares its translation with another.
            const QByteArray property = FormTexts::originalProperty(text.role);
            const QStringList kept = text.owner->property(property).toStringList();
            QString english;
            QString shown;
            if (kept.size() == 2 && kept.at(1) == text.value) {
                english = kept.at(0);
                shown = toEnglish ? english : lang.GetTranslation(english);
            } else {
                // New, or set by the program since: the table knows it in either direction.
                shown = lang.GetTranslation(text.value);
                english = toEnglish ? shown : text.value;
            }
            if (shown != text.value)
                text.set(shown);
            text.owner->setProperty(property, QStringList { english, shown });
        });
    }
    Trace::attempt(QStringLiteral("TranslateForm"), kModule,
                   [&] { ScreenReader::nameControls(aForm); });
}

void Localise(QWidget *MainForm, short LanguageIndex)
{
    const QString step = QStringLiteral("Localise");
    Trace::attempt(step, kModule, [&] { Lang().LoadLanguage(0); });
    Trace::attempt(step, kModule, [&] { TranslateForm(MainForm); });
    Trace::attempt(step, kModule, [&] { Lang().LoadLanguage(LanguageIndex); });
    Trace::attempt(step, kModule, [&] { TranslateForm(MainForm); });
    Trace::attempt(step, kModule,
                   [&] { UseToolkitLanguage(Lang().LanguageLocale(LanguageIndex)); });
}

bool UseToolkitLanguage(const QLocale &locale)
{
    // One translator for Qt's own texts (file dialogs, message-box buttons), replaced at
    // each change of language; English needs none.
    static QPointer<QTranslator> current;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
    }
    if (locale.language() == QLocale::English || !QCoreApplication::instance())
        return false;
    // Owned by the application, so it goes with it.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        Log().LogEvent(QStringLiteral("No Qt translation for ") + locale.name());
        delete translator;
        return false;
    }
    current = translator;
    QCoreApplication::installTranslator(current);
    return true;
}

void ChangeFont(QWidget *aForm)
{
    cSharedLang &lang = Lang();
    const QString name = lang.FormFontName.trimmed();
    if (name.isEmpty() || !aForm)
        return;
    if (!lang.FontIsPresent(name)) {
        Log().LogEvent(QStringLiteral("Cannot set font to ") + name
                       + QStringLiteral(". Not present."));
        lang.FormFontName.clear();
        return;
    }
    const auto controls = aForm->findChildren<QWidget *>();
    for (QWidget *w : controls) {
        if (w->window() != aForm)
            continue;
        // Buttons drawn in a symbol font show pictures, not words; a picture label
        // has no text to set a face for.
        if (qobject_cast<QAbstractButton *>(w) && isSymbolFont(w->font()))
            continue;
        if (auto *label = qobject_cast<QLabel *>(w); label && label->text().isEmpty())
            continue;
        QFont font = w->font();
        font.setFamily(name);
        w->setFont(font);
    }
    QFont font = aForm->font();
    font.setFamily(name);
    aForm->setFont(font);
}

void FillLanguageList(QListWidget *aList)
{
    fillLanguages(aList);
}

void FillLanguageList(QComboBox *aList)
{
    fillLanguages(aList);
}

void SetListToSelected(const QString &LanguageID, QListWidget *lstLanguages)
{
    selectLanguage(lstLanguages, LanguageID);
}

void SetListToSelected(const QString &LanguageID, QComboBox *lstLanguages)
{
    selectLanguage(lstLanguages, LanguageID);
}

void GenerateLanguageTemplate()
{
    const QString path = Lang().FormsTextFile();
    if (!Trace::attempt(QStringLiteral("GenerateLanguageTemplate"), kModule,
                        [&] { cSharedFileSubs::ReplaceTextFile(path, QString()); }))
        return;
    const QList<QWidget *> windows = FormTexts::loadedWindows();
    for (QWidget *w : windows)
        WriteStrings(w, path);
}

void WriteStrings(QWidget *aForm, const QString &Filename)
{
    if (!aForm)
        return;
    Trace::attempt(QStringLiteral("WriteStrings"), kModule, [&] {
        cSharedLang &lang = Lang();
        const QString path = Filename.isEmpty() ? lang.FormsTextFile() : Filename;
        QString out;
        const QList<FormTexts::Text> texts = FormTexts::collect(aForm);
        for (const FormTexts::Text &text : texts) {
            // A language file holds one entry a line; a text that spans lines could
            // never be looked up, so it is not offered to translators.
            if (!FormTexts::isTranslatable(text.value) || text.value.contains(QLatin1Char('\n'))
                || text.value.contains(QLatin1Char('\r')) || lang.IsLanguageName(text.value))
                continue;
            out += text.value + kBreak + text.value + QLatin1String("\r\n");
        }
        cSharedFileSubs::AppendText(path, out);
    });
}

} // namespace FormTranslator
