#pragma once
// A picture shown in the document's place (a .png or .gif of a pack or a
// folder), read-only: at its own size, in the middle of the view when it is
// smaller, scrolled with the bars, the arrows and the page keys.

#include <QAbstractScrollArea>
#include <QImage>

class TImageView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TImageView(QWidget *parent = nullptr);

    void SetImage(const QImage &image);
    const QImage &Image() const { return m_image; }
    void SetBackground(const QColor &color);

signals:
    void EditRefused(); // a key that would type or delete

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void UpdateBars();

    QImage m_image;
};
