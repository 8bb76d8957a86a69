#include "platform/Errors.h"
#include "platform/Registry.h"
#include "textview/RichEdit.h"
#include "platform/StatusBar.h"
#include "settings/StateControl.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QtEndian>
#include <memory>
#include <optional>

namespace {

const QString kKey = QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\Main");
const QStringList kWords = {QStringLiteral("Left"),        QStringLiteral("Top"),       QStringLiteral("Width"),
                            QStringLiteral("Height"),      QStringLiteral("WindowState"), QStringLiteral("ViewStyle"),
                            QStringLiteral("Visible")};

bool KeyExists(const QString &path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<int> Stored(const QString &name, const QString &path = kKey)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, &key) != ERROR_SUCCESS)
        return std::nullopt;
    quint32 type = 0;
    QByteArray data;
    const long result = RegQueryValueEx(key, name, &type, &data);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || data.size() != 4)
        return std::nullopt;
    return qFromLittleEndian<qint32>(data.constData());
}

void Store(const QString &name, quint32 type, const QByteArray &data)
{
    HKEY key = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, &key), ERROR_SUCCESS);
    QCOMPARE(RegSetValueEx(key, name, type, data), ERROR_SUCCESS);
    RegCloseKey(key);
}

void StoreInt(const QString &name, int value)
{
    Store(name, REG_DWORD, RegDwordData(quint32(value)));
}

// The property words stored for a component name.
QStringList StoredWords(const QString &component)
{
    QStringList words;
    for (const QString &word : kWords) {
        if (Stored(component + word))
            words << word;
    }
    return words;
}

QRect Primary()
{
    return QGuiApplication::primaryScreen()->geometry();
}

// A top-level window as a form description would make it.
std::unique_ptr<QWidget> MakeForm(const QString &name, QSize size, bool fixed = false)
{
    auto form = std::make_unique<QWidget>();
    form->setObjectName(name);
    form->setGeometry(QRect(QPoint(0, 0), size));
    if (fixed)
        form->setFixedSize(size);
    return form;
}

// A saver of form on kKey with one item per component (null: an empty item).
std::unique_ptr<TStateControl> Saver(QObject *form, const QList<QObject *> &components)
{
    auto saver = std::make_unique<TStateControl>(form);
    saver->SetKeyPath(kKey);
    for (QObject *component : components)
        saver->Controls()->Add()->SetControl(component);
    return saver;
}

// Makes a component named C1, a child of parent (a window of its own when Window).
using TMaker = QObject *(*)(QWidget *parent);

template <typename T, bool Window = false>
QObject *New(QWidget *parent)
{
    auto *made = new T(parent);
    made->setObjectName(QStringLiteral("C1"));
    if constexpr (Window)
        made->setWindowFlag(Qt::Window);
    return made;
}

} // namespace

Q_DECLARE_METATYPE(TMaker)

