#include "cli/ImageCheck.h"

#include "cli/FailureDetail.h"
#include "operations/FailureHint.h"
#include "operations/UpgradeProcedure.h"

namespace {

class SilentView : public OperationView {
  public:
    void showMessage(const QString&, MessageIcon) override {}
    void logLine(const QString&) override {}
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
};

}  // namespace

ImageCheck CheckImage(const QString& path) {
    SilentView view;
    ImageCheck check;
    check.report = UpgradeProcedure::Run(view, path, QString());
    check.passed = check.report.exit == UpgradeExit::NoDeviceSelected;
    if (!check.passed) {
        check.detail = FileFailureDetail(check.report, path);
        check.hint = FailureHint(FailureKeyOf(check.report));
    }
    return check;
}
