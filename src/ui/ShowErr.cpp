#include "ui/ShowErr.h"

#include "ui/cSHAREDShowError.h"

void ShowErr(const QString &ErrorMessage, const QString &HelpPage)
{
    cSHAREDShowError::instance().ShowErr(ErrorMessage, HelpPage);
}
