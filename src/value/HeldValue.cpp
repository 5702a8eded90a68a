#include "value/HeldValue.h"

namespace vorlan::runtime {

void HeldValue::ReleaseValue() {
    if (cell_ && type_ && type_->ops.release) (void)type_->ops.release(*type_, cell_);
}

}  // namespace vorlan::runtime
