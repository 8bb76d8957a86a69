#include "platform/Errors.h"

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

#include "platform/Dialogs.h"

#include <QApplication>
#include <QWidget>

namespace {
QString &Title()
{
    static QString title = QStringLiteral("Glimra");
    return title;
}

void ShowErrorBox(const QString &message)
{
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    TDialogs::Instance().Error(parent, ApplicationTitle(), ErrorBoxText(message));
}
} // namespace

QString ApplicationTitle()
{
    return Title();
}

void SetApplicationTitle(const QString &title)
{
    Title() = title;
}

void HandleCurrentException() noexcept
{
    try {
        try {
            throw;
        } catch (const EAbort &) {
        } catch (const EGlimraError &e) {
            ShowErrorBox(e.Text());
        } catch (const std::exception &e) {
            ShowErrorBox(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowErrorBox(QStringLiteral("Unknown error"));
        }
    } catch (...) {
        // The error box itself failed; nothing more can be shown.
    }
}
