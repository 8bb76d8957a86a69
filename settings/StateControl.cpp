#include "settings/StateControl.h"

#include "platform/Errors.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLCDNumber>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QToolBox>
#include <QTreeView>
#include <QtEndian>

// ---------------------------------------------------------------------------
// TStateRegistry

TStateRegistry::TStateRegistry(HKEY root, const QString &keyPath)
{
    HKEY key = 0;
    if (RegCreateKeyEx(root, keyPath, &key) == ERROR_SUCCESS)
        m_key = key;
}

TStateRegistry::~TStateRegistry()
{
    if (m_key)
        RegCloseKey(m_key);
}

int TStateRegistry::ReadInteger(const QString &name, int defaultValue) const
{
    if (!m_key)
        return defaultValue;
    quint32 type = REG_NONE;
    QByteArray data;
    if (RegQueryValueEx(m_key, name, &type, &data) != ERROR_SUCCESS || type != REG_DWORD || data.size() != 4)
        return defaultValue;
    return qFromLittleEndian<qint32>(data.constData());
}

bool TStateRegistry::ReadBool(const QString &name, bool defaultValue) const
{
    return ReadInteger(name, defaultValue ? 1 : 0) != 0;
}

void TStateRegistry::WriteInteger(const QString &name, int value)
{
    if (!m_key || RegSetValueEx(m_key, name, REG_DWORD, RegDwordData(quint32(value))) != ERROR_SUCCESS)
        throw EGlimraError(QStringLiteral("Failed to set data for '%1'").arg(name));
}

