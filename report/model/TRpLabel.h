#pragma once

#include "report/model/TRpCustomLabel.h"

namespace report {

// A fixed text.
class TRpLabel : public TRpCustomLabel
{
};

} // namespace report
