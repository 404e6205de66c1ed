#pragma once

#include <functional>
#include <memory>

class InternetTransfer;

// What cSHAREDInternet needs of the transfer window when it is to show progress: the
// window (fSHAREDInternet) implements it, so the blocking class owns the transfer
// logic and only borrows a face for it.
class TransferView
{
public:
    virtual ~TransferView() = default;
    // Shows the view modally; returns when hideView is called.
    virtual void showModal() = 0;
    virtual void hideView() = 0;
};

// Makes a view over the given transfer logic, which outlives it.
using TransferViewFactory = std::function<std::unique_ptr<TransferView>(InternetTransfer &)>;
