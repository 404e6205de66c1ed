#include "platform/SpeechDispatcherEngine.h"

#include "base/Failure.h"
#include "base/Seam.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include <cstring>
#include <libspeechd.h>
#include <netdb.h>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kSource = QStringLiteral("SpeechDispatcherEngine");
constexpr int kInvalidPropertyValue = 380;
// How long the first engine waits for the daemon to start and list its voices.
constexpr auto kListingTimeout = std::chrono::seconds(8);
// A module whose voices all come in variants (none plain) shows at most this many.
constexpr qsizetype kMaxVariantVoices = 200;

// The espeak-ng module's words per minute at the daemon's rates -100, 0 and 100 (its
// EspeakMinRate, EspeakNormalRate and EspeakMaxRate): other modules follow the same scale
// relative to their own normal rate.
constexpr int kSlowestWpm = 80;
constexpr int kNormalWpm = 170;
constexpr int kFastestWpm = 449;

struct AddressDeleter
{
    void operator()(SPDConnectionAddress *address) const { SPDConnectionAddress__free(address); }
};
using Address = std::unique_ptr<SPDConnectionAddress, AddressDeleter>;

// The address the seam names, or the default one (SPEECHD_ADDRESS, else the user's socket).
Address addressFor(const QString &text, QString *error)
{
    if (text.isEmpty()) {
        char *failure = nullptr;
        Address address(spd_get_default_address(&failure));
        if (!address && error)
            *error = QString::fromLocal8Bit(failure ? failure : "no address");
        free(failure);
        return address;
    }
    Address address(static_cast<SPDConnectionAddress *>(calloc(1, sizeof(SPDConnectionAddress))));
    const QString kind = text.section(QLatin1Char(':'), 0, 0);
    const QString rest = text.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("unix_socket")) {
        address->method = SPD_METHOD_UNIX_SOCKET;
        address->unix_socket_name = strdup(rest.toLocal8Bit().constData());
    } else if (kind == QLatin1String("inet_socket")) {
        address->method = SPD_METHOD_INET_SOCKET;
        address->inet_socket_host =
            strdup(rest.section(QLatin1Char(':'), 0, 0).toUtf8().constData());
        address->inet_socket_port = rest.section(QLatin1Char(':'), 1).toInt();
        if (address->inet_socket_port <= 0)
            address->inet_socket_port = SPEECHD_DEFAULT_PORT;
    } else {
        if (error)
            *error = QStringLiteral("unknown speech-dispatcher address %1").arg(text);
        return {};
    }
    return address;
}

// A connection, or why there is none. Only the user's own daemon is started when it is
// not running.
SPDConnection *openConnection(const QString &addressText, const char *name, QString *error)
{
    Address address = addressFor(addressText, error);
    if (!address)
        return nullptr;
    char *failure = nullptr;
    SPDConnection *connection = spd_open2("Orlin", name, nullptr, SPD_MODE_THREADED, address.get(),
                                          addressText.isEmpty() ? 1 : 0, &failure);
    if (!connection && error)
        *error = QString::fromLocal8Bit(failure ? failure : "cannot connect").trimmed();
    free(failure);
    return connection;
}

struct Listing
{
    QString failure;
    QList<SpeechDispatcherEngine::Voice> voices;
};

// One module's voices as the list shows them: modules such as espeak-ng list every voice
// once more with each of a hundred variants; the plain voices are the list a listener
// can choose from, and a module with variants only shows the first of them.
class ModuleVoices
{
public:
    void add(SpeechDispatcherEngine::Voice voice, const QByteArray &variant)
    {
        if (voice.name.isEmpty())
            return;
        if (variant.isEmpty() || variant == "none")
            m_plain.append(std::move(voice));
        else if (m_variants.size() < kMaxVariantVoices)
            m_variants.append(std::move(voice));
    }
    const QList<SpeechDispatcherEngine::Voice> &shown() const
    {
        return m_plain.isEmpty() ? m_variants : m_plain;
    }

private:
    QList<SpeechDispatcherEngine::Voice> m_plain;
    QList<SpeechDispatcherEngine::Voice> m_variants;
};

