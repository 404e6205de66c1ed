#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

// One process of a parallel rendering. espeak-ng and Flite keep their state in globals,
// so texts are synthesised side by side only in separate processes: the program starts
// itself again with --render-worker, and the worker renders the parts it is sent on its
// standard input into audio frames on its standard output (ParallelRenderer is the
// other end). A worker ends when its input closes.
namespace RenderWorker {

constexpr const char *kArgument = "--render-worker";

// The command that starts a worker (program and arguments); empty until a program
// installs itself (installSelf), and then parallel rendering is not offered.
struct ProgramSeam
{
    using Type = QStringList;
};
// Makes this program its own worker: called by programs that handle kArgument.
void installSelf();

// What a worker speaks with: the engine ("espeak-ng" or "flite"), the voice, the rate
// (words per minute) and the pitch as that engine's synthesizer takes it.
struct Setup
{
    QByteArray engine;
    QByteArray voice;
    int rate = 175;
    int pitch = 0;
};

// The worker's main: when the arguments ask for a worker, runs it and returns its exit
// status; otherwise nothing. Call before any Qt application object exists.
std::optional<int> runIfAsked(int argc, char **argv);

// The wire format, little-endian. To the worker: "ORW2", the engine and the voice (each a
// u32 length and bytes), rate and pitch (i32 each); then parts: a u32 count of texts (0 ends), each
// text a u32 length and UTF-8 bytes. From the worker: frames of a u32 kind and a u32
// payload length.
enum Frame : quint32 {
    Audio = 1, // 16-bit samples
    TextDone = 2, // every sample of the part's next text has been sent
    PartDone = 3,
    Error = 4, // UTF-8 description; the worker ends after it
};
constexpr int kFrameHeader = 8;
QByteArray frame(Frame kind, const char *data = nullptr, quint32 bytes = 0);

} // namespace RenderWorker
