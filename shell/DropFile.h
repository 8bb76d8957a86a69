#pragma once
// Makes one control of its form accept files dragged from a file manager and
// reports each drop with the dropped files' full paths.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QDropEvent;

// Sender, FileList (full paths, in the drag's order), Location (the drop
// point in the control's coordinates), IsClientArea.
using TDropFileEvent =
    std::function<void(QObject *Sender, const QStringList &FileList, QPoint &Location, bool IsClientArea)>;

class TDropFile : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QWidget *Control READ Control WRITE SetControl)

public:
    explicit TDropFile(QObject *owner = nullptr);
    ~TDropFile() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    QWidget *Control() const { return m_control; }
    // Throws EGlimraError when another TDropFile of the same owner already
    // serves the control; this one is then left without a control.
    void SetControl(QWidget *control);

    const TDropFileEvent &OnDropFiles() const { return m_onDropFiles; }
    void SetOnDropFiles(TDropFileEvent handler) { m_onDropFiles = std::move(handler); }

    // A method of a receiver as the handler; skipped once the receiver is gone.
    template <typename Receiver, typename Method>
    void SetOnDropFiles(Receiver *receiver, Method method)
    {
        QPointer<Receiver> guard(receiver);
        m_onDropFiles = [guard, method](QObject *sender, const QStringList &files, QPoint &location,
                                        bool isClientArea) {
            if (guard)
                (guard.data()->*method)(sender, files, location, isClientArea);
        };
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Hook(QWidget *control);
    void Release();
    void HookViewport();
    void ApplyAcceptance();
    void DropFiles(QWidget *target, QDropEvent *event);
    void ControlDestroyed();

    bool m_enabled = true;
    QPointer<QWidget> m_control;
    // The widget the control's drops really arrive at when it is a scroll
    // area; followed if the control ever gets a new viewport.
    QPointer<QWidget> m_viewport;
    // The control's own drop acceptance before it was hooked: its internal
    // drag and drop (moving text) must survive Enabled = false and release.
    bool m_controlAcceptedDrops = false;
    QMetaObject::Connection m_destroyedConnection;
    TDropFileEvent m_onDropFiles;
};
