#include "platform/Errors.h"
#include "textview/RichEdit.h"
#include "shell/DropFile.h"
#include "support/ScriptedDialogs.h"

#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

namespace {

struct Drop
{
    QObject *Sender = nullptr;
    QStringList FileList;
    QPoint Location;
    bool IsClientArea = false;
};

std::unique_ptr<QMimeData> FileData(const QStringList &paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    mime->setUrls(urls);
    return mime;
}

std::unique_ptr<QMimeData> TextData(const QString &text)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setText(text);
    return mime;
}

// Sends what a file manager's drag produces: enter, move, drop. Returns
// whether the drop was accepted.
bool DragAndDrop(QWidget *target, const QMimeData *mime, QPoint pos = QPoint(10, 10),
                 Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    QDragEnterEvent enter(pos, actions, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), actions, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents(); // the handler runs after the drop
    return drop.isAccepted();
}

bool EnterAccepted(QWidget *target, const QMimeData *mime)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

} // namespace

class TestDropFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dropReportsFilesInOrder();
    void clientArea_data();
    void clientArea();
    void acceptance_data();
    void acceptance();
    void enabledTogglesAcceptance();
    void dropWithoutHandlerDoesNothing();
    void duplicateAssignmentFails();
    void reassignmentMovesHook();
    void controlDestroyedReleasesIt();
    void ownDestructionWithdraws();
    void throwingHandlerShowsErrorBox();
    void dropsSurviveNewViewport();

private:
    std::unique_ptr<QWidget> m_form;
    TRichEdit *m_edit = nullptr;
    TDropFile *m_drop = nullptr;
    QList<Drop> m_drops;
};

void TestDropFile::init()
{
    m_form = std::make_unique<QWidget>();
    m_form->setObjectName(QStringLiteral("Main"));
    auto *layout = new QVBoxLayout(m_form.get());
    m_edit = new TRichEdit(m_form.get());
    layout->addWidget(m_edit);
    m_form->resize(400, 300);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    m_drop = new TDropFile(m_form.get());
    m_drop->setObjectName(QStringLiteral("DropFile1"));
    m_drops.clear();
    m_drop->SetOnDropFiles([this](QObject *sender, const QStringList &files, QPoint &location, bool isClientArea) {
        m_drops.append({sender, files, location, isClientArea});
    });
    m_drop->SetControl(m_edit);
}

void TestDropFile::cleanup()
{
    m_form.reset();
}

void TestDropFile::dropReportsFilesInOrder()
{
    const QStringList files = {QStringLiteral("/tmp/b.nfo"), QStringLiteral("/tmp/a dir/c.diz"),
                               QStringLiteral("/tmp/a.txt")};
    const auto mime = FileData(files);
    QDragEnterEvent enter(QPoint(12, 7), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_edit->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(12, 7), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_edit->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction); // never a move: the source must survive
    QVERIFY(m_drops.isEmpty());                  // not before the drop is completed
    QCoreApplication::processEvents();

    QCOMPARE(m_drops.size(), 1);
    QCOMPARE(m_drops[0].Sender, m_drop);
    QCOMPARE(m_drops[0].FileList, files);
    QCOMPARE(m_drops[0].Location, m_edit->viewport()->mapTo(m_edit, QPoint(12, 7)));
    QVERIFY(m_drops[0].IsClientArea);
    QVERIFY(QString::fromLatin1(m_edit->Bytes()).isEmpty()); // the paths are not typed into the text
}

void TestDropFile::clientArea_data()
{
    QTest::addColumn<bool>("onViewport");
    QTest::addColumn<bool>("expected");
    QTest::newRow("text area") << true << true;
    QTest::newRow("frame") << false << false;
}

void TestDropFile::clientArea()
{
    QFETCH(bool, onViewport);
    QFETCH(bool, expected);
    QVERIFY(m_edit->frameWidth() > 0);
    const auto mime = FileData({QStringLiteral("/tmp/x.nfo")});
    QWidget *target = onViewport ? m_edit->viewport() : static_cast<QWidget *>(m_edit);
    QVERIFY(DragAndDrop(target, mime.get(), QPoint(0, 0)));
    QCOMPARE(m_drops.size(), 1);
    QCOMPARE(m_drops[0].IsClientArea, expected);
    QCOMPARE(m_drops[0].Location, target->mapTo(m_edit, QPoint(0, 0)));
}

