#pragma once

#include "grid/CellStore.h"
#include "text/Variant.h"

#include <memory>

namespace grid {

// The data item of TImVarGrid: one variant, and a chain to further items that this grid
// never fills. Freeing the item frees its chain.
class TVarItem : public TImDataItem
{
public:
    explicit TVarItem(text::Variant v) : value(std::move(v)) {}

    std::unique_ptr<TVarItem> next;
    text::Variant value;
};

} // namespace grid
