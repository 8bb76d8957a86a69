#include "textview/AltKeypad.h"

namespace {

// The digit of a keypad key; with Num Lock off the keypad sends the cursor
// keys printed beside its digits.
int KeypadDigit(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    switch (key) {
    case Qt::Key_Insert: return 0;
    case Qt::Key_End: return 1;
    case Qt::Key_Down: return 2;
    case Qt::Key_PageDown: return 3;
    case Qt::Key_Left: return 4;
    case Qt::Key_Clear: return 5;
    case Qt::Key_Right: return 6;
    case Qt::Key_Home: return 7;
    case Qt::Key_Up: return 8;
    case Qt::Key_PageUp: return 9;
    default: return -1;
    }
}

} // namespace

bool TAltKeypad::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const int digit = (modifiers & Qt::KeypadModifier) ? KeypadDigit(key) : -1;
    const bool altOnly = (modifiers & ~Qt::KeypadModifier) == Qt::AltModifier;
    if (digit < 0 || !altOnly || m_interrupted) {
        // Alt itself going down (and auto-repeating) and Num Lock keep the
        // code alive; any other key ends it until Alt is let go.
        if (key != Qt::Key_Alt && key != Qt::Key_NumLock) {
            Reset();
            m_interrupted = (modifiers & Qt::AltModifier) != 0;
        }
        return false;
    }
    m_code = (m_code * 10 + digit) % 256;
    m_typing = true;
    return true;
}

std::optional<unsigned char> TAltKeypad::KeyRelease(int key)
{
    if (key != Qt::Key_Alt)
        return std::nullopt;
    m_interrupted = false;
    if (!m_typing)
        return std::nullopt;
    const int code = m_code;
    Reset();
    // Code 0 types nothing, as on the PC.
    if (code == 0)
        return std::nullopt;
    return static_cast<unsigned char>(code);
}

void TAltKeypad::Reset()
{
    m_code = 0;
    m_typing = false;
    m_interrupted = false;
}
