#include "app/Unit3.h"

#include "app/Unit1.h"
#include "settings/MyRegistry.h"
#include "settings/StateControl.h"
#include "ui_Unit3.h"

TMap *Map = nullptr;

TMap::TMap(QWidget *owner)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TMap>())
{
    Q_UNUSED(owner); // a window of its own, so that it stays enabled with Main disabled
    ui->setupUi(this);
    setFixedSize(352, 141);
    MapSaver = new TStateControl(this);
    MapSaver->setObjectName(QStringLiteral("MapSaver"));
    MapSaver->SetKeyPath(QStringLiteral("\\Software\\Torvane\\Glimra 5.0\\CharMap"));
    MapSaver->Controls()->Add()->SetControl(this);
    FormCreate();
}

// Reads its visibility and grid font through the main window's store, so the
// main window must exist first.
void TMap::FormCreate()
{
    MapSaver->LoadState();
    bool visible = false;
    m_gridFontName = QStringLiteral("Lucida Console ANSI");
    if (Main && Main->Reg) {
        Main->Reg->SetCanCreate(true);
        Main->Reg->Open();
        visible = Main->Reg->ReadBool(QStringLiteral("Misc"), QStringLiteral("Map"), false);
        m_gridFontName = Main->Reg->ReadString(QStringLiteral("Misc"), QStringLiteral("MapFont"), m_gridFontName);
        Main->Reg->Close();
    }
    if (visible)
        QMetaObject::invokeMethod(this, &QWidget::show, Qt::QueuedConnection); // shown when creation completes
}

TMap::~TMap() = default;
