#pragma once

#include <QString>

#include <optional>
#include <utility>

// What one document reader gives back: the document's plain text, or why it could not read
// it, in a few plain words for the "Details: " line of the user's message ("the ZIP container
// is damaged", "the document is encrypted"). Readers never throw.
struct CMReadResult
{
    std::optional<QString> text;
    QString failure;

    static CMReadResult ok(QString text) { return {std::move(text), {}}; }
    static CMReadResult fail(QString reason) { return {std::nullopt, std::move(reason)}; }
    explicit operator bool() const { return text.has_value(); }
};
