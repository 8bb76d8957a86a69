#include "app/Unit3.h"

#include "app/Unit1.h"
#include "charmap/zBtn2.h"
#include "platform/Cp437.h"
#include "platform/Errors.h"
#include "textview/RichEdit.h"
#include "platform/StatusBar.h"
#include "platform/StringGrid.h"
#include "settings/MyRegistry.h"
#include "settings/StateControl.h"
#include "ui_Unit3.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QShowEvent>
#include <QWindow>

TMap *Map = nullptr;

QString KeystrokeText(int code)
{
    return QStringLiteral("Keystroke: Alt+0") + QString::number(code);
}

QFont MapFont(const QString &name, const QFont &base)
{
    QFont font = base;
    font.setFamilies({name, QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QFont FitToCell(const QFont &font, int cellHeight)
{
    const int room = cellHeight - 2;
    QFont fitted = font;
    QFontMetrics metrics(fitted);
    for (int size = QFontInfo(font).pixelSize(); metrics.ascent() + metrics.descent() > room && size > 6;) {
        fitted.setPixelSize(--size);
        metrics = QFontMetrics(fitted);
    }
    return fitted;
}

TMap::TMap(QWidget *owner)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TMap>())
{
    // A window of its own rather than a child of Main, so that it stays
    // enabled while Main is disabled; showEvent makes it Main's transient.
    Q_UNUSED(owner);
    ui->setupUi(this);
    setObjectName(QStringLiteral("Map"));
    setFixedSize(352, 141);
    setBackgroundRole(QPalette::Button);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    // The stand-in face must be as narrow as the designed one, or the longest
    // status text runs under the "Font:" label.
    formFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    formFont.setPixelSize(11);
    formFont.setStyleHint(QFont::SansSerif);
    setFont(formFont);

    Grid = ui->Grid;
    StatusB = ui->StatusB;
    FontC = ui->FontC;
    Stat = ui->Stat;
    Label1 = ui->Label1;
    // Static texts are opaque and lie on top of the status bar.
    for (QWidget *text : {static_cast<QWidget *>(ui->StaticText1), static_cast<QWidget *>(ui->StaticText2)})
        text->setAutoFillBackground(true);

    Grid->SetDimensions(32, 7, 10, 15);
    QFont gridFont = MapFont(QString::fromLatin1(DefaultFontName), Grid->font());
    gridFont.setPixelSize(12);
    ApplyGridFont(gridFont);
    // The one panel spans the whole bar.
    StatusB->SetPanelWidths({width()});
    StatusB->SetPanelText(0, QStringLiteral("Keystroke:"));
    QFont statFont = MapFont(QString::fromLatin1(DefaultFontName), Stat->font());
    statFont.setPixelSize(16);
    statFont.setBold(true);
    Stat->setFont(statFont);

    MapSaver = new TStateControl(this);
    MapSaver->setObjectName(QStringLiteral("MapSaver"));
    MapSaver->SetKeyPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\CharMap"));
    MapSaver->Controls()->Add()->SetControl(this);

    connect(Grid, &TStringGrid::SelectCell, this, Guarded(this, &TMap::GridSelectCell));
    connect(Grid, &TStringGrid::MouseUp, this, Guarded(this, &TMap::GridMouseUp));
    connect(Grid, &TStringGrid::KeyPress, this, Guarded(this, &TMap::GridKeyPress));
    FontC->SetOnChange([this](QObject *) { Guarded(this, &TMap::FontCChange)(); });

    FormCreate();
}

TMap::~TMap() = default;

// Reads its visibility and grid font through the main window's store, so the
// main window must exist first.
void TMap::FormCreate()
{
    MapSaver->LoadState();
    bool visible = false;
    QString fontName = QString::fromLatin1(DefaultFontName);
    if (Main && Main->Reg) {
        Main->Reg->SetCanCreate(true);
        Main->Reg->Open();
        visible = Main->Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("Map"), false);
        fontName = Main->Reg->ReadString(QStringLiteral("Misc"), QStringLiteral("MapFont"), fontName);
        Main->Reg->Close();
    }
    SetGridFontName(fontName);
    // Staying on top of Main comes from being its transient window (showEvent).
    QFont gridFont = m_gridFont;
    gridFont.setPointSize(9);
    ApplyGridFont(gridFont);
    Stat->setFont(MapFont(m_gridFontName, Stat->font()));
    FontC->SetFontName(m_gridFontName);
    for (int row = 0; row < Grid->RowCount(); ++row)
        for (int col = 0; col < Grid->ColCount(); ++col)
            Grid->SetCell(col, row, QString(QChar(Cp437::ToUnicode(uchar(MapCellCode(col, row))))));
    if (visible)
        QMetaObject::invokeMethod(this, &QWidget::show, Qt::QueuedConnection); // shown when creation completes
}

// A window that stays on top of everything would hide the message boxes and
// standard dialogs that Main opens; as Main's transient it stays above Main
// while Main's own dialogs, transients too and newer, stack above it.
void TMap::showEvent(QShowEvent *event)
{
    if (Main && windowHandle()) {
        Main->winId();
        windowHandle()->setTransientParent(Main->windowHandle());
    }
    QWidget::showEvent(event);
}

QString TMap::ChosenChar() const
{
    return Label1->text();
}

void TMap::SetGridFontName(const QString &name)
{
    m_gridFontName = name;
    ApplyGridFont(MapFont(name, m_gridFont));
}

void TMap::ApplyGridFont(const QFont &font)
{
    m_gridFont = font;
    Grid->setFont(FitToCell(font, Grid->DefaultRowHeight()));
}

void TMap::GridSelectCell(int col, int row)
{
    const int code = MapCellCode(col, row);
    Label1->setText(Grid->Cell(col, row));
    StatusB->SetPanelText(0, KeystrokeText(code));
    Stat->setText(Label1->text());
}

void TMap::GridMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &)
{
    if (button != Qt::LeftButton || ChosenChar().isEmpty() || !Main)
        return;
    Main->richedit->ReplaceSel(ChosenChar(), false);
}

void TMap::GridKeyPress(QChar)
{
    if (!Main)
        return;
    Main->activateWindow();
    Main->richedit->setFocus(Qt::OtherFocusReason);
}

void TMap::FontCChange()
{
    const QString name = FontC->FontName();
    if (name.isEmpty())
        return;
    SetGridFontName(name);
    Stat->setFont(MapFont(name, Stat->font()));
}