class TestStateControl : public QObject
{
    Q_OBJECT

public:
    TestStateControl()
    {
        // Before the registry is first used: never the user's own settings.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

private slots:
    void init();

    void kinds_data();
    void kinds();
    void builtInValues_data();
    void builtInValues();
    void windowStateRange_data();
    void windowStateRange();
    void viewStyleRange_data();
    void viewStyleRange();
    void wrongTypeIsDefault();
    void firstRun();
    void saveForm_data();
    void saveForm();
    void placeOnScreen_data();
    void placeOnScreen();
    void storedPlaceOffScreen_data();
    void storedPlaceOffScreen();
    void collection();
    void duplicateInstance();
    void keyPath_data();
    void keyPath();
    void writeFailureRaised();

private:
    QTemporaryDir m_config;
};

void TestStateControl::init()
{
    QVERIFY(m_config.isValid());
    QFile::remove(RegRootFileName(HKEY_CURRENT_USER));
}

void TestStateControl::kinds_data()
{
    QTest::addColumn<TMaker>("make");
    QTest::addColumn<int>("kind");
    QTest::newRow("window") << &New<QWidget, true> << int(TStateControl::skForm);
    QTest::newRow("a window first of all") << &New<QPlainTextEdit, true> << int(TStateControl::skForm);
    QTest::newRow("plain text edit") << &New<QPlainTextEdit> << int(TStateControl::skMemo);
    QTest::newRow("text browser") << &New<QTextBrowser> << int(TStateControl::skMemo);
    QTest::newRow("the program's text control") << &New<TRichEdit> << int(TStateControl::skMemo);
    QTest::newRow("list widget") << &New<QListWidget> << int(TStateControl::skListBox);
    QTest::newRow("frame") << &New<QFrame> << int(TStateControl::skPanel);
    QTest::newRow("group box") << &New<QGroupBox> << int(TStateControl::skPanel);
    QTest::newRow("table widget") << &New<QTableWidget> << int(TStateControl::skGrid);
    QTest::newRow("scroll area") << &New<QScrollArea> << int(TStateControl::skScrollingControl);
    QTest::newRow("tab widget") << &New<QTabWidget> << int(TStateControl::skTabControl);
    QTest::newRow("tab bar") << &New<QTabBar> << int(TStateControl::skTabControl);
    QTest::newRow("tree widget") << &New<QTreeWidget> << int(TStateControl::skTreeView);
    QTest::newRow("list view") << &New<QListView> << int(TStateControl::skListView);
    QTest::newRow("status bar") << &New<QStatusBar> << int(TStateControl::skStatusBar);
    QTest::newRow("program's status bar") << &New<TStatusBar> << int(TStateControl::skStatusBar);
    QTest::newRow("tool bar") << &New<QToolBar> << int(TStateControl::skToolWindow);
    QTest::newRow("label") << &New<QLabel> << int(TStateControl::skCustomControl);
    QTest::newRow("non-widget") << &New<QObject> << int(TStateControl::skCustomControl);
    QTest::newRow("empty item") << TMaker(nullptr) << int(TStateControl::skCustomControl);
}

// Each component goes to exactly its kind's event, which replaces the
// built-in operation, with the item, the component and Saving.
void TestStateControl::kinds()
{
    QFETCH(TMaker, make);
    QFETCH(int, kind);
    QWidget form;
    form.setObjectName(QStringLiteral("Main"));
    QObject *component = make ? make(&form) : nullptr;
    QCOMPARE(int(TStateControl::KindOf(component)), kind);

    auto saver = Saver(&form, {component});
    TControlItem *item = saver->Controls()->Items(0);
    QList<std::tuple<int, TControlItem *, QObject *, bool>> calls;
    for (int k = 0; k < TStateControl::KindCount; ++k) {
        saver->SetEvent(TStateControl::TStateKind(k),
                        [&calls, k](TControlItem *sender, QObject *control, TStateRegistry &registry, bool saving) {
                            calls.append({k, sender, control, saving});
                            if (saving)
                                registry.WriteInteger(QStringLiteral("Seen"), k);
                        });
    }
    saver->SaveState();
    saver->LoadState();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0], std::make_tuple(kind, item, component, true));
    QCOMPARE(calls[1], std::make_tuple(kind, item, component, false));
    QCOMPARE(Stored(QStringLiteral("Seen")), std::optional<int>(kind));
    QVERIFY(StoredWords(QStringLiteral("C1")).isEmpty()); // the built-in did not run
}

void TestStateControl::builtInValues_data()
{
    QTest::addColumn<TMaker>("make");
    QTest::addColumn<QStringList>("words");
    const QStringList size = {QStringLiteral("Width"), QStringLiteral("Height")};
    QTest::newRow("memo") << &New<QPlainTextEdit> << size;
    QTest::newRow("panel") << &New<QFrame> << size;
    QTest::newRow("grid") << &New<QTableWidget> << size;
    QTest::newRow("tree view") << &New<QTreeWidget> << size;
    QTest::newRow("list view") << &New<QListView> << (size + QStringList{QStringLiteral("ViewStyle")});
    QTest::newRow("status bar") << &New<QStatusBar> << (size + QStringList{QStringLiteral("Visible")});
    QTest::newRow("tool bar") << &New<QToolBar> << (size + QStringList{QStringLiteral("Visible")});
    QTest::newRow("custom") << &New<QLabel> << QStringList();
}

