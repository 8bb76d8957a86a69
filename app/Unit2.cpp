#include "app/Unit2.h"

#include "controls/Abcversn.h"
#include "platform/Errors.h"
#include "platform/FormLoading.h"
#include "ui_Unit2.h"

#include "Version.h"

#include <QCloseEvent>
#include <QScreen>
#include <QWindow>

TAbout *About = nullptr;

namespace {

QFont FormFont(const QString &family, const QString &fallback, int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({family, fallback});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

QString TAbout::TitleText()
{
    return QStringLiteral("Glimra %1.%2 RC1").arg(GLIMRA_VERSION_MAJOR).arg(GLIMRA_VERSION_MINOR);
}

// Stays on top like the character map, so that it is never hidden behind it;
// shown later, it lies above it.
TAbout::TAbout(QWidget *owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_owner(owner), ui(std::make_unique<Ui::TAbout>())
{
    setFont(FormFont(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed"), 11, false));
    {
        TFormLoading loading;
        ui->setupUi(this);
        TabcVersionInfoItem *build = ui->abcVersionLabel1->VersionInfo()->Add();
        build->SetKey(QStringLiteral("FileVersion"));
        build->SetCaption(QStringLiteral("Build :"));
    }
    ui->abcVersionLabel1->Loaded();
    ui->ProButton1->Loaded();

    ui->ProLabel1->setFont(FormFont(QStringLiteral("Lucida Console ANSI"), QStringLiteral("DejaVu Sans Mono"), 27, true));
    ui->ProLabel1->SetCaption(TitleText());
    ui->ProLabel2->setFont(FormFont(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed"), 16, true));

    setFixedSize(298, 158);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setWindowIcon(QIcon(QStringLiteral(":/icons/glimra.xpm")));
    ui->ProButton1->setFocus();
    ui->ProButton1->SetOnClick(Guarded(this, &TAbout::ProButton1Click));
}

TAbout::~TAbout() = default;

void TAbout::showEvent(QShowEvent *event)
{
    // Centred with its frame: a window's position is its frame's corner.
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
    QWidget::showEvent(event);
    if (m_owner && windowHandle() && m_owner->windowHandle())
        windowHandle()->setTransientParent(m_owner->windowHandle());
    ui->ProButton1->setFocus();
    raise();
    activateWindow();
}

// However the box is closed, by its button or by the window system (its
// close button, Alt+F4), the main window takes input again. It only hides.
void TAbout::closeEvent(QCloseEvent *event)
{
    if (m_owner)
        m_owner->setEnabled(true);
    event->accept();
}

// Close: the main window takes input again, and the box hides.
void TAbout::ProButton1Click(QObject *)
{
    if (m_owner)
        m_owner->setEnabled(true);
    close();
}
