#include "app/BusyScope.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

int gActive = 0;

} // namespace

TBusyScope::TBusyScope(bool stoppable) : m_stoppable(stoppable)
{
    ++gActive;
    QCoreApplication::instance()->installEventFilter(this);
}

TBusyScope::~TBusyScope()
{
    QCoreApplication::instance()->removeEventFilter(this);
    --gActive;
}

bool TBusyScope::Active()
{
    return gActive > 0;
}

bool TBusyScope::Pump(bool wait)
{
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    return !m_stopped;
}

bool TBusyScope::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken here, so that no command's shortcut runs (Esc is Exit's).
        event->accept();
        return true;
    case QEvent::KeyPress:
        if (m_stoppable && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            m_stopped = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        event->ignore();
        return true;
    default:
        return false;
    }
}
