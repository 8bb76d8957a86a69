#include "platform/Errors.h"
#include "platform/Registry.h"
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

// Components by name; children of parent unless they are windows.
QObject *Make(const QString &id, QWidget *parent)
{
    QObject *made = nullptr;
    if (id == QLatin1String("window"))
        made = new QWidget(parent, Qt::Window);
    else if (id == QLatin1String("top-level memo")) {
        auto *memo = new QPlainTextEdit(parent);
        memo->setWindowFlag(Qt::Window);
        made = memo;
    }
    else if (id == QLatin1String("plain text edit"))
        made = new QPlainTextEdit(parent);
    else if (id == QLatin1String("text browser"))
        made = new QTextBrowser(parent);
    else if (id == QLatin1String("list widget"))
        made = new QListWidget(parent);
    else if (id == QLatin1String("frame"))
        made = new QFrame(parent);
    else if (id == QLatin1String("group box"))
        made = new QGroupBox(parent);
    else if (id == QLatin1String("table widget"))
        made = new QTableWidget(parent);
    else if (id == QLatin1String("scroll area"))
        made = new QScrollArea(parent);
    else if (id == QLatin1String("tab widget"))
        made = new QTabWidget(parent);
    else if (id == QLatin1String("tab bar"))
        made = new QTabBar(parent);
    else if (id == QLatin1String("tree widget"))
        made = new QTreeWidget(parent);
    else if (id == QLatin1String("list view"))
        made = new QListView(parent);
    else if (id == QLatin1String("status bar"))
        made = new QStatusBar(parent);
    else if (id == QLatin1String("program's status bar"))
        made = new TStatusBar(parent);
    else if (id == QLatin1String("tool bar"))
        made = new QToolBar(parent);
    else if (id == QLatin1String("label"))
        made = new QLabel(parent);
    else if (id == QLatin1String("non-widget"))
        made = new QObject(parent);
    if (made)
        made->setObjectName(QStringLiteral("C1"));
    return made;
}

} // namespace

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
    void builtInDefaults();
    void windowStateRange_data();
    void windowStateRange();
    void viewStyleRange_data();
    void viewStyleRange();
    void wrongTypeIsDefault();
    void firstRun();
    void saveForm_data();
    void saveForm();
    void roundTrip();
    void placeOnScreen_data();
    void placeOnScreen();
    void storedPlaceOffScreen_data();
    void storedPlaceOffScreen();
    void collectionOneItemPerComponent();
    void collectionFreedComponent();
    void emptyNameWritesPlainWords();
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
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("kind");
    QTest::newRow("window") << "window" << int(TStateControl::skForm);
    QTest::newRow("a window first of all") << "top-level memo" << int(TStateControl::skForm);
    QTest::newRow("plain text edit") << "plain text edit" << int(TStateControl::skMemo);
    QTest::newRow("text browser") << "text browser" << int(TStateControl::skMemo);
    QTest::newRow("list widget") << "list widget" << int(TStateControl::skListBox);
    QTest::newRow("frame") << "frame" << int(TStateControl::skPanel);
    QTest::newRow("group box") << "group box" << int(TStateControl::skPanel);
    QTest::newRow("table widget") << "table widget" << int(TStateControl::skGrid);
    QTest::newRow("scroll area") << "scroll area" << int(TStateControl::skScrollingControl);
    QTest::newRow("tab widget") << "tab widget" << int(TStateControl::skTabControl);
    QTest::newRow("tab bar") << "tab bar" << int(TStateControl::skTabControl);
    QTest::newRow("tree widget") << "tree widget" << int(TStateControl::skTreeView);
    QTest::newRow("list view") << "list view" << int(TStateControl::skListView);
    QTest::newRow("status bar") << "status bar" << int(TStateControl::skStatusBar);
    QTest::newRow("program's status bar") << "program's status bar" << int(TStateControl::skStatusBar);
    QTest::newRow("tool bar") << "tool bar" << int(TStateControl::skToolWindow);
    QTest::newRow("label") << "label" << int(TStateControl::skCustomControl);
    QTest::newRow("non-widget") << "non-widget" << int(TStateControl::skCustomControl);
    QTest::newRow("empty item") << "" << int(TStateControl::skCustomControl);
}

