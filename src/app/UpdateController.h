#pragma once

#include "net/UpdateHandOff.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class fSHAREDUpdater;

// The main window's side of updates: it owns the update window object, runs the automatic
// check when it is allowed and due and the check the menu asks for, and performs the
// installer hand-off when the user wants the downloaded package installed: updater.ini
// written, OrlinUpdater started, the reader closed down. A hand-off that cannot be made
// whole (updater.ini not written, the installer not started) leaves the reader running and
// says so.
class UpdateController : public QObject
{
    Q_OBJECT
public:
    // What the controller needs of the main window.
    class View
    {
    public:
        virtual ~View() = default;
        // The parent of the update window and of the messages.
        virtual QWidget *window() = 0;
        // The installer's command line: the main window's caption.
        virtual QString caption() const = 0;
        // Out of sight while the hand-off runs, back when it fails.
        virtual void hideForHandOff() = 0;
        virtual void showAgain() = 0;
        // Saves and ends the program (close-down).
        virtual void closeDown() = 0;
    };

    explicit UpdateController(View &view, QObject *parent = nullptr);
    ~UpdateController() override;

    // The update window object; null until CreateUpdater or the first check made it.
    fSHAREDUpdater *Updater() const;
    void CreateUpdater();

    // The one-shot timer's check: only when automatic checking is on and a week has passed.
    void AutomaticCheck();
    // One check against the maker's server; silent, the window shows only when the user
    // wants to see the update found.
    void checkforupdate(bool silent);
    // The update window's InstallFile: the hand-off for the package it downloaded.
    void Updater_InstallFile();
    // The hand-off itself. True when the installer was started and the reader closes down.
    bool HandOver(const UpdateHandOff::HandOff &handOff);

private:
    View &m_view;
    QPointer<fSHAREDUpdater> m_updater;
};
