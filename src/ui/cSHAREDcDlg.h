#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The system's open and save dialogs as the program uses them: properties set
// first, then ShowOpen/ShowSave, then Filename read back. With CancelError set,
// cancelling throws Failure 32755, so a caller can end its handler there.
class cSHAREDcDlg
{
public:
    enum Flag {
        OverwritePrompt = 0x2,
        HideReadOnly = 0x4,
        PathMustExist = 0x800,
        FileMustExist = 0x1000,
        NoReadOnlyReturn = 0x8000,
    };

    static constexpr int CancelErrorCode = 32755;

    explicit cSHAREDcDlg(QWidget *parent = nullptr);

    bool CancelError = false;
    int Flags = 0;
    QString DialogTitle;
    // Pairs of description and pattern separated by "|":
    // "All Files (*.*)|*.*|Wave Files (*.wav)|*.wav".
    QString Filter;
    // 1-based index of the preselected pair.
    int FilterIndex = 1;
    QString InitDir;
    QString Filename;
    // Files a save writes beside the chosen one (a timing file beside a wave file): the
    // overwrite question and the read-only check cover those that exist too, in one box.
    std::function<QStringList(const QString &chosen)> AlsoReplaced;
    // Save dialogs: the extension (without the dot) given to a name typed with none of
    // the filters' extensions ("book" becomes "book.wav"), before the overwrite question
    // is asked. The filter the user picked wins when it names one extension. Empty: the
    // name is taken as typed.
    QString DefaultExt;

    void ShowSave();
    void ShowOpen();

    // The Filter property as the name filters a file dialog shows.
    QStringList nameFilters() const;

    // Tests answer the dialog instead of a person (see base/Seam.h): the hook gets the
    // dialog with its properties and returns the chosen path, or nothing for Cancel. The
    // checks that the flags ask for (overwrite prompt, existing folder, read-only target)
    // still apply to the answer; a refused answer asks the hook again. Empty: the real dialog.
    using Hook = std::function<std::optional<QString>(const cSHAREDcDlg &)>;
    struct AnswerSeam
    {
        using Type = Hook;
    };

private:
    void show(bool save);
    std::optional<QString> ask(bool save) const;
    // Whether the chosen path passes the flags' checks (messages shown here).
    bool acceptable(const QString &path, bool save) const;
    // The path with DefaultExt (or the picked filter's extension) added where needed.
    QString withExtension(const QString &path) const;

    // The filter the real dialog had selected when it closed (1-based), 0 when unknown.
    mutable int m_pickedFilter = 0;

    QWidget *m_parent;
};
