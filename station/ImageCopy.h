#pragma once

// The station's private copy of the checked image, which every upgrade is given, so that an image
// replaced or deleted during the run changes nothing. It sits read-only in a folder of its own
// under the temporary folder, which goes with the copy. A run that is killed cannot remove its
// folder, so each start removes those of runs that have ended, and never one a running station
// holds: at most one copy outlives its station, until the next start.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

class ImageCopy {
  public:
    ImageCopy() = default;
    ImageCopy(const ImageCopy&) = delete;
    ImageCopy& operator=(const ImageCopy&) = delete;
    // Removes the folder and the copy.
    ~ImageCopy();

    // Writes `bytes` whole and forced to disk; otherwise why not, naming the folder.
    std::optional<QString> write(const QByteArray& bytes);
    const QString& path() const { return m_path; }

    // Removes the folders that ended runs of this user left in the temporary folder.
    static void RemoveStale();

  private:
    std::unique_ptr<QTemporaryDir> m_folder;
    int m_lock = -1;  // held on the folder for as long as it is in use
    QString m_path;
};
