#include "sound/tokenrecord.h"

#include <QStandardPaths>

TokenRecord::TokenRecord()
    : folder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
{
}

TokenRecord::TokenRecord(const QString &folder, const QString &fileName)
    : folder(folder), fileName(fileName)
{
}
