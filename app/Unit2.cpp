#include "app/Unit2.h"

#include "platform/Errors.h"
#include "ui_Unit2.h"

#include <QScreen>

TAbout *About = nullptr;

TAbout::TAbout(QWidget *owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_owner(owner), ui(std::make_unique<Ui::TAbout>())
{
    ui->setupUi(this);
    setFixedSize(298, 158);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    connect(ui->ProButton1, &QPushButton::clicked, this, Guarded(this, &TAbout::ProButton1Click));
}

TAbout::~TAbout() = default;

// Close: the main window takes input again, and the box hides.
void TAbout::ProButton1Click()
{
    if (m_owner)
        m_owner->setEnabled(true);
    hide();
}
