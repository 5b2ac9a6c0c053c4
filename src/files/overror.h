#pragma once

#include <QString>

#include <utility>

// The one error of the file operations: the complete text to show the user, nothing more.
class OVError
{
public:
    explicit OVError(QString message) : m_message(std::move(message)) {}

    const QString &message() const { return m_message; }
    // What any code that shows an error's description shows: the message, unchanged.
    const QString &localizedDescription() const { return m_message; }

    bool operator==(const OVError &) const = default;

private:
    QString m_message;
};
