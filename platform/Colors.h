#pragma once
// Colour values as the settings store keeps them: 0x00BBGGRR, or a system
// colour (top bit set) plus the index of a system colour.

#include <QColor>

QColor ColorFromValue(quint32 value);
quint32 ColorToValue(const QColor &color);
