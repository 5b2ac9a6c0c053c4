#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The pairing token every remote request must carry: 256 random bits, URL-safe, so it fits a
// QR code, a query string and an OSC string alike. It is compared in constant time and is
// never written to a log.
namespace CMRemoteToken {

QByteArray generate();

// True when `given` equals `expected`; the time taken depends only on the expected length.
bool matches(QByteArrayView given, QByteArrayView expected);

} // namespace CMRemoteToken
