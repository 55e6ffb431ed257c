#pragma once

// One device operation at a time. The identify blink and the upgrade share the one port handle and
// pump window events while they wait, so a second operation started from inside those waits would
// close the device under the first or send into its stream. Every device operation starts and
// ends here.

#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <vector>

class DeviceOperationGuard {
  public:
    // Disables the given controls for the guard's lifetime; each gets back the state it had.
    // When another device operation already runs, the guard is not acquired and touches nothing.
    explicit DeviceOperationGuard(std::initializer_list<QWidget*> controls);
    ~DeviceOperationGuard();

    DeviceOperationGuard(const DeviceOperationGuard&) = delete;
    DeviceOperationGuard& operator=(const DeviceOperationGuard&) = delete;

    bool acquired() const { return m_acquired; }
    static bool busy();

  private:
    struct SavedState {
        QPointer<QWidget> control;
        bool enabled;
    };
    QWidget* windowFocus() const;

    bool m_acquired = false;
    std::vector<SavedState> m_saved;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focusBefore;
    QPointer<QWidget> m_focusMovedTo;
};
