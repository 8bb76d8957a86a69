#pragma once
// Typing a character by its code: Alt held while digits are typed on the
// numeric keypad, the character coming when Alt is let go. The code counts
// modulo 256, as on the PC; Alt+0200 and Alt+200 both give code 200.

#include <Qt>

#include <optional>

class TAltKeypad
{
public:
    // A key went down; true when it was a keypad digit taken into the code.
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    // A key went up; the code when it was Alt after at least one digit.
    std::optional<unsigned char> KeyRelease(int key);
    // What was typed is dropped (another key, focus lost).
    void Reset();

private:
    int m_code = 0;
    bool m_typing = false;
    bool m_interrupted = false; // another key came while Alt was held
};
