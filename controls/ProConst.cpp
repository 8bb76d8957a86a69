#include "controls/ProConst.h"

const std::array<TProString, 67> ProStrings = {{
    // English
    {30100, "OK"},
    {30101, "Cancel"},
    {30102, "&Help"},
    {30103, "&Yes"},
    {30104, "&No"},
    {30105, "&Close"},
    {30106, "Abort"},
    {30107, "&Retry"},
    {30108, "&Ignore"},
    {30109, "&All"},
    {30110, "&Done"},
    {30111, "< &Back"},
    {30112, "&Next >"},
    {30113, "&Finish"},
    // Russian
    {30130, "Отмена"},
    {30131, "&Справка"},
    {30132, "&Да"},
    {30133, "&Нет"},
    {30134, "&Закрыть"},
    {30135, "С&топ"},
    {30136, "П&овтор"},
    {30137, "&Пропустить"},
    {30138, "&Всё"},
    {30139, "&Готово"},
    {30140, "< &Назад"},
    {30141, "&Далее >"},
    {30142, "&Закончить"},
    // Ukrainian (the letter i is the Latin one)
    {30160, "Вiдмiна"},
    {30161, "&Довiдка"},
    {30162, "&Так"},
    {30163, "&Нi"},
    {30164, "З&акрити"},
    {30165, "Ст&оп"},
    {30166, "Повто&р"},
    {30167, "&Пропустити"},
    {30168, "&Все"},
    {30169, "&Зроблено"},
    {30170, "< &Назад"},
    {30171, "Да&лi >"},
    {30172, "&Закiнчити"},
    // French
    {30191, "Annuler"},
    {30192, "&Aide"},
    {30193, "&Oui"},
    {30194, "&Non"},
    {30195, "&Fermer"},
    {30196, "&Abandonner"},
    {30197, "&Réessayer"},
    {30198, "&Ignorer"},
    {30199, "&Tout"},
    {30200, "&Fin"},
    {30201, "< &Précédent"},
    {30202, "&Suivant >"},
    {30203, "&Terminer"},
    // Portuguese
    {30300, "OK"},
    {30301, "Cancela"},
    {30302, "&Ajuda"},
    {30303, "&Sim"},
    {30304, "&Não"},
    {30305, "&Fecha"},
    {30306, "Aborta"},
    {30307, "&Repetir"},
    {30308, "&Ignora"},
    {30309, "&Todos"},
    {30310, "&Conclui"},
    {30311, "< &Volta"},
    {30312, "&Avança >"},
    {30313, "&Finaliza"},
}};

QString LoadProString(int id)
{
    for (const TProString &entry : ProStrings)
        if (entry.Id == id)
            return QString::fromUtf8(entry.Text.data(), qsizetype(entry.Text.size()));
    return {};
}
