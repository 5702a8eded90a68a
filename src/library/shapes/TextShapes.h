#pragma once
// The handlers of the text shapes: TextBlock, TextRotate and TextColumn.

#include "base/Status.h"

namespace vorlan::graphics::shapes {

Status TextBlock(void* context, void* parameters, void* block);
Status TextRotate(void* context, void* parameters, void* block);
Status TextColumn(void* context, void* parameters, void* block);

}  // namespace vorlan::graphics::shapes