// Each component goes to exactly its kind's event, which replaces the
// built-in operation, with the item, the component and Saving.
void TestStateControl::kinds()
{
    QFETCH(QString, id);
    QFETCH(int, kind);
    QWidget form;
    form.setObjectName(QStringLiteral("Main"));
    QObject *component = Make(id, &form);
    QCOMPARE(int(TStateControl::KindOf(component)), kind);

    TStateControl saver(&form);
    saver.SetKeyPath(kKey);
    TControlItem *item = saver.Controls()->Add();
    item->SetControl(component);

    QList<std::tuple<int, TControlItem *, QObject *, bool>> calls;
    for (int k = 0; k < TStateControl::KindCount; ++k) {
        saver.SetEvent(TStateControl::TStateKind(k),
                       [&calls, k](TControlItem *sender, QObject *control, TStateRegistry &registry, bool saving) {
                           calls.append({k, sender, control, saving});
                           if (saving)
                               registry.WriteInteger(QStringLiteral("Seen"), k);
                       });
    }
    saver.SaveState();
    saver.LoadState();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0], std::make_tuple(kind, item, component, true));
    QCOMPARE(calls[1], std::make_tuple(kind, item, component, false));
    QCOMPARE(Stored(QStringLiteral("Seen")), std::optional<int>(kind));
    QVERIFY(StoredWords(QStringLiteral("C1")).isEmpty()); // the built-in did not run
}

void TestStateControl::builtInValues_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("words");
    const QStringList size = {QStringLiteral("Width"), QStringLiteral("Height")};
    QTest::newRow("memo") << "plain text edit" << size;
    QTest::newRow("panel") << "frame" << size;
    QTest::newRow("grid") << "table widget" << size;
    QTest::newRow("tree view") << "tree widget" << size;
    QTest::newRow("list view") << "list view" << (size + QStringList{QStringLiteral("ViewStyle")});
    QTest::newRow("status bar") << "status bar" << (size + QStringList{QStringLiteral("Visible")});
    QTest::newRow("tool bar") << "tool bar" << (size + QStringList{QStringLiteral("Visible")});
    QTest::newRow("custom") << "label" << QStringList();
}

void TestStateControl::builtInValues()
{
    QFETCH(QString, id);
    QFETCH(QStringList, words);
    QWidget form;
    auto *component = static_cast<QWidget *>(Make(id, &form));
    component->resize(123, 77);
    TStateControl saver(&form);
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(component);
    saver.Controls()->Add(); // an empty entry saves nothing

    saver.SaveState();
    QCOMPARE(StoredWords(QStringLiteral("C1")), words);
    if (!words.isEmpty()) {
        QCOMPARE(Stored(QStringLiteral("C1Width")), std::optional<int>(123));
        QCOMPARE(Stored(QStringLiteral("C1Height")), std::optional<int>(77));
    }

    // And back: another size comes back to what was stored.
    component->resize(300, 250);
    saver.LoadState();
    if (!words.isEmpty())
        QCOMPARE(component->size(), QSize(123, 77));
}

void TestStateControl::builtInDefaults()
{
    QWidget form;
    auto *memo = new QPlainTextEdit(&form);
    memo->setObjectName(QStringLiteral("Memo"));
    auto *bar = new QStatusBar(&form);
    bar->setObjectName(QStringLiteral("Bar"));
    bar->hide();
    auto *view = new QListView(&form);
    view->setObjectName(QStringLiteral("View"));
    view->setViewMode(QListView::ListMode);
    TStateControl saver(&form);
    saver.SetKeyPath(kKey);
    for (QObject *c : {static_cast<QObject *>(memo), static_cast<QObject *>(bar), static_cast<QObject *>(view)})
        saver.Controls()->Add()->SetControl(c);

    saver.LoadState();
    const QSize half(Primary().width() / 2, Primary().height() / 2);
    QCOMPARE(memo->size(), half);
    QCOMPARE(bar->size(), half);
    QVERIFY(!bar->isHidden());
    QCOMPARE(view->viewMode(), QListView::IconMode); // large icons
    const int large = view->style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, view);
    QCOMPARE(view->iconSize(), QSize(large, large));
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
    QTest::newRow("0x7fffffff") << 0x7fffffff << 0;
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
    TStateControl saver(form.get());
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.LoadState();
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
    TStateControl saver(&form);
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(view);

    StoreInt(QStringLiteral("ViewViewStyle"), stored);
    saver.LoadState();
    saver.SaveState();
    QCOMPARE(Stored(QStringLiteral("ViewViewStyle")), std::optional<int>(loaded));
}

