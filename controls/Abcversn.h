#pragma once
// A label that shows chosen fields of the program's own version resource, one
// per line: caption, a tab, value.

#include <QByteArrayView>
#include <QColor>
#include <QLabel>
#include <QList>
#include <functional>

class TabcCustomVersionLabel;
class TabcVersionInfoCollection;

using TNotifyEvent = std::function<void(QObject *Sender)>;

// One field of the version resource: its string-table key (or "BuildFlags"),
// the caption before it and the value last read for it.
class TabcVersionInfoItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Key READ Key WRITE SetKey)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Value READ Value)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    explicit TabcVersionInfoItem(TabcVersionInfoCollection *collection);

    QString Key() const { return m_key; }
    void SetKey(const QString &key);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    QString Value() const { return m_value; }
    void SetValue(const QString &value) { m_value = value; } // no change notice
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    QString DisplayName() const { return m_key; }
    void SetDisplayName(const QString &name) { SetKey(name); }
    TabcVersionInfoCollection *Collection() const;
    int Index() const;

    // From another item: Caption and Key, Value cleared, Visible kept, no
    // change notice. Anything else cannot be assigned (EGlimraError).
    void Assign(const QObject *source);

private:
    void Changed();

    QString m_key;
    QString m_caption;
    QString m_value;
    bool m_visible = true;
};

// The fields of a version label, in order; owns them.
class TabcVersionInfoCollection : public QObject
{
    Q_OBJECT

public:
    explicit TabcVersionInfoCollection(TabcCustomVersionLabel *owner = nullptr);

    TabcCustomVersionLabel *Owner() const { return m_owner; }

    int Count() const { return int(m_items.size()); }
    TabcVersionInfoItem *Items(int index) const { return m_items.at(index); }
    TabcVersionInfoItem *Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TabcVersionInfoItem *item) const { return int(m_items.indexOf(item)); }
    // Clears, copies every item of source, then sends one change notice.
    void Assign(const TabcVersionInfoCollection &source);

    // Changes between these two send one notice at the end.
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();

    TNotifyEvent OnUpdateVersionInfo() const { return m_onUpdateVersionInfo; }
    void SetOnUpdateVersionInfo(TNotifyEvent handler) { m_onUpdateVersionInfo = std::move(handler); }

    // The file whose version resource is read; empty means the running program.
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }

    // Read the values (unless designing), notify, rebuild the owner's caption.
    virtual void Update(TabcVersionInfoItem *item);
    // Fills every item's Value from the version resource; no change notices.
    virtual void ReadVersionValues();

    // The debug, info-inferred, patched, pre-release, private and special flags
    // of the block's fixed information as text ("Debug, Pre-Release").
    static QString BuildFlagsText(QByteArrayView block);
    static QString FileFlagsText(quint32 flags);

private:
    friend class TabcVersionInfoItem;
    void Changed(TabcVersionInfoItem *item);

    TabcCustomVersionLabel *m_owner;
    TNotifyEvent m_onUpdateVersionInfo;
    QList<TabcVersionInfoItem *> m_items;
    int m_updateCount = 0;
    QString m_fileName;
};

class TabcCustomVersionLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TabcCustomVersionLabel(QWidget *parent = nullptr);
    ~TabcCustomVersionLabel() override;

    // Once the form is built: reads the version resource (unless designing).
    virtual void Loaded();
    // Builds the caption from the visible items.
    virtual void RefreshCaption();

    TabcVersionInfoCollection *VersionInfo() const { return m_versionInfo; }
    void SetVersionInfo(TabcVersionInfoCollection *value);
    bool DoubleSpaced() const { return m_doubleSpaced; }
    void SetDoubleSpaced(bool value);
    quint8 TabStop() const { return m_tabStop; }
    void SetTabStop(quint8 value);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    TNotifyEvent OnUpdateVersionInfo() const { return m_versionInfo->OnUpdateVersionInfo(); }
    void SetOnUpdateVersionInfo(TNotifyEvent handler) { m_versionInfo->SetOnUpdateVersionInfo(std::move(handler)); }

    // Hosted by a form designer: placeholders instead of values, nothing read.
    bool Designing() const { return m_designing; }
    void SetDesigning(bool value) { m_designing = value; }

    // The format the caption is drawn with: word break, expand tabs, tab stop
    // every TabStop average character widths, no prefix.
    unsigned DrawFormat() const;

signals:
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // Draws the caption, embossed when disabled.
    virtual void DoDrawText(QPainter &painter, QRect &rect, unsigned format);

private:
    TabcVersionInfoCollection *m_versionInfo;
    bool m_doubleSpaced = true;
    quint8 m_tabStop = 10;
    QColor m_color;
    bool m_transparent = false;
    bool m_designing = false;
};

class TabcVersionLabel : public TabcCustomVersionLabel
{
    Q_OBJECT
    Q_PROPERTY(bool DoubleSpaced READ DoubleSpaced WRITE SetDoubleSpaced)
    Q_PROPERTY(quint8 TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(TabcVersionInfoCollection *VersionInfo READ VersionInfo WRITE SetVersionInfo)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(QString Caption READ text)

public:
    using TabcCustomVersionLabel::TabcCustomVersionLabel;
};
