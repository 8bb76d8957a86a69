#include "textview/GalleryView.h"

#include <QAbstractListModel>
#include <QCache>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QSet>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Pieces asked for and not drawn yet, at most: those scrolled past long ago
// are dropped, and asked for again if they come back into view.
constexpr size_t kQueued = 512;

struct TKept
{
    QPixmap Pixmap;
    QString ToolTip;
};

} // namespace

// The pieces and their thumbnails: a thumbnail not kept is asked of the
// thread when the view paints it, and a placeholder shown meanwhile.
class TGalleryView::TModel : public QAbstractListModel
{
public:
    explicit TModel(QObject *parent) : QAbstractListModel(parent), m_thread([this] { Run(); }) {}

    ~TModel() override
    {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void Reset(const QStringList &names, const QStringList &keys, TTileMaker maker)
    {
        beginResetModel();
        {
            std::lock_guard lock(m_lock);
            ++m_generation;
            m_queue.clear();
            m_wanted.clear();
            m_maker = std::make_shared<const TTileMaker>(std::move(maker));
        }
        m_names = names;
        m_keys = keys;
        endResetModel();
    }

    void SetPlaceholder(const QColor &color)
    {
        QImage blank(kTileSize * 3 / 4, kTileSize * 3 / 4, QImage::Format_RGB32);
        blank.fill(color);
        m_placeholder = Boxed(blank);
    }

    // Every thumbnail in the middle of a square of its own, so that the
    // names under them line up.
    static QPixmap Boxed(const QImage &image)
    {
        QPixmap box(kTileSize, kTileSize);
        box.fill(Qt::transparent);
        QPainter painter(&box);
        const QImage fitted = image.width() > kTileSize || image.height() > kTileSize
                                  ? image.scaled(kTileSize, kTileSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                  : image;
        painter.drawImage(QPoint((kTileSize - fitted.width()) / 2, (kTileSize - fitted.height()) / 2), fitted);
        return box;
    }

    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_names.size()); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const qsizetype row = index.row();
        if (!index.isValid() || row >= m_names.size())
            return {};
        const TKept *kept = m_cache.object(m_keys.value(row));
        switch (role) {
        case Qt::DisplayRole:
            return m_names[row].mid(m_names[row].lastIndexOf(u'/') + 1);
        case Qt::ToolTipRole:
            return kept ? kept->ToolTip : m_names[row];
        case Qt::DecorationRole:
            if (kept)
                return kept->Pixmap;
            Want(row);
            return m_placeholder;
        default:
            return {};
        }
    }

    bool Has(qsizetype row) const { return m_cache.contains(m_keys.value(row)); }
    int Cached() const { return int(m_cache.size()); }
    qsizetype Made() const { return m_made; }

private:
    void Want(qsizetype row) const
    {
        std::lock_guard lock(m_lock);
        if (m_wanted.contains(row))
            return;
        // The latest asked first: what is on the screen now.
        m_queue.push_front(row);
        m_wanted.insert(row);
        if (m_queue.size() > kQueued) {
            m_wanted.remove(m_queue.back());
            m_queue.pop_back();
        }
        m_wake.notify_one();
    }

    void Deliver(quint64 generation, qsizetype row, const TGalleryTile &tile)
    {
        {
            std::lock_guard lock(m_lock);
            if (generation != m_generation)
                return;
            m_wanted.remove(row);
        }
        m_cache.insert(m_keys.value(row), new TKept{Boxed(tile.Image), tile.ToolTip});
        emit dataChanged(index(int(row)), index(int(row)), {Qt::DecorationRole, Qt::ToolTipRole});
    }

    void Run()
    {
        for (;;) {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            const qsizetype row = m_queue.front();
            m_queue.pop_front();
            const quint64 generation = m_generation;
            const std::shared_ptr<const TTileMaker> maker = m_maker;
            lock.unlock();
            TGalleryTile tile;
            try {
                tile = (*maker)(row);
            } catch (...) {
                tile.ToolTip = QStringLiteral("The thumbnail cannot be drawn");
            }
            ++m_made;
            QMetaObject::invokeMethod(this, [this, generation, row, tile] { Deliver(generation, row, tile); },
                                      Qt::QueuedConnection);
        }
    }

    QStringList m_names, m_keys;
    mutable QCache<QString, TKept> m_cache{kCached};
    QPixmap m_placeholder;

    // Shared with the thread.
    mutable std::mutex m_lock;
    mutable std::condition_variable m_wake;
    mutable std::deque<qsizetype> m_queue;
    mutable QSet<qsizetype> m_wanted;
    std::shared_ptr<const TTileMaker> m_maker;
    quint64 m_generation = 0;
    bool m_stop = false;
    std::atomic<qsizetype> m_made{0};
    std::thread m_thread; // last: started when the rest is ready
};

TGalleryView::TGalleryView(QWidget *parent) : QListView(parent), m_model(new TModel(this))
{
    setModel(m_model);
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setIconSize(QSize(kTileSize, kTileSize));
    setGridSize(QSize(kTileSize + 24, kTileSize + 36));
    setSpacing(0);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    SetColors(Qt::lightGray, Qt::darkBlue);
    connect(this, &QListView::doubleClicked, this, [this](const QModelIndex &index) { emit Open(index.row()); });
}

TGalleryView::~TGalleryView() = default;

void TGalleryView::Show(const QStringList &names, const QStringList &keys, qsizetype current, TTileMaker maker)
{
    m_model->Reset(names, keys, std::move(maker));
    if (current >= 0 && current < names.size()) {
        setCurrentIndex(m_model->index(int(current)));
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
    }
}

qsizetype TGalleryView::Current() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TGalleryView::SetColors(const QColor &text, const QColor &background)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Base, background);
    colors.setColor(QPalette::Text, text);
    setPalette(colors);
    m_model->SetPlaceholder(QColor::fromRgbF((text.redF() + 3 * background.redF()) / 4,
                                             (text.greenF() + 3 * background.greenF()) / 4,
                                             (text.blueF() + 3 * background.blueF()) / 4));
}

bool TGalleryView::HasTile(qsizetype index) const
{
    return m_model->Has(index);
}

int TGalleryView::Cached() const
{
    return m_model->Cached();
}

qsizetype TGalleryView::Made() const
{
    return m_model->Made();
}

bool TGalleryView::event(QEvent *event)
{
    // Esc and Enter are the gallery's own here, not the window's commands' (Esc is Exit's).
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QListView::event(event);
}

void TGalleryView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        emit Back();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentIndex().isValid())
            emit Open(currentIndex().row());
        return;
    default:
        QListView::keyPressEvent(event);
    }
}
