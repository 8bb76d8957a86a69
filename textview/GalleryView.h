#pragma once
// Every piece of a folder or pack side by side: a grid of thumbnails, each
// with its name under it. The grid shows at once; the thumbnails are drawn
// in the background by what the window gives (called on a thread of its
// own), those on the screen first, and kept for the session in a cache of
// kCached thumbnails, so that a folder of thousands is moved through with
// the keys while it fills in. Enter or a double click opens a piece, Esc
// goes back.

#include <QImage>
#include <QListView>
#include <QString>
#include <QStringList>

#include <functional>

// A thumbnail and what its tool tip says.
struct TGalleryTile
{
    QImage Image;
    QString ToolTip;
};
// Draws the tile of the piece at an index; called on the gallery's thread.
using TTileMaker = std::function<TGalleryTile(qsizetype index)>;

class TGalleryView : public QListView
{
    Q_OBJECT

public:
    static constexpr int kTileSize = 160;
    static constexpr int kCached = 300;

    explicit TGalleryView(QWidget *parent = nullptr);
    ~TGalleryView() override;

    // The pieces' names (shown without their folders) and the keys of their
    // thumbnails in the cache (the same key, the same thumbnail), current
    // chosen; tiles drawn by maker.
    void Show(const QStringList &names, const QStringList &keys, qsizetype current, TTileMaker maker);
    qsizetype Current() const;
    void SetColors(const QColor &text, const QColor &background);

    // For the tests: whether a piece's thumbnail is drawn and kept, how many
    // are kept, and how many were drawn.
    bool HasTile(qsizetype index) const;
    int Cached() const;
    qsizetype Made() const;

signals:
    void Open(qsizetype index);
    void Back();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    class TModel;
    TModel *m_model;
};
