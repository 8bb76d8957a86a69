#include "app/ChosenCharsets.h"

#include "app/ChosenPerFile.h"

namespace ChosenCharsets {
namespace {

// The names stored; their order is TCharset's.
const TChosenPerFile &Store()
{
    static const TChosenPerFile store(QStringLiteral("Charset"), {QStringLiteral("CP437"), QStringLiteral("UTF-8"),
                                                                 QStringLiteral("UTF-16"), QStringLiteral("Windows-1252")});
    return store;
}

std::optional<TCharset> AsCharset(std::optional<int> choice)
{
    return choice ? std::optional<TCharset>(TCharset(*choice)) : std::nullopt;
}

} // namespace

QStringList Choose(QStringList entries, const QString &path, TCharset charset)
{
    return Store().Choose(std::move(entries), path, int(charset));
}

std::optional<TCharset> Find(const QStringList &entries, const QString &path)
{
    return AsCharset(Store().Find(entries, path));
}

QStringList Read(TMyRegistry &reg)
{
    return Store().Read(reg);
}

void Write(TMyRegistry &reg, const QStringList &entries)
{
    Store().Write(reg, entries);
}

void Remember(TMyRegistry &reg, const QString &fileName, TCharset charset)
{
    Store().Remember(reg, fileName, int(charset));
}

std::optional<TCharset> Recall(TMyRegistry &reg, const QString &fileName)
{
    return AsCharset(Store().Recall(reg, fileName));
}

} // namespace ChosenCharsets
