#include "report/eval/Element.h"

#include "report/eval/EvalLimits.h"
#include "report/eval/EvalMessages.h"

namespace report::eval {

TRpEvResult Element::evaluate(EvalState& state)
{
    if (state.depth >= maxNestingDepth)
        return TRpEvResult::error(msg::tooDeep);
    ++state.depth;
    TRpEvResult result = compute(state);
    --state.depth;
    return result;
}

} // namespace report::eval