void TestStateControl::wrongTypeIsDefault()
{
    Store(QStringLiteral("MainWidth"), REG_SZ, RegStringData(QStringLiteral("300")));
    Store(QStringLiteral("MainHeight"), REG_BINARY, QByteArray(8, '\x01'));
    StoreInt(QStringLiteral("MainLeft"), 10);
    StoreInt(QStringLiteral("MainTop"), 11);
    auto form = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    TStateControl saver(form.get());
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.LoadState();
    QCOMPARE(form->size(), QSize(640, 400));
    QCOMPARE(form->pos(), QPoint(10, 11));
}

void TestStateControl::firstRun()
{
    QVERIFY(!KeyExists(kKey));
    auto main = MakeForm(QStringLiteral("Main"), QSize(450, 250));
    main->setMinimumSize(400, 188);
    TStateControl mainSaver(main.get());
    mainSaver.SetKeyPath(kKey);
    mainSaver.Controls()->Add()->SetControl(main.get());
    mainSaver.Controls()->Add();
    mainSaver.LoadState();
    QVERIFY(KeyExists(kKey)); // even a load leaves the key behind
    QVERIFY(StoredWords(QStringLiteral("Main")).isEmpty());

    const QRect screen = Primary();
    QCOMPARE(main->size(), QSize(640, 400));
    QCOMPARE(main->pos(), QPoint((screen.width() - 640) / 2, (screen.height() - 400) / 2));
    QVERIFY(!main->isMaximized());

    // A fixed-size tool window keeps its designed size and is centred.
    auto map = MakeForm(QStringLiteral("Map"), QSize(352, 141), true);
    TStateControl mapSaver(map.get());
    mapSaver.SetKeyPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\CharMap"));
    mapSaver.Controls()->Add()->SetControl(map.get());
    mapSaver.LoadState();
    QCOMPARE(map->size(), QSize(352, 141));
    QCOMPARE(map->pos(), QPoint((screen.width() - 352) / 2, (screen.height() - 141) / 2));
}

void TestStateControl::saveForm_data()
{
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<int>("left");
    QTest::newRow("sizeable") << false << 0
                              << QStringList{"Left", "Top", "Width", "Height", "WindowState"} << 30;
    QTest::newRow("fixed size") << true << 0 << QStringList{"Left", "Top", "WindowState"} << 30;
    // The bounds stored at the last normal save stay as they were.
    QTest::newRow("maximised") << false << 2 << QStringList{"Left", "Top", "WindowState"} << 77;
    QTest::newRow("minimised") << false << 1 << QStringList{"Left", "Top", "WindowState"} << 77;
}

void TestStateControl::saveForm()
{
    QFETCH(bool, fixed);
    QFETCH(int, state);
    QFETCH(QStringList, words);
    QFETCH(int, left);
    StoreInt(QStringLiteral("MainLeft"), 77);
    StoreInt(QStringLiteral("MainTop"), 78);

    auto form = MakeForm(QStringLiteral("Main"), QSize(350, 150), fixed);
    form->move(30, 40);
    if (state == 1)
        form->setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        form->setWindowState(Qt::WindowMaximized);
    TStateControl saver(form.get());
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.SaveState();
    QCOMPARE(StoredWords(QStringLiteral("Main")), words);
    QCOMPARE(Stored(QStringLiteral("MainWindowState")), std::optional<int>(state));
    QCOMPARE(Stored(QStringLiteral("MainLeft")), std::optional<int>(left));
}

// Moved, resized, closed; the next run puts it back, from the settings file.
void TestStateControl::roundTrip()
{
    {
        auto form = MakeForm(QStringLiteral("Main"), QSize(640, 400));
        TStateControl saver(form.get());
        saver.SetKeyPath(kKey);
        saver.Controls()->Add()->SetControl(form.get());
        form->move(30, 40);
        form->resize(500, 300);
        saver.SaveState();
    }
    QFile file(RegRootFileName(HKEY_CURRENT_USER));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[HKEY_CURRENT_USER\\Software\\Torvane\\Glimra 5.0\\Main]"));
    QVERIFY(text.contains("\"MainLeft\"=dword:0000001e"));
    QVERIFY(text.contains("\"MainWidth\"=dword:000001f4"));

    {
        auto form = MakeForm(QStringLiteral("Main"), QSize(640, 400));
        TStateControl saver(form.get());
        saver.SetKeyPath(kKey);
        saver.Controls()->Add()->SetControl(form.get());
        saver.LoadState();
        QCOMPARE(QRect(form->pos(), form->size()), QRect(30, 40, 500, 300));
        form->setWindowState(Qt::WindowMaximized);
        saver.SaveState();
    }
    {
        auto form = MakeForm(QStringLiteral("Main"), QSize(640, 400));
        TStateControl saver(form.get());
        saver.SetKeyPath(kKey);
        saver.Controls()->Add()->SetControl(form.get());
        saver.LoadState();
        QVERIFY(form->isMaximized());
        QCOMPARE(form->size(), QSize(640, 400)); // the designed restore bounds
        QCOMPARE(Stored(QStringLiteral("MainWidth")), std::optional<int>(500));
    }
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
    QTest::newRow("far above") << QPoint(100, -3000) << false;
    QTest::newRow("mostly off, corner on") << QPoint(screen.right() - 20, screen.bottom() - 20) << true;
}