// A plain SSIP conversation with the daemon: the client library takes seconds to read a
// list of ten thousand voices (the espeak-ng module's), a straight read a fraction of it.
class SsipSocket
{
public:
    explicit SsipSocket(const SPDConnectionAddress &address)
    {
        if (address.method == SPD_METHOD_UNIX_SOCKET && address.unix_socket_name) {
            sockaddr_un where {};
            const size_t length = std::strlen(address.unix_socket_name);
            if (length >= sizeof where.sun_path)
                return;
            where.sun_family = AF_UNIX;
            std::memcpy(where.sun_path, address.unix_socket_name, length);
            m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (m_fd >= 0
                && ::connect(m_fd, reinterpret_cast<sockaddr *>(&where), sizeof where) != 0)
                closeSocket();
        } else if (address.method == SPD_METHOD_INET_SOCKET && address.inet_socket_host) {
            addrinfo hints {};
            hints.ai_socktype = SOCK_STREAM;
            addrinfo *found = nullptr;
            const QByteArray port = QByteArray::number(address.inet_socket_port);
            if (::getaddrinfo(address.inet_socket_host, port.constData(), &hints, &found) != 0)
                return;
            for (addrinfo *a = found; a && m_fd < 0; a = a->ai_next) {
                m_fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
                if (m_fd >= 0 && ::connect(m_fd, a->ai_addr, a->ai_addrlen) != 0)
                    closeSocket();
            }
            ::freeaddrinfo(found);
        }
    }
    ~SsipSocket() { closeSocket(); }
    SsipSocket(const SsipSocket &) = delete;
    SsipSocket &operator=(const SsipSocket &) = delete;

    bool connected() const { return m_fd >= 0; }

    // The reply's lines without their codes; nothing when the daemon refused or went away.
    std::optional<QList<QByteArray>> ask(const QByteArray &command)
    {
        const QByteArray line = command + "\r\n";
        if (::send(m_fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size())
            return std::nullopt;
        QList<QByteArray> lines;
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n", m_read);
            if (end < 0) {
                m_buffer.remove(0, m_read);
                m_read = 0;
                char chunk[65536];
                const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
                if (n <= 0)
                    return std::nullopt;
                m_buffer.append(chunk, n);
                continue;
            }
            const QByteArray reply = m_buffer.mid(m_read, end - m_read);
            m_read = end + 2;
            if (reply.size() < 4)
                return std::nullopt;
            if (reply.at(3) == ' ')
                return reply.startsWith('2') ? std::optional(lines) : std::nullopt;
            lines << reply.mid(4);
        }
    }

private:
    void closeSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    QByteArray m_buffer;
    qsizetype m_read = 0;
};

std::optional<QList<SpeechDispatcherEngine::Voice>> listVoices(const SPDConnectionAddress &address)
{
    SsipSocket ssip(address);
    if (!ssip.connected() || !ssip.ask("SET SELF CLIENT_NAME orlin:orlin:voices"))
        return std::nullopt;
    const auto modules = ssip.ask("LIST OUTPUT_MODULES");
    if (!modules)
        return std::nullopt;
    QList<SpeechDispatcherEngine::Voice> all;
    for (const QByteArray &module : *modules) {
        if (module == "dummy" || !ssip.ask("SET SELF OUTPUT_MODULE " + module))
            continue;
        const auto lines = ssip.ask("LIST SYNTHESIS_VOICES");
        if (!lines)
            continue;
        ModuleVoices listed;
        for (const QByteArray &line : *lines) {
            const QList<QByteArray> fields = line.split('\t');
            listed.add({ QString::fromUtf8(module), QString::fromUtf8(fields.value(0)),
                         QString::fromUtf8(fields.value(1)) },
                       fields.value(2));
        }
        all += listed.shown();
    }
    return all;
}

Listing makeListing(const QString &address)
{
    Listing listing;
    QString error;
    // Through the client library first: it starts the user's daemon when none runs.
    SPDConnection *connection = openConnection(address, "voices", &error);
    if (!connection) {
        listing.failure = error;
        return listing;
    }
    const Address where = addressFor(address, nullptr);
    const auto voices = where ? listVoices(*where) : std::nullopt;
    spd_close(connection);
    if (!voices)
        listing.failure = QStringLiteral("speech-dispatcher did not list its voices");
    else if (voices->isEmpty())
        listing.failure = QStringLiteral("speech-dispatcher offers no voice");
    else
        listing.voices = *voices;
    return listing;
}