void TestDropFile::acceptance_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("typed"); // the editor's text afterwards
    QTest::newRow("files") << true << "files" << true << 1 << "";
    QTest::newRow("files, disabled") << false << "files" << false << 0 << "";
    // Not a file: the editor's own business, which takes a link as text.
    QTest::newRow("remote url") << true << "remote" << true << 0 << "https://example.org/one.nfo";
    QTest::newRow("folder and file") << true << "mixed" << true << 1 << "";
    QTest::newRow("text") << true << "text" << true << 0 << "dropped text";
}

void TestDropFile::acceptance()
{
    QFETCH(bool, enabled);
    QFETCH(QString, kind);
    QFETCH(bool, accepted);
    QFETCH(int, events);
    QFETCH(QString, typed);

    auto mime = std::make_unique<QMimeData>();
    if (kind == QLatin1String("files"))
        mime = FileData({QStringLiteral("/tmp/one.nfo")});
    else if (kind == QLatin1String("remote"))
        mime->setUrls({QUrl(QStringLiteral("https://example.org/one.nfo"))});
    else if (kind == QLatin1String("text"))
        mime = TextData(QStringLiteral("dropped text"));
    else
        mime->setUrls({QUrl(QStringLiteral("https://example.org/a")), QUrl::fromLocalFile(QStringLiteral("/tmp"))});

    m_drop->SetEnabled(enabled);
    QCOMPARE(EnterAccepted(m_edit->viewport(), mime.get()), accepted);
    QCOMPARE(DragAndDrop(m_edit->viewport(), mime.get()), accepted);
    QCOMPARE(m_drops.size(), events);
    QCOMPARE(QString::fromLatin1(m_edit->Bytes()), typed);
    if (kind == QLatin1String("mixed"))
        QCOMPARE(m_drops[0].FileList, QStringList{QStringLiteral("/tmp")}); // local ones only
}

void TestDropFile::enabledTogglesAcceptance()
{
    // A plain widget accepts drops only while the component lets it.
    QWidget *plain = new QWidget(m_form.get());
    auto *drop = new TDropFile(m_form.get());
    QVERIFY(!plain->acceptDrops());
    drop->SetControl(plain);
    QVERIFY(plain->acceptDrops());
    drop->SetEnabled(false);
    QVERIFY(!plain->acceptDrops());
    drop->SetEnabled(true);
    QVERIFY(plain->acceptDrops());

    // The editor keeps its own drag and drop of text while files are refused.
    m_drop->SetEnabled(false);
    QVERIFY(m_edit->acceptDrops());
    const auto files = FileData({QStringLiteral("/tmp/one.nfo")});
    QVERIFY(!EnterAccepted(m_edit->viewport(), files.get()));
    m_drop->SetEnabled(true);
    QVERIFY(EnterAccepted(m_edit->viewport(), files.get()));
}

void TestDropFile::dropWithoutHandlerDoesNothing()
{
    m_drop->SetOnDropFiles(TDropFileEvent());
    auto mime = FileData({QStringLiteral("/tmp/one.nfo")});
    mime->setText(QStringLiteral("/tmp/one.nfo"));
    QVERIFY(!DragAndDrop(m_edit->viewport(), mime.get()));
    QVERIFY(QString::fromLatin1(m_edit->Bytes()).isEmpty());
    QVERIFY(m_drops.isEmpty());
}

void TestDropFile::duplicateAssignmentFails()
{
    auto *other = new QPlainTextEdit(m_form.get());
    auto *second = new TDropFile(m_form.get());
    second->SetControl(other);
    QVERIFY(other->acceptDrops());

    try {
        second->SetControl(m_edit);
        QFAIL("no exception");
    } catch (const EGlimraError &e) {
        QCOMPARE(e.Message(), QStringLiteral("You cannot assign more than one TDropFile object to richedit"));
    }
    QCOMPARE(second->Control(), nullptr);
    QCOMPARE(m_drop->Control(), m_edit);

    // The control it had before was released: its files reach nobody.
    int secondDrops = 0;
    second->SetOnDropFiles([&](QObject *, const QStringList &, QPoint &, bool) { ++secondDrops; });
    const auto mime = FileData({QStringLiteral("/tmp/one.nfo")});
    DragAndDrop(other->viewport(), mime.get());
    QCOMPARE(secondDrops, 0);
}

