// Whatever a settings file holds, the table loaded from it is written back so that loading the
// written file gives the same table.

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "support/DataBase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("database.ini")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data), size) < 0)
        std::abort();
    file.close();
    const auto load = [&file] {
        DataBase::Reset();
        DataBase::SetFileName(file.fileName());
        DataBase::DbLoad();
        return std::vector(DataBase::DbTable.begin(),
                           DataBase::DbTable.begin() + DataBase::DbCount);
    };
    const auto loaded = load();
    DataBase::DbSync();
    if (load() != loaded) std::abort();
    return 0;
}
