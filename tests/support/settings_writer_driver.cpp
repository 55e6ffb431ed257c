// Replaces the settings file named by its argument again and again, each time with another 64 KB
// value, until it is killed. Prints "writing" once the first write is done.

#include <QString>
#include <cstdio>

#include "support/DataBase.h"

int main(int argc, char* argv[]) {
    if (argc != 2) return 64;
    DataBase::SetFileName(QString::fromLocal8Bit(argv[1]));
    for (int write = 0;; ++write) {
        DataBase::DbSet(QStringLiteral("file"), QStringLiteral("path"),
                        QString(65536, QChar(u'a' + write % 26)));
        DataBase::DbSync();
        if (write == 0) {
            std::puts("writing");
            std::fflush(stdout);
        }
    }
}
