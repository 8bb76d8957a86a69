#pragma once
// The character map: a stay-on-top tool window of the characters 32 to 255.

#include <QWidget>
#include <memory>

class TStateControl;

namespace Ui {
class TMap;
}

class TMap : public QWidget
{
    Q_OBJECT
public:
    explicit TMap(QWidget *owner);
    ~TMap() override;

    QString GridFontName() const { return m_gridFontName; }

    TStateControl *MapSaver = nullptr;

private:
    void FormCreate();

    std::unique_ptr<Ui::TMap> ui;
    QString m_gridFontName;
};

extern TMap *Map;
