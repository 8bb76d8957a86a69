#pragma once
// The character map: a tool window of the characters 32 to 255 that tells
// each one's Alt+0 keystroke and inserts the chosen one into the main text.

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>

class TStateControl;
class TStringGrid;
class TStatusBar;
class TzcFontComboBox;
class QLabel;

namespace Ui {
class TMap;
}

// The character code of a grid cell: row 0 holds 32 to 63, row 6 224 to 255.
constexpr int MapCellCode(int col, int row)
{
    return 32 + 32 * row + col;
}

// "Keystroke: Alt+0" and the code in decimal: Alt+065, Alt+0200.
QString KeystrokeText(int code);

// The grid and preview font: the named face first, then a monospace face that
// has every glyph of the code page, so that a missing face still draws them.
QFont MapFont(const QString &name, const QFont &base);

// The font drawn in a cell of the given height, the text 2 pixels below its
// top: a face whose line is taller than the room is drawn smaller until its
// descenders (the underscore) fit; one that fits is returned as it is.
QFont FitToCell(const QFont &font, int cellHeight);

class TMap : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *DefaultFontName = "Lucida Console ANSI";

    explicit TMap(QWidget *owner);
    ~TMap() override;

    QString GridFontName() const { return m_gridFontName; }
    QString ChosenChar() const; // empty until the first cell is chosen

    TStateControl *MapSaver = nullptr;
    TStringGrid *Grid = nullptr;
    TStatusBar *StatusB = nullptr;
    TzcFontComboBox *FontC = nullptr;
    QLabel *Stat = nullptr;
    QLabel *Label1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void GridSelectCell(int col, int row);
    void GridMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void GridKeyPress(QChar key);
    void FontCChange();
    void SetGridFontName(const QString &name);
    void ApplyGridFont(const QFont &font);

    std::unique_ptr<Ui::TMap> ui;
    QString m_gridFontName;
    QFont m_gridFont; // as set, before fitting it to the cells
};

extern TMap *Map;
