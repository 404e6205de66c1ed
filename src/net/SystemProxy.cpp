#include "net/SystemProxy.h"

#include <proxy.h>

SystemProxy::SystemProxy()
    : m_factory(px_proxy_factory_new())
{
}

SystemProxy::~SystemProxy()
{
    if (m_factory)
        px_proxy_factory_free(m_factory);
}

std::optional<QByteArray> SystemProxy::proxyFor(const QByteArray &url)
{
    if (!m_factory)
        return std::nullopt;
    char **proxies = px_proxy_factory_get_proxies(m_factory, url.constData());
    if (!proxies)
        return std::nullopt;
    std::optional<QByteArray> answer;
    // The list is in order of preference; the first entry libcurl can use wins.
    for (char **p = proxies; *p && !answer; ++p) {
        const QByteArray entry(*p);
        if (entry.startsWith("direct://"))
            answer = QByteArray();
        else if (entry.startsWith("http://") || entry.startsWith("https://")
                 || entry.startsWith("socks4://") || entry.startsWith("socks4a://")
                 || entry.startsWith("socks5://") || entry.startsWith("socks5h://"))
            answer = entry;
        else if (entry.startsWith("socks://"))
            answer = "socks5://" + entry.mid(8);
    }
    px_proxy_factory_free_proxies(proxies);
    return answer;
}
