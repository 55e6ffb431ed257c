#include "station/StationImage.h"

#include "operations/UpgradeProcedure.h"

namespace StationImage {
namespace {

class FileCheckView : public OperationView {
  public:
    QString box;
    void showMessage(const QString& text, MessageIcon) override { box = text; }
    void logLine(const QString&) override {}
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
};

}  // namespace

std::optional<QString> Check(const QString& path, UpgradeReport& report) {
    FileCheckView check;
    report = UpgradeProcedure::Run(check, path, QString());
    if (report.exit == UpgradeExit::NoDeviceSelected) return std::nullopt;
    return check.box;
}

}  // namespace StationImage
