#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Plain-text files (TXT, Markdown and every extension without a document reader).
namespace CMPlainText {

// UTF-16 when the bytes start with a byte-order mark; otherwise UTF-8, Windows-1252, then
// Mac OS Roman, the first that decodes every byte. A file with NUL bytes is UTF-16 without a
// byte-order mark when its NULs fall on one side of every pair, and not text otherwise.
// nullopt when nothing decodes it. The text is not normalised.
std::optional<QString> decode(QByteArrayView bytes);

} // namespace CMPlainText