void TStateRegistry::WriteBool(const QString &name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

// ---------------------------------------------------------------------------
// TControlItem

TControlItem::TControlItem(TControlCollection *collection) : QObject(collection) {}

TControlCollection *TControlItem::Collection() const
{
    return static_cast<TControlCollection *>(parent());
}

int TControlItem::Index() const
{
    return Collection() ? Collection()->IndexOf(this) : -1;
}

void TControlItem::SetControl(QObject *control)
{
    if (control == m_control)
        return;
    if (control && Collection()) {
        if (TControlItem *other = Collection()->FindItem(control))
            other->SetControl(nullptr);
    }
    // The QPointer is the free notification: the item empties itself.
    m_control = control;
}

QString TControlItem::DisplayName() const
{
    if (m_control && !m_control->objectName().isEmpty())
        return m_control->objectName();
    return QString::fromLatin1(metaObject()->className());
}

void TControlItem::Assign(const TControlItem &source)
{
    SetControl(source.Control());
}

void TControlItem::LoadState(TStateRegistry &registry)
{
    if (TStateControl *owner = Collection() ? Collection()->Owner() : nullptr)
        owner->Dispatch(this, registry, false);
}

void TControlItem::SaveState(TStateRegistry &registry)
{
    if (TStateControl *owner = Collection() ? Collection()->Owner() : nullptr)
        owner->Dispatch(this, registry, true);
}

// ---------------------------------------------------------------------------
// TControlCollection

TControlCollection::TControlCollection(TStateControl *owner) : QObject(owner), m_owner(owner) {}

TControlItem *TControlCollection::Add()
{
    auto *item = new TControlItem(this);
    m_items.append(item);
    return item;
}

void TControlCollection::Delete(int index)
{
    delete m_items.takeAt(index);
}

void TControlCollection::Clear()
{
    qDeleteAll(m_items);
    m_items.clear();
}

TControlItem *TControlCollection::FindItem(const QObject *component) const
{
    for (TControlItem *item : m_items) {
        if (item->Control() == component)
            return item;
    }
    return nullptr;
}

void TControlCollection::Assign(const TControlCollection &source)
{
    if (&source == this)
        return;
    Clear();
    for (const TControlItem *item : source.m_items)
        Add()->Assign(*item);
}

// ---------------------------------------------------------------------------
// TStateControl

namespace {

QString Name(const QObject *component, const char *word)
{
    return component->objectName() + QLatin1String(word);
}

QSize ScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

QRect PrimaryGeometry()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

// 0 normal, 1 minimised, 2 maximised; full screen counts as maximised, so
// that its bounds are never stored as the normal ones.
int WindowStateOf(const QWidget *form)
{
    if (form->isMinimized())
        return 1;
    if (form->isMaximized() || form->isFullScreen())
        return 2;
    return 0;
}

void ApplyWindowState(QWidget *form, int state)
{
    Qt::WindowStates states = form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (state == 1)
        states |= Qt::WindowMinimized;
    else if (state == 2)
        states |= Qt::WindowMaximized;
    form->setWindowState(states);
}

// Sizeable unless its size is fixed (the fixed-size and dialog borders).
bool IsSizeable(const QWidget *form)
{
    return form->minimumSize() != form->maximumSize()
           && !form->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

void SaveSize(QWidget *control, TStateRegistry &registry)
{
    registry.WriteInteger(Name(control, "Width"), control->width());
    registry.WriteInteger(Name(control, "Height"), control->height());
}

void LoadSize(QWidget *control, TStateRegistry &registry, QSize defaults)
{
    control->resize(registry.ReadInteger(Name(control, "Width"), defaults.width()), control->height());
    control->resize(control->width(), registry.ReadInteger(Name(control, "Height"), defaults.height()));
}

// Half the primary screen, the default size of the controls.
QSize HalfScreen()
{
    const QSize screen = ScreenSize();
    return QSize(screen.width() / 2, screen.height() / 2);
}

// ViewStyle 0 large icons, 1 small icons, 2 list, 3 report. A list view has
// no report layout of its own, so 3 shows as a list.
int ViewStyleOf(const QListView *view)
{
    if (view->viewMode() == QListView::ListMode)
        return 2;
    const int small = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    return view->iconSize().width() > small ? 0 : 1;
}

void ApplyViewStyle(QListView *view, int viewStyle)
{
    const QStyle::PixelMetric metric = viewStyle == 0 ? QStyle::PM_LargeIconSize : QStyle::PM_SmallIconSize;
    const int size = view->style()->pixelMetric(metric, nullptr, view);
    view->setViewMode(viewStyle <= 1 ? QListView::IconMode : QListView::ListMode);
    view->setIconSize(QSize(size, size));
}

bool IsPanel(const QWidget *widget)
{
    if (qobject_cast<const QGroupBox *>(widget))
        return true;
    // Qt's own specialised frames are not panels; a plain frame, or a frame
    // of the program's own, is.
    return qobject_cast<const QFrame *>(widget) && !qobject_cast<const QAbstractScrollArea *>(widget)
           && !qobject_cast<const QLabel *>(widget) && !qobject_cast<const QLCDNumber *>(widget)
           && !qobject_cast<const QSplitter *>(widget) && !qobject_cast<const QStackedWidget *>(widget)
           && !qobject_cast<const QToolBox *>(widget);
}

} // namespace

TStateControl::TStateControl(QObject *owner) : QObject(owner)
{
    if (owner) {
        const QList<TStateControl *> siblings = owner->findChildren<TStateControl *>(Qt::FindDirectChildrenOnly);
        for (const TStateControl *other : siblings) {
            if (other != this)
                throw EGlimraError(QStringLiteral("You cannot create more than one TStateControl instance in one form"));
        }
    }
    m_controls = new TControlCollection(this);
}

TStateControl::~TStateControl() = default;

HKEY TStateControl::RootHandle(TRootKey rootKey)
{
    static constexpr HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                     HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    return rootKey < std::size(roots) ? roots[rootKey] : HKEY_CURRENT_USER;
}

void TStateControl::SetKeyPath(const QString &keyPath)
{
    if (keyPath == m_keyPath)
        return;
    if (!keyPath.startsWith(u'\\'))
        throw EGlimraError(QStringLiteral("The KeyPath must begin with backslash (\\)"));
    m_keyPath = keyPath;
}

void TStateControl::SaveState()
{
    TStateRegistry registry(RootHandle(m_rootKey), m_keyPath);
    for (int i = 0; i < m_controls->Count(); ++i)
        m_controls->Items(i)->SaveState(registry);
}

void TStateControl::LoadState()
{
    TStateRegistry registry(RootHandle(m_rootKey), m_keyPath);
    for (int i = 0; i < m_controls->Count(); ++i)
        m_controls->Items(i)->LoadState(registry);
}

// The kinds and the Qt classes that play them, tested in this order:
//   form window       a top-level window (QWidget::isWindow), whatever its class
//   memo              QPlainTextEdit, QTextEdit (QTextBrowser included), the
//                     program's text control TRichEdit
//   list box          QListWidget
//   panel             QGroupBox, QFrame other than Qt's specialised frames
//   grid              QTableView (QTableWidget included)
//   scrolling control QAbstractScrollArea not claimed by a later kind
//                     (QScrollArea, QGraphicsView, QMdiArea, ...)
//   tab control       QTabWidget, QTabBar
//   tree view         QTreeView (QTreeWidget included)
//   list view         QListView other than QListWidget (its view modes are
//                     the ViewStyle)
//   status bar        QStatusBar, the program's TStatusBar
//   tool window       QToolBar
//   page scroller     Qt has no pager control: a class of the program's own
//                     named TPageScroller
//   custom control    any other component, or none
// Qt's classes nest (a tree view is a scroll area is a frame), so a kind
// excludes the classes of later kinds where they would otherwise match.
TStateControl::TStateKind TStateControl::KindOf(const QObject *component)
{
    if (!component || !component->isWidgetType())
        return skCustomControl;
    const auto *widget = static_cast<const QWidget *>(component);
    if (widget->isWindow())
        return skForm;
    if (qobject_cast<const QPlainTextEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
        || widget->inherits("TRichEdit"))
        return skMemo;
    if (qobject_cast<const QListWidget *>(widget))
        return skListBox;
    if (IsPanel(widget))
        return skPanel;
    if (qobject_cast<const QTableView *>(widget))
        return skGrid;
    if (qobject_cast<const QAbstractScrollArea *>(widget) && !qobject_cast<const QTreeView *>(widget)
        && !qobject_cast<const QListView *>(widget) && !widget->inherits("TPageScroller"))
        return skScrollingControl;
    if (qobject_cast<const QTabWidget *>(widget) || qobject_cast<const QTabBar *>(widget))
        return skTabControl;
    if (qobject_cast<const QTreeView *>(widget))
        return skTreeView;
    if (qobject_cast<const QListView *>(widget))
        return skListView;
    if (qobject_cast<const QStatusBar *>(widget) || widget->inherits("TStatusBar"))
        return skStatusBar;
    if (qobject_cast<const QToolBar *>(widget))
        return skToolWindow;
    if (widget->inherits("TPageScroller"))
        return skPageScroller;
    return skCustomControl;
}

void TStateControl::Dispatch(TControlItem *item, TStateRegistry &registry, bool saving)
{
    QObject *component = item->Control();
    const TStateKind kind = KindOf(component);
    if (const TStateEvent &event = m_events.at(kind)) {
        const TStateEvent handler = event; // the handler may replace itself
        handler(item, component, registry, saving);
        return;
    }
    auto *widget = qobject_cast<QWidget *>(component);
    switch (kind) {
    case skForm:
        saving ? SaveForm(widget, registry) : LoadForm(widget, registry);
        break;
    case skMemo:
        saving ? SaveMemo(widget, registry) : LoadMemo(widget, registry);
        break;
    case skListBox:
        saving ? SaveListBox(widget, registry) : LoadListBox(widget, registry);
        break;
    case skPanel:
        saving ? SavePanel(widget, registry) : LoadPanel(widget, registry);
        break;
    case skGrid:
        saving ? SaveGrid(widget, registry) : LoadGrid(widget, registry);
        break;
    case skScrollingControl:
        saving ? SaveScrollingControl(widget, registry) : LoadScrollingControl(widget, registry);
        break;
    case skTabControl:
        saving ? SaveTabControl(widget, registry) : LoadTabControl(widget, registry);
        break;
    case skTreeView:
        saving ? SaveTreeView(widget, registry) : LoadTreeView(widget, registry);
        break;
    case skListView:
        saving ? SaveListView(widget, registry) : LoadListView(widget, registry);
        break;
    case skStatusBar:
        saving ? SaveStatusBar(widget, registry) : LoadStatusBar(widget, registry);
        break;
    case skToolWindow:
        saving ? SaveToolWindow(widget, registry) : LoadToolWindow(widget, registry);
        break;
    case skPageScroller:
        saving ? SavePageScroller(widget, registry) : LoadPageScroller(widget, registry);
        break;
    case skCustomControl:
        saving ? SaveCustomControl(component, registry) : LoadCustomControl(component, registry);
        break;
    }
}

QPoint TStateControl::PlaceOnScreen(const QRect &bounds, const QList<QRect> &screens, const QRect &primary)
{
    if (screens.isEmpty() || primary.isEmpty())
        return bounds.topLeft();
    for (const QRect &screen : screens) {
        if (screen.intersects(bounds))
            return bounds.topLeft();
    }
    // A window larger than the screen keeps its top left corner on it.
    return QPoint(primary.x() + std::max(0, (primary.width() - bounds.width()) / 2),
                  primary.y() + std::max(0, (primary.height() - bounds.height()) / 2));
}

// Position and size are the window's own position (frame included) and its
// client size, the same pair that move() and resize() take back.
void TStateControl::SaveForm(QWidget *form, TStateRegistry &registry)
{
    const int state = WindowStateOf(form);
    if (state == 0) {
        registry.WriteInteger(Name(form, "Left"), form->x());
        registry.WriteInteger(Name(form, "Top"), form->y());
        if (IsSizeable(form)) {
            registry.WriteInteger(Name(form, "Width"), form->width());
            registry.WriteInteger(Name(form, "Height"), form->height());
        }
    }
    registry.WriteInteger(Name(form, "WindowState"), state);
}

void TStateControl::LoadForm(QWidget *form, TStateRegistry &registry)
{
    int state = registry.ReadInteger(Name(form, "WindowState"), 0);
    if (state < 0 || state > 2)
        state = 0;
    ApplyWindowState(form, state);
    // Minimised or maximised, the window keeps its designed bounds to be
    // restored to.
    if (WindowStateOf(form) != 0)
        return;

    if (IsSizeable(form)) {
        form->resize(registry.ReadInteger(Name(form, "Width"), 640), form->height());
        form->resize(form->width(), registry.ReadInteger(Name(form, "Height"), 400));
    }
    const QRect primary = PrimaryGeometry();
    form->move(registry.ReadInteger(Name(form, "Left"), primary.x() + (primary.width() - form->width()) / 2),
               form->y());
    form->move(form->x(),
               registry.ReadInteger(Name(form, "Top"), primary.y() + (primary.height() - form->height()) / 2));

    // A stored place on a screen that is gone would leave the window out of
    // reach.
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    form->move(PlaceOnScreen(QRect(form->pos(), form->size()), screens, primary));
}

void TStateControl::SaveMemo(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadMemo(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveListBox(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadListBox(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SavePanel(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadPanel(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveGrid(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadGrid(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveScrollingControl(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadScrollingControl(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveTabControl(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadTabControl(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveTreeView(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadTreeView(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
}

void TStateControl::SaveListView(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
    if (const auto *view = qobject_cast<QListView *>(control))
        registry.WriteInteger(Name(control, "ViewStyle"), ViewStyleOf(view));
}

void TStateControl::LoadListView(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
    int viewStyle = registry.ReadInteger(Name(control, "ViewStyle"), 0);
    if (viewStyle < 0 || viewStyle > 3)
        viewStyle = 0;
    if (auto *view = qobject_cast<QListView *>(control))
        ApplyViewStyle(view, viewStyle);
}

void TStateControl::SaveStatusBar(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
    registry.WriteBool(Name(control, "Visible"), !control->isHidden());
}

void TStateControl::LoadStatusBar(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
    control->setVisible(registry.ReadBool(Name(control, "Visible"), true));
}

void TStateControl::SaveToolWindow(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
    registry.WriteBool(Name(control, "Visible"), !control->isHidden());
}

void TStateControl::LoadToolWindow(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, HalfScreen());
    control->setVisible(registry.ReadBool(Name(control, "Visible"), true));
}

void TStateControl::SavePageScroller(QWidget *control, TStateRegistry &registry)
{
    SaveSize(control, registry);
}

void TStateControl::LoadPageScroller(QWidget *control, TStateRegistry &registry)
{
    LoadSize(control, registry, control->size());
}

void TStateControl::SaveCustomControl(QObject *, TStateRegistry &) {}

void TStateControl::LoadCustomControl(QObject *, TStateRegistry &) {}
