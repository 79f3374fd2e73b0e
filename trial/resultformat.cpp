#include "trial/resultformat.h"

#include "app/sessionparameters.h"

QStringList ResultFormat::parameterKeys()
{
    QStringList keys;
    const SessionParameters p;
    visitFileParameters(p, [&keys](const char *key, const auto &) { keys << QLatin1String(key); });
    return keys;
}