void TestStateControl::builtInValues()
{
    QFETCH(TMaker, make);
    QFETCH(QStringList, words);
    QWidget form;
    auto *component = static_cast<QWidget *>(make(&form));
    const QSize designed = component->size();
    component->hide();
    auto *view = qobject_cast<QListView *>(component);
    if (view)
        view->setViewMode(QListView::ListMode);
    auto saver = Saver(&form, {component, nullptr}); // an empty entry saves nothing

    // Nothing stored yet: half the screen, shown, large icons.
    saver->LoadState();
    const QSize half(Primary().width() / 2, Primary().height() / 2);
    QCOMPARE(component->size(), words.isEmpty() ? designed : half);
    QCOMPARE(component->isHidden(), !words.contains(QStringLiteral("Visible")));
    if (view) {
        QCOMPARE(view->viewMode(), QListView::IconMode);
        const int large = view->style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, view);
        QCOMPARE(view->iconSize(), QSize(large, large));
    }

    component->resize(123, 77);
    saver->SaveState();
    QCOMPARE(StoredWords(QStringLiteral("C1")), words);
    if (!words.isEmpty()) {
        QCOMPARE(Stored(QStringLiteral("C1Width")), std::optional<int>(123));
        QCOMPARE(Stored(QStringLiteral("C1Height")), std::optional<int>(77));
    }

    // And back: another size comes back to what was stored.
    component->resize(300, 250);
    saver->LoadState();
    if (!words.isEmpty())
        QCOMPARE(component->size(), QSize(123, 77));
}

void TestStateControl::windowStateRange_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("state"); // 0 normal, 1 minimised, 2 maximised
    QTest::newRow("normal") << 0 << 0;
    QTest::newRow("minimised") << 1 << 1;
    QTest::newRow("maximised") << 2 << 2;
    QTest::newRow("3") << 3 << 0;
    QTest::newRow("-1") << -1 << 0;
}

void TestStateControl::windowStateRange()
{
    QFETCH(int, stored);
    QFETCH(int, state);
    StoreInt(QStringLiteral("MainWindowState"), stored);
    StoreInt(QStringLiteral("MainLeft"), 21);
    StoreInt(QStringLiteral("MainTop"), 22);
    StoreInt(QStringLiteral("MainWidth"), 500);
    StoreInt(QStringLiteral("MainHeight"), 300);

    auto form = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    Saver(form.get(), {form.get()})->LoadState();
    QCOMPARE(form->isMinimized(), state == 1);
    QCOMPARE(form->isMaximized(), state == 2);
    // Only a normal window takes the stored bounds; the others keep the
    // designed ones to be restored to.
    if (state == 0) {
        QCOMPARE(QRect(form->pos(), form->size()), QRect(21, 22, 500, 300));
    } else {
        QCOMPARE(form->size(), QSize(450, 250));
        QVERIFY(form->pos() != QPoint(21, 22));
    }
}

void TestStateControl::viewStyleRange_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("loaded"); // as saved again
    QTest::newRow("large icons") << 0 << 0;
    QTest::newRow("small icons") << 1 << 1;
    QTest::newRow("list") << 2 << 2;
    QTest::newRow("report shows as list") << 3 << 2;
    QTest::newRow("4") << 4 << 0;
    QTest::newRow("-1") << -1 << 0;
}

void TestStateControl::viewStyleRange()
{
    QFETCH(int, stored);
    QFETCH(int, loaded);
    QWidget form;
    auto *view = new QListView(&form);
    view->setObjectName(QStringLiteral("View"));
    view->setViewMode(QListView::ListMode);
    view->setIconSize(QSize(5, 5));
    auto saver = Saver(&form, {view});

    StoreInt(QStringLiteral("ViewViewStyle"), stored);
    saver->LoadState();
    saver->SaveState();
    QCOMPARE(Stored(QStringLiteral("ViewViewStyle")), std::optional<int>(loaded));
}

