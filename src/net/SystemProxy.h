#pragma once

#include <QByteArray>

#include <optional>

struct pxProxyFactory_;

// The desktop's proxy for an address, through libproxy: its settings, a PAC file or
// the http_proxy/https_proxy/ftp_proxy/no_proxy variables. One object per thread;
// asking may take a while (a PAC file is fetched and run), so it is asked off the
// user-interface thread.
class SystemProxy
{
public:
    SystemProxy();
    ~SystemProxy();
    SystemProxy(const SystemProxy &) = delete;
    SystemProxy &operator=(const SystemProxy &) = delete;

    // The proxy as libcurl takes it ("http://host:port", "socks5://host:port"), empty
    // for a direct connection, nothing when libproxy has no usable answer (libcurl then
    // reads the variables itself).
    std::optional<QByteArray> proxyFor(const QByteArray &url);

private:
    pxProxyFactory_ *m_factory = nullptr;
};
