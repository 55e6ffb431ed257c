// The flag behind "one device operation at a time", and the disabling that keeps the operator from
// starting a second one while the first pumps events.

#include "app/DeviceOperationGuard.h"

namespace {
bool operationRunning = false;
}

DeviceOperationGuard::DeviceOperationGuard(std::initializer_list<QWidget*> controls) {
    if (operationRunning) {
        return;
    }
    operationRunning = true;
    m_acquired = true;
    if (controls.size() > 0) m_window = (*controls.begin())->window();
    m_focusBefore = windowFocus();
    for (QWidget* control : controls) {
        // The control's own setting, not the one it inherits from a disabled parent.
        m_saved.push_back({control, !control->testAttribute(Qt::WA_ForceDisabled)});
        control->setEnabled(false);
    }
    m_focusMovedTo = windowFocus();
}

DeviceOperationGuard::~DeviceOperationGuard() {
    if (!m_acquired) {
        return;
    }
    for (const SavedState& saved : m_saved) {
        if (saved.control) {
            saved.control->setEnabled(saved.enabled);
        }
    }
    // Disabling the focused control pushed the focus on; unless the operator has moved it since,
    // it goes back, so a keyboard user stays where they were. The window's own focus is what
    // counts: while a box is up, or before the window system has activated the window again after
    // one, the application's focus lies elsewhere, and the window gets its own back later.
    if (m_focusBefore && m_focusBefore != m_focusMovedTo && windowFocus() == m_focusMovedTo &&
        m_focusBefore->isEnabled()) {
        m_focusBefore->setFocus();
    }
    operationRunning = false;
}

QWidget* DeviceOperationGuard::windowFocus() const {
    return m_window ? m_window->focusWidget() : nullptr;
}

bool DeviceOperationGuard::busy() {
    return operationRunning;
}
