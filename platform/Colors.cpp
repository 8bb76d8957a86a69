#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

constexpr quint32 kSystemColorFlag = 0x80000000u;

// The palette role that plays the part of a system colour index.
QPalette::ColorRole SystemRole(quint32 index)
{
    switch (index) {
    case 5: return QPalette::Base;             // window background
    case 8: return QPalette::Text;             // window text
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;          // button face
    case 16: return QPalette::Dark;            // button shadow
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;           // button highlight
    case 21: return QPalette::Shadow;          // dark shadow
    case 22: return QPalette::Midlight;
    default: return QPalette::Window;
    }
}

} // namespace

QColor ColorFromValue(quint32 value)
{
    if (value & kSystemColorFlag)
        return QGuiApplication::palette().color(SystemRole(value & 0xFFu));
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

quint32 ColorToValue(const QColor &color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}
