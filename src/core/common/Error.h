#pragma once

#include <QString>
#include <stdexcept>

namespace tq {

// A failure with a text that the command which started the work shows as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};

// A file that could not be created, read or written.
class FileError : public Error {
public:
    using Error::Error;
};

// The one message of a failed command: "运行中发生错误：" + the error's text +
// ",请与软件发行者联系。".
inline QString generalErrorMessage(const QString &text)
{
    return QStringLiteral("运行中发生错误：") + text + QStringLiteral(",请与软件发行者联系。");
}

} // namespace tq
