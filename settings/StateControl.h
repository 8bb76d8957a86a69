#pragma once
// Remembers where a form (and chosen controls of it) stood and how large it
// was, in one registry key, and puts it back when the form asks.

#include "platform/Registry.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <array>
#include <functional>

class QWidget;
class TControlCollection;
class TControlItem;
class TStateControl;

// The values of one TStateControl, all in its one key. Only the registry's
// own read failures turn into the caller's default; a failed write raises
// EGlimraError "Failed to set data for '<name>'".
class TStateRegistry
{
public:
    TStateRegistry(HKEY root, const QString &keyPath); // creates the key when missing
    ~TStateRegistry();
    TStateRegistry(const TStateRegistry &) = delete;
    TStateRegistry &operator=(const TStateRegistry &) = delete;

    bool IsOpen() const { return m_key != 0; }

    int ReadInteger(const QString &name, int defaultValue) const;
    bool ReadBool(const QString &name, bool defaultValue) const;
    void WriteInteger(const QString &name, int value);
    void WriteBool(const QString &name, bool value);

private:
    HKEY m_key = 0;
};

// Sender (the item), Control (its component, possibly none), Registry, Saving.
using TStateEvent =
    std::function<void(TControlItem *Sender, QObject *Control, TStateRegistry &Registry, bool Saving)>;

// One component whose state is kept; the item does not own it and empties
// itself when the component is freed.
class TControlItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *Control READ Control WRITE SetControl)

public:
    explicit TControlItem(TControlCollection *collection);

    QObject *Control() const { return m_control.data(); }
    // A component is referenced by at most one item of a collection: the
    // item that had it before is emptied.
    void SetControl(QObject *control);

    TControlCollection *Collection() const;
    int Index() const;
    QString DisplayName() const; // the component's name, else the class name
    void Assign(const TControlItem &source);

    void LoadState(TStateRegistry &registry);
    void SaveState(TStateRegistry &registry);

private:
    QPointer<QObject> m_control;
};

// The ordered items of a TStateControl; owns them.
class TControlCollection : public QObject
{
    Q_OBJECT

public:
    explicit TControlCollection(TStateControl *owner = nullptr);

    TStateControl *Owner() const { return m_owner; }

    int Count() const { return int(m_items.size()); }
    TControlItem *Items(int index) const { return m_items.at(index); }
    TControlItem *Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TControlItem *item) const { return int(m_items.indexOf(item)); }
    // The first item, in index order, that references component; null if none.
    TControlItem *FindItem(const QObject *component) const;
    void Assign(const TControlCollection &source);

private:
    TStateControl *m_owner;
    QList<TControlItem *> m_items;
};

class TStateControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TRootKey RootKey READ RootKey WRITE SetRootKey)
    Q_PROPERTY(QString KeyPath READ KeyPath WRITE SetKeyPath)
    Q_PROPERTY(TControlCollection *Controls READ Controls)

