#include "formats/Pcboard.h"

namespace {

// The longest code read: "@POS:" and up to four digits and "@".
constexpr qsizetype kLongest = 10;

int Hex(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
}

enum class TCode { cdNone, cdOpen, cdColor, cdClear, cdPosition };

// What the bytes at the start of text make: a code and its length, no code,
// or the start of one that the bytes after them decide.
TCode CodeAt(QByteArrayView text, qsizetype *length, int *value)
{
    const auto starts = [&text](const char *code) {
        const QByteArrayView want(code);
        const qsizetype n = std::min(text.size(), want.size());
        return text.first(n).compare(want.first(n), Qt::CaseInsensitive) == 0 ? (n == want.size() ? 2 : 1) : 0;
    };
    if (const int x = starts("@X")) {
        if (x == 1 || text.size() < 4)
            return text.size() < 4 && (text.size() < 3 || Hex(text[2]) >= 0) ? TCode::cdOpen : TCode::cdNone;
        if (Hex(text[2]) < 0 || Hex(text[3]) < 0)
            return TCode::cdNone;
        *length = 4;
        *value = Hex(text[2]) << 4 | Hex(text[3]);
        return TCode::cdColor;
    }
    if (const int cls = starts("@CLS@")) {
        *length = 5;
        return cls == 2 ? TCode::cdClear : TCode::cdOpen;
    }
    if (const int pos = starts("@POS:")) {
        if (pos == 1)
            return TCode::cdOpen;
        int n = 0;
        for (qsizetype k = 5; k < std::min(text.size(), kLongest); ++k) {
            if (text[k] == '@' && k > 5) {
                *length = k + 1;
                *value = n;
                return TCode::cdPosition;
            }
            if (text[k] < '0' || text[k] > '9')
                return TCode::cdNone;
            n = n * 10 + (text[k] - '0');
        }
        return text.size() < kLongest ? TCode::cdOpen : TCode::cdNone;
    }
    return TCode::cdNone;
}

} // namespace

void TPcboardReader::Write(QByteArrayView bytes)
{
    if (m_pending.isEmpty()) {
        Take(bytes, false);
        return;
    }
    QByteArray joined = m_pending + bytes.toByteArray();
    m_pending.clear();
    Take(joined, false);
}

void TPcboardReader::Finish()
{
    const QByteArray rest = m_pending;
    m_pending.clear();
    Take(rest, true);
}

void TPcboardReader::Take(QByteArrayView bytes, bool last)
{
    qsizetype from = 0;
    for (qsizetype at = bytes.indexOf('@'); at >= 0 && !m_screen.Ended(); at = bytes.indexOf('@', at + 1)) {
        qsizetype length = 1;
        int value = 0;
        const TCode code = CodeAt(bytes.sliced(at), &length, &value);
        if (code == TCode::cdNone || (code == TCode::cdOpen && last))
            continue;
        m_screen.Write(bytes.sliced(from, at - from));
        if (m_screen.Ended())
            return; // the end of the art came before the code
        if (code == TCode::cdOpen) {
            m_pending = bytes.sliced(at).toByteArray();
            return;
        }
        if (code == TCode::cdColor)
            m_screen.SetAttribute(quint8(value));
        else if (code == TCode::cdClear)
            m_screen.Clear();
        else
            m_screen.SetCursor(m_screen.CursorRow(), value - 1);
        from = at + length;
        at = from - 1;
    }
    m_screen.Write(bytes.sliced(from));
}
