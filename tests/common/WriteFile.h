#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` as the whole of the file at `path`, and closes it; false where any of it failed.
bool WriteFile(const QString& path, const QByteArray& bytes);
