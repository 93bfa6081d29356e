#pragma once

#include <QString>

namespace vantrel {

// The error of the scanning path: one message, shown by whoever catches it.
class CExcept {
public:
    explicit CExcept(QString message) : m_message(std::move(message)) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace vantrel
