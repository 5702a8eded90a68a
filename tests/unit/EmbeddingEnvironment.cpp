// Every test that compiles gets the system module and the library loader the
// executable hands the compiler at start-up.

#include "compiler/Compilation.h"
#include "library/system/Embedding.h"

#include <gtest/gtest.h>

namespace {

class EmbeddingEnvironment : public ::testing::Environment {
public:
    void SetUp() override { vorlan::compiler::SetEmbedding(vorlan::library::SystemEmbedding()); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new EmbeddingEnvironment);

}  // namespace
