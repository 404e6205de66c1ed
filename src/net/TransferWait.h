#pragma once

#include <functional>

class QEventLoop;

// The blocking waits of the transfers (OpenURL, GetFile): the event loop runs, so windows
// stay responsive and the transfer's own events arrive, until the transfer has ended, and
// never past the application's end. Once the application is quitting no loop turns again,
// so a wait that kept asking would spin for ever: it gives up instead.
namespace TransferWait {

// Runs loop until ended() holds; false when the application quit first.
bool until(QEventLoop &loop, const std::function<bool()> &ended);

} // namespace TransferWait
