#pragma once

#include "viewer/control/Automation.h"

#include <QWidget>
#include <memory>

namespace viewer::control {

class MirolaControl;
class MirolaFactory;

// A host's window that holds one control and keeps it filling the window, as a container of
// controls places them.
class ControlSite : public QWidget
{
public:
    explicit ControlSite(QWidget* parent = nullptr);
    // The control goes before the window, so its form is destroyed by it rather than with us.
    ~ControlSite() override;

    // Creates the control through the factory; its status when that fails.
    HRESULT createControl(MirolaFactory& factory);
    MirolaControl* control() const { return m_control.get(); }
    // Releases the control, as a host does when it is done with it.
    void releaseControl();

    // The form's size as designed, until the host sizes the window.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<MirolaControl> m_control;
    QSize m_designSize;
};

} // namespace viewer::control