void TestStateControl::wrongTypeIsDefault()
{
    Store(QStringLiteral("MainWidth"), REG_SZ, RegStringData(QStringLiteral("300")));
    Store(QStringLiteral("MainHeight"), REG_BINARY, QByteArray(8, '\x01'));
    StoreInt(QStringLiteral("MainLeft"), 10);
    StoreInt(QStringLiteral("MainTop"), 11);
    auto form = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    Saver(form.get(), {form.get()})->LoadState();
    QCOMPARE(form->size(), QSize(640, 400));
    QCOMPARE(form->pos(), QPoint(10, 11));
}

void TestStateControl::firstRun()
{
    QVERIFY(!KeyExists(kKey));
    auto main = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    main->setMinimumSize(400, 188);
    Saver(main.get(), {main.get(), nullptr})->LoadState();
    QVERIFY(KeyExists(kKey)); // even a load leaves the key behind
    QVERIFY(StoredWords(QStringLiteral("Main")).isEmpty());

    const QRect screen = Primary();
    QCOMPARE(main->size(), QSize(640, 400));
    QCOMPARE(main->pos(), QPoint((screen.width() - 640) / 2, (screen.height() - 400) / 2));
    QVERIFY(!main->isMaximized());

    // A fixed-size tool window keeps its designed size and is centred.
    auto map = MakeForm(QStringLiteral("Map"), QSize(352, 141), true);
    auto mapSaver = Saver(map.get(), {map.get()});
    mapSaver->SetKeyPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\CharMap"));
    mapSaver->LoadState();
    QCOMPARE(map->size(), QSize(352, 141));
    QCOMPARE(map->pos(), QPoint((screen.width() - 352) / 2, (screen.height() - 141) / 2));
}

void TestStateControl::saveForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<int>("left");
    const QStringList all = {"Left", "Top", "Width", "Height", "WindowState"};
    QTest::newRow("sizeable") << "Main" << false << 0 << all << 30;
    QTest::newRow("fixed size") << "Main" << true << 0 << QStringList{"Left", "Top", "WindowState"} << 30;
    // The bounds stored at the last normal save stay as they were.
    QTest::newRow("maximised") << "Main" << false << 2 << QStringList{"Left", "Top", "WindowState"} << 77;
    QTest::newRow("minimised") << "Main" << false << 1 << QStringList{"Left", "Top", "WindowState"} << 77;
    // A form without a name writes the plain words.
    QTest::newRow("no name") << "" << false << 0 << all << 30;
}

void TestStateControl::saveForm()
{
    QFETCH(QString, name);
    QFETCH(bool, fixed);
    QFETCH(int, state);
    QFETCH(QStringList, words);
    QFETCH(int, left);
    StoreInt(name + QStringLiteral("Left"), 77);
    StoreInt(name + QStringLiteral("Top"), 78);

    auto form = MakeForm(name, QSize(350, 150), fixed);
    form->move(30, 40);
    if (state == 1)
        form->setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        form->setWindowState(Qt::WindowMaximized);
    Saver(form.get(), {form.get()})->SaveState();
    QCOMPARE(StoredWords(name), words);
    QCOMPARE(Stored(name + QStringLiteral("WindowState")), std::optional<int>(state));
    QCOMPARE(Stored(name + QStringLiteral("Left")), std::optional<int>(left));
}

void TestStateControl::placeOnScreen_data()
{
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("on the primary") << QRect(10, 20, 300, 200) << QPoint(10, 20);
    QTest::newRow("partly off the left") << QRect(-250, 20, 300, 200) << QPoint(-250, 20);
    QTest::newRow("on the second screen") << QRect(1100, 100, 300, 200) << QPoint(1100, 100);
    QTest::newRow("right of every screen") << QRect(3000, 100, 300, 200) << QPoint(350, 300);
    QTest::newRow("below the primary") << QRect(10, 900, 300, 200) << QPoint(350, 300);
    QTest::newRow("above") << QRect(10, -500, 300, 200) << QPoint(350, 300);
    QTest::newRow("larger than the screen") << QRect(-5000, 0, 1200, 900) << QPoint(0, 0);
}

void TestStateControl::placeOnScreen()
{
    QFETCH(QRect, bounds);
    QFETCH(QPoint, expected);
    // The second screen stands right of the primary, shorter than it.
    const QList<QRect> screens = {QRect(0, 0, 1000, 800), QRect(1000, 0, 800, 600)};
    QCOMPARE(TStateControl::PlaceOnScreen(bounds, screens, screens.first()), expected);
}

