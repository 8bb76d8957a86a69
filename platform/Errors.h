#pragma once
// The program's failures travel as exceptions to the application's handler.

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

// A failure with a message for the user, and, for a failure of the system,
// its reason ("No such file or directory"), which the error box and the
// command line add to the message.
class EGlimraError : public std::exception
{
public:
    explicit EGlimraError(QString message, QString reason = {})
        : m_message(std::move(message)), m_reason(std::move(reason)), m_utf8(m_message.toUtf8())
    {
    }
    const QString &Message() const noexcept { return m_message; }
    const QString &Reason() const noexcept { return m_reason; }
    // The message with the reason after it, as the user is told.
    QString Text() const { return m_reason.isEmpty() ? m_message : m_message + QStringLiteral(": ") + m_reason; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_reason;
    QByteArray m_utf8;
};

// The silent abort: ends the current command without any message.
class EAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

// The error box text: a full stop is appended when the last character's code
// is above that of the full stop (letters, digits, path characters).
QString ErrorBoxText(const QString &message);

// The application's title, the caption of the error box and the first half
// of the main window's caption. Kept apart from Qt's display name, which the
// window system would append to every caption.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// Shows the exception in flight in the program's error box (caption: the
// application title); the silent abort shows nothing. Call only from a catch.
void HandleCurrentException() noexcept;

namespace GuardedDetail {
// Calls func with the arguments it takes: all of them, or none (a signal's
// checked flag). A template of its own, so that the call it does not make is
// never compiled.
template <typename Func, typename... Args>
void CallWith(const Func &func, Args &&...args)
{
    if constexpr (std::is_invocable_v<const Func &, Args...>)
        func(std::forward<Args>(args)...);
    else
        func();
}
} // namespace GuardedDetail

// Wraps a handler so that a failure stops at the handler's edge and reaches
// the error box, instead of unwinding through the toolkit's frames.
template <typename Func>
auto Guarded(Func func)
{
    // The declared result and the constraint let Qt try the wrapper with
    // fewer arguments without compiling its body for them.
    return [func]<typename... Args>(Args &&...args) -> void
        requires std::is_invocable_v<const Func &, Args...> || std::is_invocable_v<const Func &>
    {
        try {
            GuardedDetail::CallWith(func, std::forward<Args>(args)...);
        } catch (...) {
            HandleCurrentException();
        }
    };
}

template <typename Object, typename... Args>
auto Guarded(Object *object, void (Object::*handler)(Args...))
{
    return Guarded([object, handler](Args... args) { (object->*handler)(args...); });
}
