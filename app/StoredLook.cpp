#include "app/StoredLook.h"

#include "platform/Colors.h"
#include "settings/MyRegistry.h"

TLook ReadStoredLook(TMyRegistry &reg)
{
    TLook look;
    look.Font = QFont(reg.ReadString(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("Lucida Console ANSI")));
    const int size = reg.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 9);
    look.Font.setPointSize(size > 0 ? size : 9);
    look.Background = ColorFromValue(quint32(reg.ReadInteger(QStringLiteral("Colors"), QStringLiteral("background"), 0x800000)));
    look.Text = ColorFromValue(quint32(reg.ReadInteger(QStringLiteral("Colors"), QStringLiteral("font"), 0xC0C0C0)));
    return look;
}
