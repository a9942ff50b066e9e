#pragma once

#include "exchange/Statement.h"
#include "printing/StatementFill.h"

namespace viewer {

// The print command's inputs for the statement the answers made, of trading date `selected`
// (1-based; no date for any other value). The lines are copied when the statement keeps them;
// a form that keeps them elsewhere gives its own line source.
printing::StatementInputs statementInputs(const exchange::Statement& statement, int selected);

} // namespace viewer
