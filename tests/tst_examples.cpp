// The example files are art a newcomer judges the program by: CR LF breaks,
// every box-drawn frame a closed rectangle, every shaded panel rectangular.
// Checked on the code page 437 byte values.
#include <QDir>
#include <QtTest>

namespace {

// Arms of a box-drawing byte: weight 0 (none), 1 (single) or 2 (double) up, down, left, right.
struct TArms
{
    int up = 0, down = 0, left = 0, right = 0;
};

TArms ArmsOf(uchar byte)
{
    // Bytes 0xB3 to 0xDA, each as the weights "UDLR".
    static constexpr const char *kTable[] = {
        "1100", "1110", "1120", "2210", "0210", "0120", "2220", "2200", "0220", "2020", // B3-BC
        "2010", "1020", "0110", "1001", "1011", "0111", "1101", "0011", "1111", "1102", // BD-C6
        "2201", "2002", "0202", "2022", "0222", "2202", "0022", "2222", "1022", "2011", // C7-D0
        "0122", "0211", "2001", "1002", "0102", "0201", "2211", "1122", "1010", "0101", // D1-DA
    };
    if (byte < 0xB3 || byte > 0xDA)
        return {};
    const char *w = kTable[byte - 0xB3];
    return {w[0] - '0', w[1] - '0', w[2] - '0', w[3] - '0'};
}

bool IsShade(uchar byte) { return byte >= 0xB0 && byte <= 0xB2; }

class TArt
{
public:
    explicit TArt(QList<QByteArray> lines) : m_lines(std::move(lines)) {}
    int Rows() const { return int(m_lines.size()); }
    uchar At(int row, int col) const
    {
        return row >= 0 && row < Rows() && col >= 0 && col < m_lines[row].size() ? uchar(m_lines[row][col]) : ' ';
    }
    TArms Arms(int row, int col) const { return ArmsOf(At(row, col)); }
    const QByteArray &Line(int row) const { return m_lines[row]; }

private:
    QList<QByteArray> m_lines;
};

bool IsTopLeft(const TArms &a) { return a.right && a.down && !a.up && !a.left; }
bool IsTopRight(const TArms &a) { return a.left && a.down && !a.up && !a.right; }
bool IsBottomLeft(const TArms &a) { return a.right && a.up && !a.down && !a.left; }
bool IsBottomRight(const TArms &a) { return a.left && a.up && !a.down && !a.right; }

// Follows the frame whose top-left corner is at (row, col). Returns an empty
// text and the four corners when it closes as a rectangle, else what is wrong.
QString TraceFrame(const TArt &art, int row, int col, QSet<QPoint> *corners)
{
    const int across = art.Arms(row, col).right, upright = art.Arms(row, col).down;
    int right = col + 1;
    for (; art.Arms(row, right).left == across && !art.Arms(row, right).up; ++right)
        if (!art.Arms(row, right).right)
            break;
    if (!IsTopRight(art.Arms(row, right)) || art.Arms(row, right).down != upright)
        return QStringLiteral("top edge open at column %1").arg(right);
    int bottom = row + 1;
    for (; art.Arms(bottom, col).up == upright && art.Arms(bottom, col).down == upright && !art.Arms(bottom, col).left;)
        ++bottom;
    if (!IsBottomLeft(art.Arms(bottom, col)))
        return QStringLiteral("left edge open at row %1").arg(bottom);
    for (int r = row + 1; r < bottom; ++r) {
        const TArms a = art.Arms(r, right);
        if (a.up != upright || a.down != upright || a.right)
            return QStringLiteral("right edge open at row %1").arg(r);
    }
    if (!IsBottomRight(art.Arms(bottom, right)))
        return QStringLiteral("no bottom-right corner at row %1, column %2").arg(bottom).arg(right);
    for (int c = col + 1; c < right; ++c) {
        const TArms a = art.Arms(bottom, c);
        if (a.left != across || a.right != across || a.down)
            return QStringLiteral("bottom edge open at column %1").arg(c);
    }
    *corners << QPoint(col, row) << QPoint(right, row) << QPoint(col, bottom) << QPoint(right, bottom);
    return QString();
}

} // namespace

class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void art_data();
    void art();
};

void TestExamples::art_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(GLIMRA_EXAMPLES));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 3);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestExamples::art()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray &line : lines)
        line.chop(1);
    const TArt art(lines);

    // Every frame closes as a rectangle, and every corner belongs to one.
    QSet<QPoint> corners;
    int frames = 0;
    for (int row = 0; row < art.Rows(); ++row)
        for (int col = 0; col < art.Line(row).size(); ++col)
            if (IsTopLeft(art.Arms(row, col))) {
                const QString fault = TraceFrame(art, row, col, &corners);
                QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("frame at line %1, column %2: %3")
                                                         .arg(row + 1).arg(col + 1).arg(fault)));
                ++frames;
            }
    QVERIFY(frames > 0);
    for (int row = 0; row < art.Rows(); ++row)
        for (int col = 0; col < art.Line(row).size(); ++col) {
            const TArms a = art.Arms(row, col);
            if (IsTopRight(a) || IsBottomLeft(a) || IsBottomRight(a))
                QVERIFY2(corners.contains(QPoint(col, row)),
                         qPrintable(QStringLiteral("corner of no frame at line %1, column %2").arg(row + 1).arg(col + 1)));
        }

    // Lines that begin with a shade after their indent form a panel: same
    // left edge, same width, the same shade at both ends.
    for (int row = 0; row < art.Rows();) {
        const QByteArray &first = art.Line(row);
        const qsizetype left = first.trimmed().isEmpty() ? -1 : first.indexOf(first.trimmed());
        int end = row + 1;
        if (left >= 0 && IsShade(uchar(first[left]))) {
            while (end < art.Rows() && art.Line(end).size() > left && IsShade(art.At(end, int(left)))
                   && art.Line(end).left(left).trimmed().isEmpty())
                ++end;
            for (int r = row; r < end; ++r) {
                const QByteArray &line = art.Line(r);
                QVERIFY2(line.size() == first.size() && line.back() == line[left],
                         qPrintable(QStringLiteral("panel line %1 is not in line with line %2").arg(r + 1).arg(row + 1)));
            }
        }
        row = end;
    }
}

QTEST_MAIN(TestExamples)
#include "tst_examples.moc"
