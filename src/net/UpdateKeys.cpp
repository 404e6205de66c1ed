#include "net/UpdateKeys.h"

namespace UpdateKeys {

QList<QByteArray> MakerKeys()
{
    return {
        // minisign public key C1D3258F329EE1CF
        QByteArrayLiteral("RWTP4Z4yjyXTwUPK4aJqhGt9Ajr7Ayd8gOErZOKYNJFln2DoNyW6pFzX"),
    };
}

} // namespace UpdateKeys
