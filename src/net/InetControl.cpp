#include "net/InetControl.h"

#include "base/Seam.h"
#include "net/CurlInetControl.h"

InetControl::InetControl(QObject *parent)
    : QObject(parent)
{
}

InetControl::~InetControl() = default;

namespace InetControls {

std::unique_ptr<InetControl> create()
{
    if (const Factory &f = Seam::current<FactorySeam>())
        return f();
    return std::make_unique<CurlInetControl>();
}

} // namespace InetControls
