#pragma once
// A scroll position in lines or cells, which may pass what a scroll bar's int
// holds. Beyond that the bar moves in steps of several lines while the
// position itself stays exact; the bar's ends are the position's ends.

#include <QtGlobal>

#include <algorithm>
#include <limits>

class TScrollAxis
{
public:
    static constexpr qsizetype kBarMax = std::numeric_limits<int>::max();

    qsizetype Pos() const { return m_pos; }
    qsizetype Max() const { return m_max; }

    // Sets the highest position; returns the bar's maximum.
    int SetMax(qsizetype max)
    {
        m_max = std::max<qsizetype>(0, max);
        m_scale = m_max / kBarMax + 1;
        m_pos = std::min(m_pos, m_max);
        return BarMax();
    }
    // Sets the position; returns the bar's value for it.
    int Set(qsizetype pos)
    {
        m_pos = std::clamp<qsizetype>(pos, 0, m_max);
        return BarValue();
    }
    int BarValue() const { return m_pos == m_max ? BarMax() : int(m_pos / m_scale); }
    // The bar was moved to value: the position follows, unless it stands
    // within the bar's step already.
    void FromBar(int value)
    {
        if (value != BarValue())
            m_pos = value >= BarMax() ? m_max : std::min(qsizetype(value) * m_scale, m_max);
    }

private:
    int BarMax() const { return int(m_max / m_scale); }

    qsizetype m_pos = 0;
    qsizetype m_max = 0;
    qsizetype m_scale = 1;
};
