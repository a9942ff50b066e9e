#include "viewer/control/ControlSite.h"

#include "viewer/TFmirola.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/MirolaControl.h"

namespace viewer::control {

ControlSite::ControlSite(QWidget* parent) : QWidget(parent) {}

ControlSite::~ControlSite() = default;

HRESULT ControlSite::createControl(MirolaFactory& factory)
{
    m_control.reset();
    const HRESULT hr = factory.CreateInstance(this, &m_control);
    if (FAILED(hr))
        return hr;
    m_designSize = m_control->form()->size();
    updateGeometry();
    m_control->SetObjectRects(rect());
    return S_OK;
}

void ControlSite::releaseControl()
{
    m_control.reset();
}

QSize ControlSite::sizeHint() const
{
    return m_designSize.isValid() ? m_designSize : QWidget::sizeHint();
}

void ControlSite::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_control)
        m_control->SetObjectRects(rect());
}

} // namespace viewer::control
