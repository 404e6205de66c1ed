#include "base/ShowErr.h"

#include "base/cSHAREDShowError.h"

void ShowErr(const QString &ErrorMessage, const QString &HelpPage)
{
    cSHAREDShowError::instance().ShowErr(ErrorMessage, HelpPage);
}
