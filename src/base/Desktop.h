#pragma once

#include <QUrl>
#include <functional>

// Hands a file or an address to the desktop: the associated viewer for a file, the web
// browser or the mail client for an address (xdg-open on a Linux desktop). Everything Orlin
// opens outside itself goes through here, so tests see what would have been opened.
namespace Desktop {

// True when the desktop took the address; false when nothing could open it.
bool open(const QUrl &url);

// Who opens addresses (see base/Seam.h). Empty: QDesktopServices.
struct OpenSeam
{
    using Type = std::function<bool(const QUrl &url)>;
};

} // namespace Desktop
