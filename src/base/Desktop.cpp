#include "base/Desktop.h"

#include "base/Seam.h"

#include <QDesktopServices>

namespace Desktop {

bool open(const QUrl &url)
{
    // Copied first: an opener may replace itself while it runs.
    if (const OpenSeam::Type opener = Seam::current<OpenSeam>())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

} // namespace Desktop
