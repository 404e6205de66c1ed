#pragma once

#include <QByteArray>
#include <QList>

// The maker's public keys for update packages, compiled into Orlin and OrlinUpdater. A
// package is installed only when one of them made its signature (net/PackageSignature).
namespace UpdateKeys {

// Each as the base64 line of a minisign ".pub" file. More than one only while a new key
// takes over from an old one (README, "Releasing an update").
QList<QByteArray> MakerKeys();

} // namespace UpdateKeys
