#pragma once

#include <utility>

// The one way to replace a piece of process-wide behaviour, for the program and its tests.
//
// A seam point is a small struct, declared beside the code that asks it, that names the type
// of what it holds:
//
//     namespace Desktop { struct OpenSeam { using Type = std::function<bool(const QUrl &)>; }; }
//
// The code that asks reads Seam::current<Point>(); an empty value (an empty std::function, a
// null pointer, false) means the behaviour the point documents as its default. The program
// sets the points it fills for good once, at start, with Seam::install (the real message
// box, the real speech engine). A test replaces a point for a scope with Seam::Override,
// which puts the previous value back when it ends, so overrides nest and never leak into the
// next test:
//
//     Seam::Override<SpeechEngineFactory::FactorySeam> engines([] { return makeFake(); });
//
// The points in the program:
//   base      Desktop::OpenSeam             who opens a file, a web page or a mail address
//             FileTable::WriteFaultSeam     a write that fails as a full disk would
//             InstalledFonts::FamiliesSeam  the installed font families
//             ProgramInfo::FolderSeam       the program folder (TempProgramFolder in tests)
//             the process services          cSharedLogging, cSHAREDSettings, cSharedLang
//                                           (through ProcessServices, not by hand)
//   speech    SpeechEngineFactory::FactorySeam   the engine a talker creates
//   net       InetControls::FactorySeam     the transfer control a transfer creates
//             UpdateHandOff::InstallFolderSeam   the folder the installer would update
//             UpdateHandOff::StartSeam      who starts the installer (tests capture it)
//             ProxySecretStore::ServiceSeam which secret store keeps the proxy password
//   platform  AudioPlayer::ForceSilentSeam  play into silence even with a sound device
//             RenderWorker::ProgramSeam     the program that renders in parallel (itself)
//             SpeechDispatcherEngine::AddressSeam   the speech-dispatcher daemon to use
//   ui        MessageBoxes::HandlerSeam     who answers a message box (the program installs
//                                           QMessageBox)
//             ShowErrSeam                   who tells the user about a failure (app installs
//                                           the error report window)
//             cSHAREDcDlg::AnswerSeam, frmFileSelect::AnswerSeam   who answers a file dialog
//             ScreenReader::ListenerSeam    who else hears what assistive technology is told
//             VoiceForFile::AnswerSeam      who picks a voice for a file when the reading's
//                                           voice cannot be written to one
//
// Everything else a class touches (folders, files, the document view, bookmarks) it is
// given as a parameter or owns, so tests pass their own instead.
namespace Seam {

// What the point holds now.
template<class Point> typename Point::Type &current()
{
    static typename Point::Type value {};
    return value;
}

// Sets the point for good and returns what it held: the program's start-up, nothing else.
template<class Point> typename Point::Type install(typename Point::Type value)
{
    return std::exchange(current<Point>(), std::move(value));
}

// Replaces the point while the object lives, then restores what it held before.
template<class Point> class Override
{
public:
    explicit Override(typename Point::Type value)
        : m_previous(install<Point>(std::move(value)))
    {
    }
    ~Override() { current<Point>() = std::move(m_previous); }

    Override(const Override &) = delete;
    Override &operator=(const Override &) = delete;

private:
    typename Point::Type m_previous;
};

} // namespace Seam