void TestDropFile::reassignmentMovesHook()
{
    QWidget *plain = new QWidget(m_form.get());
    plain->resize(50, 50);
    auto *drop = new TDropFile(m_form.get());
    int count = 0;
    drop->SetOnDropFiles([&](QObject *, const QStringList &, QPoint &, bool) { ++count; });
    drop->SetControl(plain);

    auto *next = new QPlainTextEdit(m_form.get());
    drop->SetControl(next);
    QVERIFY(!plain->acceptDrops());
    const auto mime = FileData({QStringLiteral("/tmp/one.nfo")});
    QVERIFY(!DragAndDrop(plain, mime.get()));
    QCOMPARE(count, 0);
    QVERIFY(DragAndDrop(next->viewport(), mime.get()));
    QCOMPARE(count, 1);
}

void TestDropFile::controlDestroyedReleasesIt()
{
    delete m_edit;
    m_edit = nullptr;
    QCOMPARE(m_drop->Control(), nullptr);

    // The component stays usable and can serve a new control.
    auto *edit = new QPlainTextEdit(m_form.get());
    edit->setObjectName(QStringLiteral("richedit"));
    m_drop->SetControl(edit);
    const auto mime = FileData({QStringLiteral("/tmp/one.nfo")});
    QVERIFY(DragAndDrop(edit->viewport(), mime.get()));
    QCOMPARE(m_drops.size(), 1);
}

void TestDropFile::ownDestructionWithdraws()
{
    QWidget *plain = new QWidget(m_form.get());
    auto *drop = new TDropFile(m_form.get());
    drop->SetControl(plain);
    QVERIFY(plain->acceptDrops());
    delete drop;
    QVERIFY(!plain->acceptDrops());

    delete m_drop;
    m_drop = nullptr;
    QVERIFY(m_edit->acceptDrops()); // the editor's own text drops stay
    const auto mime = TextData(QStringLiteral("still"));
    QVERIFY(DragAndDrop(m_edit->viewport(), mime.get()));
    QCOMPARE(QString::fromLatin1(m_edit->Bytes()), QStringLiteral("still"));
    const auto files = FileData({QStringLiteral("/tmp/one.nfo")});
    DragAndDrop(m_edit->viewport(), files.get());
    QVERIFY(m_drops.isEmpty());
}

void TestDropFile::throwingHandlerShowsErrorBox()
{
    ScriptedDialogs dialogs;
    int calls = 0;
    m_drop->SetOnDropFiles([&](QObject *, const QStringList &files, QPoint &, bool) {
        ++calls;
        if (calls == 1)
            throw EGlimraError(QStringLiteral("Cannot open file ") + files.first());
    });
    const auto mime = FileData({QStringLiteral("/tmp/missing.nfo")});
    QVERIFY(DragAndDrop(m_edit->viewport(), mime.get()));
    QCOMPARE(dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Cannot open file /tmp/missing.nfo.")});

    // The control keeps working: files and text alike.
    QVERIFY(DragAndDrop(m_edit->viewport(), mime.get()));
    QCOMPARE(calls, 2);
    const auto text = TextData(QStringLiteral("abc"));
    QVERIFY(DragAndDrop(m_edit->viewport(), text.get()));
    QCOMPARE(QString::fromLatin1(m_edit->Bytes()), QStringLiteral("abc"));
    QCOMPARE(dialogs.Texts(QStringLiteral("Error")).size(), 1);
}

void TestDropFile::dropsSurviveNewViewport()
{
    QWidget *oldViewport = m_edit->viewport();
    m_edit->setViewport(new QWidget);
    QVERIFY(m_edit->viewport() != oldViewport);
    const auto mime = FileData({QStringLiteral("/tmp/one.nfo")});
    QVERIFY(DragAndDrop(m_edit->viewport(), mime.get()));
    QCOMPARE(m_drops.size(), 1);
    QVERIFY(m_drops.last().IsClientArea);
}

QTEST_MAIN(TestDropFile)
#include "tst_dropfile.moc"
