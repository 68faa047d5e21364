#pragma once
// Root of the errors this program raises. The message is the text a user sees; what() gives it as
// UTF-8 so that any std::exception handler can show it.

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}
    const QString &Message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The text of any caught exception, for a message box.
inline QString ExceptionText(const std::exception &e)
{
    if (auto *own = dynamic_cast<const Exception *>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

// A file that cannot be opened, read or written.
class EFileError : public Exception {
public:
    using Exception::Exception;
};
