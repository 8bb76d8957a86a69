#include "shell/DropFile.h"

#include "platform/Errors.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// The full paths of the local files a drag carries, in the drag's order.
QStringList LocalFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

// Copy, never move: a move would let the file manager delete the source.
void AcceptAsCopy(QDropEvent *event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

TDropFile::TDropFile(QObject *owner) : QObject(owner) {}

TDropFile::~TDropFile()
{
    SetEnabled(false);
    SetControl(nullptr);
}

void TDropFile::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_control)
        ApplyAcceptance();
}

void TDropFile::SetControl(QWidget *control)
{
    if (control == m_control)
        return;
    if (m_control)
        Release();
    if (!control)
        return;
    if (QObject *owner = parent()) {
        const QList<TDropFile *> siblings = owner->findChildren<TDropFile *>(Qt::FindDirectChildrenOnly);
        for (const TDropFile *other : siblings) {
            if (other != this && other->Control() == control)
                throw EGlimraError(QStringLiteral("You cannot assign more than one TDropFile object to ")
                                   + control->objectName());
        }
    }
    Hook(control);
}

void TDropFile::Hook(QWidget *control)
{
    m_control = control;
    m_controlAcceptedDrops = control->acceptDrops();
    control->installEventFilter(this);
    HookViewport();
    m_destroyedConnection = connect(control, &QObject::destroyed, this, &TDropFile::ControlDestroyed);
    ApplyAcceptance();
}

void TDropFile::Release()
{
    disconnect(m_destroyedConnection);
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    m_viewport = nullptr;
    if (m_control) {
        m_control->removeEventFilter(this);
        m_control->setAcceptDrops(m_controlAcceptedDrops);
    }
    m_control = nullptr;
}

void TDropFile::ControlDestroyed()
{
    // The control is half gone: forget it without calling into it.
    disconnect(m_destroyedConnection);
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    m_viewport = nullptr;
    m_control = nullptr;
}

void TDropFile::HookViewport()
{
    const auto *area = qobject_cast<QAbstractScrollArea *>(m_control.data());
    QWidget *viewport = area ? area->viewport() : nullptr;
    if (viewport == m_viewport)
        return;
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    m_viewport = viewport;
    if (viewport)
        viewport->installEventFilter(this);
}

void TDropFile::ApplyAcceptance()
{
    // A scroll area passes its acceptance on to its viewport itself.
    m_control->setAcceptDrops(m_enabled || m_controlAcceptedDrops);
}

bool TDropFile::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_control)
        return false;
    if (watched == m_control && (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved)) {
        HookViewport();
        return false;
    }
    if (watched != m_control && watched != m_viewport)
        return false;

    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return false;
    }
    auto *drop = static_cast<QDropEvent *>(event);
    if (LocalFiles(drop->mimeData()).isEmpty())
        return false; // text and other drags stay the control's own business
    if (!m_enabled) {
        drop->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop)
        DropFiles(static_cast<QWidget *>(watched), drop);
    else
        AcceptAsCopy(drop);
    return true;
}

void TDropFile::DropFiles(QWidget *target, QDropEvent *event)
{
    if (!m_onDropFiles) {
        event->ignore();
        return;
    }
    AcceptAsCopy(event);

    const QStringList files = LocalFiles(event->mimeData());
    QPoint location = event->position().toPoint();
    if (target != m_control)
        location = target->mapTo(m_control, location);
    const QRect clientArea = m_viewport ? QRect(m_viewport->mapTo(m_control, QPoint(0, 0)), m_viewport->size())
                                        : m_control->contentsRect();
    const bool isClientArea = clientArea.contains(location);

    // The handler runs once the drop has been completed: it may open modal
    // boxes, and the file manager must not be kept waiting for them.
    QTimer::singleShot(0, this, [this, files, location, isClientArea]() mutable {
        const TDropFileEvent handler = m_onDropFiles; // the handler may replace itself
        if (!handler)
            return;
        try {
            handler(this, files, location, isClientArea);
        } catch (...) {
            HandleCurrentException();
        }
    });
}
