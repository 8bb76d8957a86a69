#include "app/Unit3.h"

#include "ui_Unit3.h"

TMap *Map = nullptr;

TMap::TMap(QWidget *owner)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TMap>())
{
    Q_UNUSED(owner); // a window of its own, so that it stays enabled with Main disabled
    ui->setupUi(this);
    setFixedSize(352, 141);
}

TMap::~TMap() = default;