// The daemon is asked once per address and process, on a thread of its own that starts
// as early as the program installs its engines, so the listing runs beside the rest of
// the start-up; a daemon that hangs costs the start-up a few seconds, never the program.
struct PendingListing
{
    std::shared_future<Listing> result;
    std::chrono::steady_clock::time_point started;
};

PendingListing beginListing(const QString &address)
{
    static std::mutex guard;
    static std::map<QString, PendingListing> listings;
    std::lock_guard lock(guard);
    auto it = listings.find(address);
    if (it == listings.end()) {
        auto promise = std::make_shared<std::promise<Listing>>();
        PendingListing pending { promise->get_future().share(), std::chrono::steady_clock::now() };
        // The thread is left to finish on its own: it holds nothing but its promise.
        std::thread([promise, address] { promise->set_value(makeListing(address)); }).detach();
        it = listings.emplace(address, pending).first;
    }
    return it->second;
}

Listing listingFor(const QString &address)
{
    const PendingListing pending = beginListing(address);
    if (pending.result.wait_until(pending.started + kListingTimeout) == std::future_status::ready)
        return pending.result.get();
    return { QStringLiteral("speech-dispatcher did not answer within %1 seconds")
                 .arg(std::chrono::seconds(kListingTimeout).count()),
             {} };
}

// The engines by the daemon's client number, for the library's callbacks.
std::mutex registryGuard;
std::map<size_t, SpeechDispatcherEngine *> registry;

// The words of a text: where each begins and how long it is, without the punctuation
// around it (a run of punctuation alone is no word).
QList<std::pair<int, int>> wordsOf(const QString &text)
{
    QList<std::pair<int, int>> words;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && !text.at(i).isLetterOrNumber())
            ++i;
        const qsizetype start = i;
        while (i < text.size() && !text.at(i).isSpace())
            ++i;
        qsizetype end = i;
        while (end > start && !text.at(end - 1).isLetterOrNumber())
            --end;
        if (end > start)
            words.append({ int(start), int(end - start) });
    }
    return words;
}

