#include "app/ChosenWraps.h"

#include "app/ChosenPerFile.h"

namespace ChosenWraps {
namespace {

// The names stored; their order is TAnsiWrap's.
const TChosenPerFile &Store()
{
    static const TChosenPerFile store(QStringLiteral("Wrap"),
                                      {QStringLiteral("Automatic"), QStringLiteral("DOS"), QStringLiteral("Terminal")});
    return store;
}

} // namespace

QStringList Choose(QStringList entries, const QString &path, TAnsiWrap wrap)
{
    return Store().Choose(std::move(entries), path, int(wrap));
}

std::optional<TAnsiWrap> Find(const QStringList &entries, const QString &path)
{
    const std::optional<int> choice = Store().Find(entries, path);
    return choice ? std::optional<TAnsiWrap>(TAnsiWrap(*choice)) : std::nullopt;
}

void Remember(TMyRegistry &reg, const QString &fileName, TAnsiWrap wrap)
{
    Store().Remember(reg, fileName, int(wrap));
}

TAnsiWrap Recall(TMyRegistry &reg, const QString &fileName)
{
    return TAnsiWrap(Store().Recall(reg, fileName).value_or(int(TAnsiWrap::awAutomatic)));
}

} // namespace ChosenWraps
