// Whatever a settings file holds, the table loaded from it is written back so that loading the
// written file gives the same table.

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>

#include "support/DataBase.h"

static QStringList load(const QString& fileName) {
    DataBase::Reset();
    DataBase::SetFileName(fileName);
    DataBase::DbLoad();
    QStringList cells;
    for (int row = 0; row < DataBase::DbCount; ++row)
        cells << DataBase::DbTable[row].section << DataBase::DbTable[row].key
              << DataBase::DbTable[row].value;
    return cells;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("database.ini")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data), size) < 0)
        std::abort();
    file.close();
    const QStringList loaded = load(file.fileName());
    DataBase::DbSync();
    if (load(file.fileName()) != loaded) std::abort();
    return 0;
}