QString escaped(QStringView part)
{
    QString out;
    out.reserve(part.size());
    for (QChar c : part) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

// The text from word `from` on as SSML, a mark named by its number before every word.
QString ssmlFrom(const QString &text, const QList<std::pair<int, int>> &words, qsizetype from)
{
    QString ssml = QStringLiteral("<speak>");
    qsizetype at = from < words.size() ? words[from].first : text.size();
    for (qsizetype w = from; w < words.size(); ++w) {
        ssml += escaped(QStringView(text).sliced(at, words[w].first - at));
        ssml += QStringLiteral("<mark name=\"%1\"/>").arg(w);
        at = words[w].first;
    }
    ssml += escaped(QStringView(text).sliced(at));
    ssml += QStringLiteral("</speak>");
    return ssml;
}

bool speakable(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

} // namespace

struct SpeechDispatcherEngine::Private
{
    SPDConnection *connection = nullptr;
    size_t client = 0;
    QList<Voice> voices;
    int voice = 1;
    int speed = kDefaultSpeed;
    int pitch = 0;
    bool dirty = true; // voice, rate or pitch to be told to the daemon before the next message
    quint64 silentCalls = 0; // Speak calls without a word to say, done on the next turn
    quint64 generation = 0; // bumped by a stop

    // The Speak call in progress: its text and words, the daemon's message now saying it
    // (0 while paused or between messages), and the last word heard.
    bool inCall = false;
    QString text;
    QList<std::pair<int, int>> words;
    quint64 current = 0;
    qsizetype lastWord = 0;
    bool begun = false;
    bool paused = false;
};

SpeechDispatcherEngine::SpeechDispatcherEngine(QObject *parent)
    : SpeechEngine(parent)
    , d(std::make_unique<Private>())
{
    const QString address = Seam::current<AddressSeam>();
    const Listing listing = listingFor(address);
    if (!listing.failure.isEmpty())
        throw Failure(FailureCode::CannotCreateComponent, listing.failure, kSource);
    d->voices = listing.voices;
    QString error;
    d->connection = openConnection(address, "reading", &error);
    if (!d->connection)
        throw Failure(FailureCode::CannotCreateComponent, error, kSource);
    d->client = size_t(spd_get_client_id(d->connection));
    {
        std::lock_guard lock(registryGuard);
        registry[d->client] = this;
    }
    d->connection->callback_begin = [](size_t message, size_t client, SPDNotificationType) {
        deliver(message, client, Event::Begin, nullptr);
    };
    d->connection->callback_end = [](size_t message, size_t client, SPDNotificationType) {
        deliver(message, client, Event::End, nullptr);
    };
    d->connection->callback_cancel = [](size_t message, size_t client, SPDNotificationType) {
        deliver(message, client, Event::Cancel, nullptr);
    };
    d->connection->callback_im = [](size_t message, size_t client, SPDNotificationType,
                                    char *mark) { deliver(message, client, Event::Mark, mark); };
    spd_set_notification_on(d->connection, SPD_BEGIN);
    spd_set_notification_on(d->connection, SPD_END);
    spd_set_notification_on(d->connection, SPD_CANCEL);
    spd_set_notification_on(d->connection, SPD_INDEX_MARKS);
    spd_set_data_mode(d->connection, SPD_DATA_SSML);
}

SpeechDispatcherEngine::~SpeechDispatcherEngine()
{
    {
        std::lock_guard lock(registryGuard);
        registry.erase(d->client);
    }
    if (d->connection) {
        if (d->current != 0)
            spd_cancel(d->connection);
        spd_close(d->connection);
    }
}

void SpeechDispatcherEngine::deliver(size_t message, size_t client, Event event, const char *mark)
{
    // On the library's thread: only a queued call reaches the engine, and only while the
    // engine is registered (its destructor unregisters before it goes).
    const QString markText = mark ? QString::fromUtf8(mark) : QString();
    std::lock_guard lock(registryGuard);
    const auto it = registry.find(client);
    if (it == registry.end())
        return;
    SpeechDispatcherEngine *engine = it->second;
    QMetaObject::invokeMethod(
        engine, [engine, message, event, markText] { engine->onEvent(message, event, markText); },
        Qt::QueuedConnection);
}

void SpeechDispatcherEngine::onEvent(quint64 message, Event event, const QString &mark)
{
    // Events of a message that was stopped, or of another client's, change nothing.
    if (message == 0 || message != d->current)
        return;
    switch (event) {
    case Event::Begin:
        if (!d->begun) {
            d->begun = true;
            emit SpeakingStarted();
        }
        break;
    case Event::Mark: {
        bool ok = false;
        const int index = mark.toInt(&ok);
        if (ok && index >= 0 && index < d->words.size()) {
            d->lastWord = index;
            emit SpeakingWord(d->words[index].first, d->words[index].second);
        }
        break;
    }
    case Event::End:
    case Event::Cancel:
        // A cancel that Orlin did not ask for (another program cleared the daemon's queue)
        // counts as the end, so a reading goes on instead of waiting for ever.
        d->current = 0;
        d->inCall = false;
        d->words.clear();
        emit SpeakingDone();
        break;
    }
}

void SpeechDispatcherEngine::startListing()
{
    beginListing(Seam::current<AddressSeam>());
}

bool SpeechDispatcherEngine::listingEnded()
{
    return beginListing(Seam::current<AddressSeam>()).result.wait_for(std::chrono::seconds(0))
        == std::future_status::ready;
}

int SpeechDispatcherEngine::daemonRate(int wordsPerMinute)
{
    const double wpm = std::clamp(wordsPerMinute, kSlowestWpm, kFastestWpm);
    const double rate = wpm <= kNormalWpm ? (wpm - kNormalWpm) * 100.0 / (kNormalWpm - kSlowestWpm)
                                          : (wpm - kNormalWpm) * 100.0 / (kFastestWpm - kNormalWpm);
    return std::clamp(int(std::lround(rate)), -100, 100);
}

int SpeechDispatcherEngine::daemonPitch(int pitch)
{
    // The espeak-ng module reads -100..100 as its 0..100, which Orlin's steps of 5 cover.
    return std::clamp(pitch, -10, 10) * 10;
}

void SpeechDispatcherEngine::setInitialized(int) { }

int SpeechDispatcherEngine::CountEngines() const
{
    return int(d->voices.size());
}

void SpeechDispatcherEngine::checkVoice(int voice) const
{
    if (voice < 1 || voice > d->voices.size())
        throw Failure(FailureCode::InvalidCall,
                      QStringLiteral("Invalid procedure call or argument"), kSource);
}

QString SpeechDispatcherEngine::ModeName(int voice) const
{
    checkVoice(voice);
    const Voice &v = d->voices[voice - 1];
    return v.name + QStringLiteral(" (") + v.module + QLatin1Char(')');
}

QString SpeechDispatcherEngine::ModeLanguage(int voice) const
{
    checkVoice(voice);
    return d->voices[voice - 1].language;
}

VoiceIdentity SpeechDispatcherEngine::Identity(int voice) const
{
    checkVoice(voice);
    const Voice &v = d->voices[voice - 1];
    return { QString::fromLatin1(kEngine), v.module + QLatin1Char('/') + v.name };
}

bool SpeechDispatcherEngine::CanRender(int voice) const
{
    checkVoice(voice);
    return false;
}

void SpeechDispatcherEngine::Select(int voice)
{
    checkVoice(voice);
    if (voice != d->voice)
        d->dirty = true;
    d->voice = voice;
}

int SpeechDispatcherEngine::CurrentMode() const
{
    return d->voice;
}

void SpeechDispatcherEngine::applySettings()
{
    if (!d->dirty)
        return;
    const Voice &v = d->voices[d->voice - 1];
    spd_set_output_module(d->connection, v.module.toUtf8().constData());
    spd_set_synthesis_voice(d->connection, v.name.toUtf8().constData());
    spd_set_voice_rate(d->connection, daemonRate(d->speed));
    spd_set_voice_pitch(d->connection, daemonPitch(d->pitch));
    d->dirty = false;
}

void SpeechDispatcherEngine::finishWithoutSound()
{
    // Nothing to say: done on the next turn of the event loop, unless stopped first.
    ++d->silentCalls;
    QTimer::singleShot(0, this, [this, generation = d->generation] {
        if (generation != d->generation || d->silentCalls == 0)
            return;
        --d->silentCalls;
        emit SpeakingDone();
    });
}

void SpeechDispatcherEngine::Speak(const QString &text)
{
    if (!speakable(text)) {
        finishWithoutSound();
        return;
    }
    d->inCall = true;
    d->text = text;
    d->words = wordsOf(text);
    d->lastWord = 0;
    d->begun = false;
    if (!d->paused)
        sendFrom(0);
}

void SpeechDispatcherEngine::sendFrom(qsizetype word)
{
    applySettings();
    const QByteArray ssml = ssmlFrom(d->text, d->words, word).toUtf8();
    const int message = spd_say(d->connection, SPD_MESSAGE, ssml.constData());
    if (message < 0) {
        d->inCall = false;
        throw Failure(FailureCode::InternalError,
                      QStringLiteral("speech-dispatcher refused the text"), kSource);
    }
    d->current = quint64(message);
}

void SpeechDispatcherEngine::StopSpeaking()
{
    ++d->generation;
    d->silentCalls = 0;
    d->inCall = false;
    d->paused = false;
    d->words.clear();
    if (std::exchange(d->current, 0) != 0)
        spd_cancel(d->connection);
}

void SpeechDispatcherEngine::AudioPause()
{
    // The daemon's own pause leaves a module that plays through it stuck (it never says
    // the message paused, and never resumes it), so a pause cancels the message and
    // Continue says the rest from the word that was being heard.
    if (d->paused)
        return;
    d->paused = true;
    if (std::exchange(d->current, 0) != 0)
        spd_cancel(d->connection);
}

void SpeechDispatcherEngine::AudioResume()
{
    if (!d->paused)
        return;
    d->paused = false;
    if (d->inCall)
        sendFrom(d->lastWord);
}

int SpeechDispatcherEngine::Speaking() const
{
    return d->inCall || d->silentCalls != 0 ? 1 : 0;
}

int SpeechDispatcherEngine::Speed() const
{
    return d->speed;
}

void SpeechDispatcherEngine::setSpeed(int wordsPerMinute)
{
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"), kSource);
    if (wordsPerMinute != d->speed)
        d->dirty = true;
    d->speed = wordsPerMinute;
}

int SpeechDispatcherEngine::Pitch() const
{
    return d->pitch;
}

void SpeechDispatcherEngine::setPitch(int pitch)
{
    if (pitch < -10 || pitch > 10)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"), kSource);
    if (pitch != d->pitch)
        d->dirty = true;
    d->pitch = pitch;
}