void TestStateControl::storedPlaceOffScreen_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::addColumn<bool>("kept");
    const QRect screen = Primary();
    QTest::newRow("unplugged monitor") << QPoint(screen.right() + 2000, 100) << false;
    QTest::newRow("mostly off, corner on") << QPoint(screen.right() - 20, screen.bottom() - 20) << true;
}

void TestStateControl::storedPlaceOffScreen()
{
    QFETCH(QPoint, stored);
    QFETCH(bool, kept);
    StoreInt(QStringLiteral("MainLeft"), stored.x());
    StoreInt(QStringLiteral("MainTop"), stored.y());
    auto form = MakeForm(QStringLiteral("Main"), QSize(640, 400));
    Saver(form.get(), {form.get()})->LoadState();
    QCOMPARE(form->pos() == stored, kept);
    QVERIFY(Primary().intersects(QRect(form->pos(), form->size())));
}

// One item per component; a freed component empties its item, which saves nothing.
void TestStateControl::collection()
{
    QWidget form;
    auto *memo = new QPlainTextEdit(&form);
    memo->setObjectName(QStringLiteral("Memo1"));
    auto saver = Saver(&form, {nullptr, nullptr});
    TControlCollection *items = saver->Controls();
    TControlItem *first = items->Items(0);
    TControlItem *second = items->Items(1);

    first->SetControl(memo);
    QCOMPARE(first->DisplayName(), QStringLiteral("Memo1"));
    QCOMPARE(items->FindItem(memo), first);
    second->SetControl(memo); // moving it empties the first item
    QCOMPARE(first->Control(), nullptr);
    QCOMPARE(second->Control(), memo);
    QCOMPARE(items->FindItem(memo), second);
    QCOMPARE(items->FindItem(nullptr), first); // the first empty one
    second->SetControl(memo);
    QCOMPARE(second->Control(), memo);
    QCOMPARE(second->Index(), 1);

    delete memo;
    QCOMPARE(second->Control(), nullptr);
    saver->SaveState(); // skips it
    QVERIFY(StoredWords(QStringLiteral("Memo1")).isEmpty());
    QVERIFY(StoredWords(QString()).isEmpty());
}

void TestStateControl::duplicateInstance()
{
    QWidget form;
    auto *first = new TStateControl(&form);
    try {
        new TStateControl(&form);
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("You cannot create more than one TStateControl instance in one form"));
    }
    QCOMPARE(form.findChildren<TStateControl *>(), QList<TStateControl *>{first});
}

void TestStateControl::keyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("valid");
    QTest::newRow("absolute") << "\\Software\\Torvane" << true;
    QTest::newRow("relative") << "Software\\Torvane" << false;
    QTest::newRow("empty") << "" << false;
}

void TestStateControl::keyPath()
{
    QFETCH(QString, path);
    QFETCH(bool, valid);
    QObject form;
    TStateControl saver(&form);
    saver.SetKeyPath(QStringLiteral("\\Old"));
    try {
        saver.SetKeyPath(path);
        QVERIFY(valid);
        QCOMPARE(saver.KeyPath(), path);
    } catch (const EGlimraError &e) {
        QVERIFY(!valid);
        QCOMPARE(e.Message(), QStringLiteral("The KeyPath must begin with backslash (\\)"));
        QCOMPARE(saver.KeyPath(), QStringLiteral("\\Old"));
    }
}

// A key that cannot be created: loading keeps defaults, saving stops at the
// first write with the value's name.
void TestStateControl::writeFailureRaised()
{
    const QString fileName = RegRootFileName(HKEY_USERS);
    QVERIFY(QDir().mkpath(fileName)); // a directory where the root's file belongs
    auto form = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    auto saver = Saver(form.get(), {form.get()});
    saver->SetRootKey(rkUsers);
    saver->LoadState();
    QCOMPARE(form->size(), QSize(640, 400));
    try {
        saver->SaveState();
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Failed to set data for 'MainLeft'"));
    }
    QDir(fileName).removeRecursively();
}

QTEST_MAIN(TestStateControl)
#include "tst_statecontrol.moc"