void TestStateControl::storedPlaceOffScreen()
{
    QFETCH(QPoint, stored);
    QFETCH(bool, kept);
    StoreInt(QStringLiteral("MainLeft"), stored.x());
    StoreInt(QStringLiteral("MainTop"), stored.y());
    auto form = MakeForm(QStringLiteral("Main"), QSize(640, 400));
    TStateControl saver(form.get());
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.LoadState();
    QCOMPARE(form->pos() == stored, kept);
    QVERIFY(Primary().intersects(QRect(form->pos(), form->size())));
}

void TestStateControl::collectionOneItemPerComponent()
{
    QWidget form;
    auto *a = new QPlainTextEdit(&form);
    a->setObjectName(QStringLiteral("Memo1"));
    TStateControl saver(&form);
    TControlCollection *items = saver.Controls();
    QCOMPARE(items->Owner(), &saver);
    TControlItem *first = items->Add();
    TControlItem *second = items->Add();
    QCOMPARE(first->DisplayName(), QStringLiteral("TControlItem"));

    first->SetControl(a);
    QCOMPARE(first->DisplayName(), QStringLiteral("Memo1"));
    QCOMPARE(items->FindItem(a), first);
    second->SetControl(a); // moving it empties the first item
    QCOMPARE(first->Control(), nullptr);
    QCOMPARE(second->Control(), a);
    QCOMPARE(items->FindItem(a), second);
    QCOMPARE(items->FindItem(nullptr), first); // the first empty one
    second->SetControl(a);
    QCOMPARE(second->Control(), a);
    QCOMPARE(second->Index(), 1);
}

void TestStateControl::collectionFreedComponent()
{
    QWidget form;
    auto *memo = new QPlainTextEdit(&form);
    memo->setObjectName(QStringLiteral("Memo1"));
    TStateControl saver(&form);
    saver.SetKeyPath(kKey);
    TControlItem *item = saver.Controls()->Add();
    item->SetControl(memo);
    delete memo;
    QCOMPARE(item->Control(), nullptr);
    QCOMPARE(saver.Controls()->FindItem(nullptr), item);
    saver.SaveState(); // skips it
    QVERIFY(StoredWords(QStringLiteral("Memo1")).isEmpty());
    QVERIFY(StoredWords(QString()).isEmpty());
}

void TestStateControl::emptyNameWritesPlainWords()
{
    auto form = MakeForm(QString(), QSize(450, 250));
    form->move(5, 6);
    TStateControl saver(form.get());
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.SaveState();
    QCOMPARE(StoredWords(QString()), (QStringList{"Left", "Top", "Width", "Height", "WindowState"}));
    QCOMPARE(Stored(QStringLiteral("Left")), std::optional<int>(5));
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
    QCOMPARE(first->RootKey(), rkCurrentUser);
    QCOMPARE(first->KeyPath(), QStringLiteral("\\"));
    QCOMPARE(first->Controls()->Count(), 0);
}

void TestStateControl::keyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("valid");
    QTest::newRow("absolute") << "\\Software\\Torvane" << true;
    QTest::newRow("relative") << "Software\\Torvane" << false;
    QTest::newRow("forward slash") << "/Software" << false;
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
    TStateControl saver(form.get());
    saver.SetRootKey(rkUsers);
    saver.SetKeyPath(kKey);
    saver.Controls()->Add()->SetControl(form.get());
    saver.LoadState();
    QCOMPARE(form->size(), QSize(640, 400));
    try {
        saver.SaveState();
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Failed to set data for 'MainLeft'"));
    }
    QDir(fileName).removeRecursively();
}

QTEST_MAIN(TestStateControl)
#include "tst_statecontrol.moc"