public:
    enum TRootKey : quint8 { rkClassesRoot, rkCurrentUser, rkLocalMachine, rkUsers, rkCurrentConfig, rkDynData };
    Q_ENUM(TRootKey)

    // The kinds of component, in the order they are tested; an item belongs
    // to the first kind that matches. skCustomControl catches the rest.
    enum TStateKind {
        skForm,
        skMemo,
        skListBox,
        skPanel,
        skGrid,
        skScrollingControl,
        skTabControl,
        skTreeView,
        skListView,
        skStatusBar,
        skToolWindow,
        skPageScroller,
        skCustomControl
    };
    Q_ENUM(TStateKind)
    static constexpr int KindCount = skCustomControl + 1;

    // Throws EGlimraError when the owner already has a TStateControl.
    explicit TStateControl(QObject *owner);
    ~TStateControl() override;

    TRootKey RootKey() const { return m_rootKey; }
    void SetRootKey(TRootKey rootKey) { m_rootKey = rootKey; }
    static HKEY RootHandle(TRootKey rootKey);

    QString KeyPath() const { return m_keyPath; }
    // Throws EGlimraError unless the path begins with a backslash.
    void SetKeyPath(const QString &keyPath);

    TControlCollection *Controls() const { return m_controls; }
    void SetControls(const TControlCollection &controls) { m_controls->Assign(controls); }

    // Per-kind replacements for the built-in save and load.
    const TStateEvent &Event(TStateKind kind) const { return m_events.at(kind); }
    void SetEvent(TStateKind kind, TStateEvent handler) { m_events.at(kind) = std::move(handler); }
    const TStateEvent &OnForm() const { return Event(skForm); }
    void SetOnForm(TStateEvent handler) { SetEvent(skForm, std::move(handler)); }
    const TStateEvent &OnMemo() const { return Event(skMemo); }
    void SetOnMemo(TStateEvent handler) { SetEvent(skMemo, std::move(handler)); }
    const TStateEvent &OnListBox() const { return Event(skListBox); }
    void SetOnListBox(TStateEvent handler) { SetEvent(skListBox, std::move(handler)); }
    const TStateEvent &OnPanel() const { return Event(skPanel); }
    void SetOnPanel(TStateEvent handler) { SetEvent(skPanel, std::move(handler)); }
    const TStateEvent &OnGrid() const { return Event(skGrid); }
    void SetOnGrid(TStateEvent handler) { SetEvent(skGrid, std::move(handler)); }
    const TStateEvent &OnScrollingControl() const { return Event(skScrollingControl); }
    void SetOnScrollingControl(TStateEvent handler) { SetEvent(skScrollingControl, std::move(handler)); }
    const TStateEvent &OnTabControl() const { return Event(skTabControl); }
    void SetOnTabControl(TStateEvent handler) { SetEvent(skTabControl, std::move(handler)); }
    const TStateEvent &OnTreeView() const { return Event(skTreeView); }
    void SetOnTreeView(TStateEvent handler) { SetEvent(skTreeView, std::move(handler)); }
    const TStateEvent &OnListView() const { return Event(skListView); }
    void SetOnListView(TStateEvent handler) { SetEvent(skListView, std::move(handler)); }
    const TStateEvent &OnStatusBar() const { return Event(skStatusBar); }
    void SetOnStatusBar(TStateEvent handler) { SetEvent(skStatusBar, std::move(handler)); }
    const TStateEvent &OnToolWindow() const { return Event(skToolWindow); }
    void SetOnToolWindow(TStateEvent handler) { SetEvent(skToolWindow, std::move(handler)); }
    const TStateEvent &OnPageScroller() const { return Event(skPageScroller); }
    void SetOnPageScroller(TStateEvent handler) { SetEvent(skPageScroller, std::move(handler)); }
    const TStateEvent &OnCustomControl() const { return Event(skCustomControl); }
    void SetOnCustomControl(TStateEvent handler) { SetEvent(skCustomControl, std::move(handler)); }

    // Each opens the key (creating it), runs every item in collection order
    // and closes it again. A failed write is raised to the caller.
    virtual void SaveState();
    virtual void LoadState();

    // The kind an item with this component is dispatched to.
    static TStateKind KindOf(const QObject *component);
    // Runs the kind's event if assigned, else its built-in operation.
    void Dispatch(TControlItem *item, TStateRegistry &registry, bool saving);

    // Where a window at bounds goes so that some of it is on a screen: kept
    // when it touches any of screens, else centred on primary.
    static QPoint PlaceOnScreen(const QRect &bounds, const QList<QRect> &screens, const QRect &primary);

protected:
    virtual void SaveForm(QWidget *form, TStateRegistry &registry);
    virtual void LoadForm(QWidget *form, TStateRegistry &registry);
    virtual void SaveMemo(QWidget *control, TStateRegistry &registry);
    virtual void LoadMemo(QWidget *control, TStateRegistry &registry);
    virtual void SaveListBox(QWidget *control, TStateRegistry &registry);
    virtual void LoadListBox(QWidget *control, TStateRegistry &registry);
    virtual void SavePanel(QWidget *control, TStateRegistry &registry);
    virtual void LoadPanel(QWidget *control, TStateRegistry &registry);
    virtual void SaveGrid(QWidget *control, TStateRegistry &registry);
    virtual void LoadGrid(QWidget *control, TStateRegistry &registry);
    virtual void SaveScrollingControl(QWidget *control, TStateRegistry &registry);
    virtual void LoadScrollingControl(QWidget *control, TStateRegistry &registry);
    virtual void SaveTabControl(QWidget *control, TStateRegistry &registry);
    virtual void LoadTabControl(QWidget *control, TStateRegistry &registry);
    virtual void SaveTreeView(QWidget *control, TStateRegistry &registry);
    virtual void LoadTreeView(QWidget *control, TStateRegistry &registry);
    virtual void SaveListView(QWidget *control, TStateRegistry &registry);
    virtual void LoadListView(QWidget *control, TStateRegistry &registry);
    virtual void SaveStatusBar(QWidget *control, TStateRegistry &registry);
    virtual void LoadStatusBar(QWidget *control, TStateRegistry &registry);
    virtual void SaveToolWindow(QWidget *control, TStateRegistry &registry);
    virtual void LoadToolWindow(QWidget *control, TStateRegistry &registry);
    virtual void SavePageScroller(QWidget *control, TStateRegistry &registry);
    virtual void LoadPageScroller(QWidget *control, TStateRegistry &registry);
    virtual void SaveCustomControl(QObject *control, TStateRegistry &registry);
    virtual void LoadCustomControl(QObject *control, TStateRegistry &registry);

private:
    TRootKey m_rootKey = rkCurrentUser;
    QString m_keyPath = QStringLiteral("\\");
    TControlCollection *m_controls = nullptr;
    std::array<TStateEvent, KindCount> m_events;
};

using TRootKey = TStateControl::TRootKey;
using enum TStateControl::TRootKey;
