#pragma once
// The kind button's captions: the program's string table, in five languages,
// keyed by the string numbers the kinds refer to.

#include <QString>
#include <array>
#include <string_view>

struct TProString
{
    int Id;
    std::string_view Text; // UTF-8
};

// English, Russian, Ukrainian, French, Portuguese (with the unused 30300 "OK").
extern const std::array<TProString, 67> ProStrings;

// The string with that number, or an empty text when the table has none.
QString LoadProString(int id);
