#include "library/system/Embedding.h"

#include "programfile/CompiledFiles.h"
#include "library/system/SystemModule.h"

namespace vorlan::library {

compiler::Embedding SystemEmbedding() {
    return compiler::Embedding{.buildSystemModule = &BuildSystemModule, .loadLibrary = &LoadLibrary};
}

}  // namespace vorlan::library
