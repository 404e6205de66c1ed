#include "net/ProxySecretStore.h"

#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "net/UrlText.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

// GLib's D-Bus headers use "signals" as a name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <future>
#include <thread>
#include <utility>

namespace {

const QString kModule = QStringLiteral("ProxySecretStore");

const SecretSchema *schema()
{
    static const SecretSchema s = [] {
        SecretSchema r {};
        r.name = "org.orlin_reader.Orlin.ProxyPassword";
        r.flags = SECRET_SCHEMA_NONE;
        r.attributes[0] = { "server", SECRET_SCHEMA_ATTRIBUTE_STRING };
        r.attributes[1] = { "port", SECRET_SCHEMA_ATTRIBUTE_STRING };
        r.attributes[2] = { "user", SECRET_SCHEMA_ATTRIBUTE_STRING };
        return r;
    }();
    return &s;
}

// The process's memory of services: those that once did not answer in time are not asked
// again, and each kind of failure is logged once.
struct Memory
{
    QMutex mutex;
    QSet<QString> silent;
    QSet<QString> logged;
};

Memory &memory()
{
    static Memory m;
    return m;
}

bool isSilent(const QString &busName)
{
    QMutexLocker lock(&memory().mutex);
    return memory().silent.contains(busName);
}

void logOnce(const QString &text, const QString &procedure)
{
    {
        QMutexLocker lock(&memory().mutex);
        if (memory().logged.contains(text))
            return;
        memory().logged.insert(text);
    }
    Log().AddAction(text, procedure, kModule);
}

// Without a session bus GLib would try to start one for the process (dbus-launch):
// better to say there is no store.
bool haveSessionBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

// The account's attributes in the store. The server as typed may hold "user:password@";
// that part is not the store's to show.
GHashTable *attributesOf(const ProxySecretStore::Account &account)
{
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free);
    const std::pair<const char *, QString> values[] = {
        { "server", UrlText::withoutCredentials(account.server) },
        { "port", account.port },
        { "user", account.user },
    };
    for (const auto &[name, value] : values)
        g_hash_table_insert(table, const_cast<char *>(name), g_strdup(value.toUtf8().constData()));
    return table;
}

// One blocking exchange with the store, on a thread of its own: `call` gets the service
// (or fails to) and does its work. The caller waits at most `wait`; then the exchange is
// cancelled, which ends it at once, and the service is not asked again by this process.
// Returns the error text, empty when the exchange worked.
template<class Call>
QString exchange(const QString &busName, std::chrono::milliseconds wait, const QString &procedure,
                 Call &&call)
{
    GCancellable *cancellable = g_cancellable_new();
    const QByteArray name = busName.toUtf8();
    QString error;
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread worker([&] {
        GError *e = nullptr;
        // The connection GLib shares in the process would end the whole program when the
        // bus goes away: the program decides its own end.
        if (GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &e)) {
            g_dbus_connection_set_exit_on_close(bus, FALSE);
            SecretService *service = secret_service_open_sync(SECRET_TYPE_SERVICE, name.constData(),
                                                              SECRET_SERVICE_NONE, cancellable, &e);
            if (service) {
                call(service, cancellable, &e);
                g_object_unref(service);
            }
            g_object_unref(bus);
        }
        if (e) {
            error = QString::fromUtf8(e->message);
            g_error_free(e);
        }
        finished.set_value();
    });
    const bool inTime = done.wait_for(wait) == std::future_status::ready;
    if (!inTime)
        g_cancellable_cancel(cancellable);
    worker.join();
    g_object_unref(cancellable);
    if (!inTime) {
        {
            QMutexLocker lock(&memory().mutex);
            memory().silent.insert(busName);
        }
        error = QStringLiteral("no answer within %1 ms").arg(wait.count());
    }
    if (!error.isEmpty())
        logOnce(QStringLiteral("The secret store (%1) is not used: %2").arg(busName, error),
                procedure);
    return error;
}

} // namespace

ProxySecretStore::ProxySecretStore(QString busName, std::chrono::milliseconds wait)
    : m_busName(std::move(busName))
    , m_wait(wait)
{
}

ProxySecretStore::Lookup ProxySecretStore::lookup(const Account &account) const
{
    Lookup result;
    if (m_busName.isEmpty() || isSilent(m_busName) || !haveSessionBus())
        return result;
    std::optional<QString> password;
    const QString error =
        exchange(m_busName, m_wait, QStringLiteral("lookup"),
                 [&](SecretService *service, GCancellable *cancellable, GError **e) {
                     GHashTable *attributes = attributesOf(account);
                     SecretValue *value =
                         secret_service_lookup_sync(service, schema(), attributes, cancellable, e);
                     g_hash_table_unref(attributes);
                     if (value) {
                         gsize length = 0;
                         const gchar *bytes = secret_value_get(value, &length);
                         password = QString::fromUtf8(bytes, qsizetype(length));
                         secret_value_unref(value);
                     }
                 });
    if (error.isEmpty()) {
        result.reachable = true;
        result.password = std::move(password);
    }
    return result;
}

bool ProxySecretStore::store(const Account &account, const QString &password) const
{
    if (m_busName.isEmpty() || isSilent(m_busName) || !haveSessionBus())
        return false;
    bool stored = false;
    const QString error = exchange(
        m_busName, m_wait, QStringLiteral("store"),
        [&](SecretService *service, GCancellable *cancellable, GError **e) {
            QByteArray secret = password.toUtf8();
            SecretValue *value = secret_value_new(secret.constData(), secret.size(), "text/plain");
            secret.fill('\0');
            GHashTable *attributes = attributesOf(account);
            const QByteArray label =
                QStringLiteral("Orlin proxy password (%1@%2:%3)")
                    .arg(account.user, UrlText::withoutCredentials(account.server), account.port)
                    .toUtf8();
            stored =
                secret_service_store_sync(service, schema(), attributes, SECRET_COLLECTION_DEFAULT,
                                          label.constData(), value, cancellable, e);
            g_hash_table_unref(attributes);
            secret_value_unref(value);
        });
    return error.isEmpty() && stored;
}

bool ProxySecretStore::clear(const Account &account) const
{
    if (m_busName.isEmpty() || isSilent(m_busName) || !haveSessionBus())
        return false;
    const QString error =
        exchange(m_busName, m_wait, QStringLiteral("clear"),
                 [&](SecretService *service, GCancellable *cancellable, GError **e) {
                     GHashTable *attributes = attributesOf(account);
                     // False without an error when there was nothing to remove.
                     secret_service_clear_sync(service, schema(), attributes, cancellable, e);
                     g_hash_table_unref(attributes);
                 });
    return error.isEmpty();
}

bool ProxySecretStore::sameEntry(const Account &a, const Account &b)
{
    return UrlText::withoutCredentials(a.server) == UrlText::withoutCredentials(b.server)
        && a.port == b.port && a.user == b.user;
}

ProxySecretStore ProxySecretStore::desktop()
{
    const std::optional<QString> &name = Seam::current<ServiceSeam>();
    return ProxySecretStore(name ? *name : QString::fromLatin1(kDesktopService));
}
