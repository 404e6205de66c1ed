#include "net/InetControl.h"

#include "net/CurlInetControl.h"

#include <utility>

InetControl::InetControl(QObject *parent)
    : QObject(parent)
{
}

InetControl::~InetControl() = default;

namespace InetControls {

namespace {
Factory &factorySlot()
{
    static Factory f;
    return f;
}
} // namespace

std::unique_ptr<InetControl> create()
{
    if (const Factory &f = factorySlot())
        return f();
    return std::make_unique<CurlInetControl>();
}

Factory setFactory(Factory factory)
{
    return std::exchange(factorySlot(), std::move(factory));
}

} // namespace InetControls
