// Random numbers that are the same on every machine and every run: PCG32
// (a 64-bit linear congruential state, each output its top bits shifted by
// a data-dependent amount and rotated), seeded as its reference code seeds
// it. A run starts from the seed its settings give (1 unless -RND or a
// configuration file says otherwise); RandomSeed starts the sequence again.
//
//   next:  old = state; state = old × 6364136223846793005 + increment
//          output = rotate right ((((old >> 18) xor old) >> 27) as 32 bits, old >> 59)
//   seed s: increment = (0x566F726C616E << 1) | 1 ("Vorlan" in ASCII);
//          state = 0; next; state += s (as a 64-bit two's complement); next

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "base/Settings.h"
#include "compiler/Compilation.h"
#include "value/Number.h"

#include <cmath>

namespace vorlan::library {

using runtime::Number;

namespace {

constexpr uint64_t kMultiplier = 6364136223846793005ull;
constexpr uint64_t kStream = 0x566F726C616Eull;

struct Generator {
    uint64_t state = 0;
    uint64_t increment = 0;
    bool seeded = false;
};

// One run a process: the run's sequence lives as long as the process.
Generator gGenerator;

uint32_t Next(Generator& g) {
    const uint64_t old = g.state;
    g.state = old * kMultiplier + g.increment;
    const auto shifted = static_cast<uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rotation = static_cast<uint32_t>(old >> 59);
    return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
}

void Seed(Generator& g, int64_t seed) {
    g.increment = kStream << 1 | 1;
    g.state = 0;
    (void)Next(g);
    g.state += static_cast<uint64_t>(seed);
    (void)Next(g);
    g.seeded = true;
}

// The run's generator, seeded from the run's settings on first use.
Generator& RunGenerator(const FunctionCall& call) {
    if (!gGenerator.seeded) {
        const compiler::Compilation* program = call.Run().program;
        const Settings* settings = program ? program->settings : nullptr;
        Seed(gGenerator, settings ? settings->run.randomSeed : 1);
    }
    return gGenerator;
}

// A Number argument that must be whole: an integer, or a real without a
// fraction. Null is UsingNull, a fraction BadParam.
Status ReadWholeExactly(const FunctionCall& call, uint32_t offset, int64_t* out) {
    const Number word = call.Number(offset);
    if (runtime::IsNull(word)) return Status::UsingNull;
    if (runtime::IsInteger(word)) {
        *out = runtime::IntegerOf(word);
        return Status::Success;
    }
    const float real = runtime::RealOf(word);
    if (!std::isfinite(real) || real != std::floor(real)) return Status::BadParam;
    if (std::fabs(real) > 1073741823.0f) return Status::Overflow;
    *out = static_cast<int64_t>(real);
    return Status::Success;
}

constexpr uint32_t kLow = 0, kHigh = 4;

}  // namespace

// A real from low up to but never reaching high: the top 24 bits of the next
// output, as a fraction below 1 that single precision holds exactly, across
// the range; a sum that rounds up to high is taken to the float below it.
Status Random(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    float low = 0, high = 0;
    VL_PROPAGATE(call.ArgumentError(u"low", call.ReadReal(kLow, &low)));
    VL_PROPAGATE(call.ArgumentError(u"high", call.ReadReal(kHigh, &high)));
    if (high < low) return call.ArgumentError(u"high", Status::OutOfRange);
    const double fraction = static_cast<double>(Next(RunGenerator(call)) >> 8) / 16777216.0;
    auto value = static_cast<float>(low + (static_cast<double>(high) - low) * fraction);
    if (value >= high && high > low) value = std::nextafter(high, low);
    return call.SetRealResult(value, result);
}

// A whole number from low to high, both included, every one as likely:
// outputs from the top of the 32-bit range that would favour the low end of
// the remainder are drawn again.
Status RandomWhole(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    int64_t low = 0, high = 0;
    VL_PROPAGATE(call.ArgumentError(u"low", ReadWholeExactly(call, kLow, &low)));
    VL_PROPAGATE(call.ArgumentError(u"high", ReadWholeExactly(call, kHigh, &high)));
    if (high < low) return call.ArgumentError(u"high", Status::OutOfRange);
    const uint64_t count = static_cast<uint64_t>(high - low) + 1;  // at most 2^31 − 1
    const uint64_t fair = (uint64_t{1} << 32) - (uint64_t{1} << 32) % count;
    Generator& generator = RunGenerator(call);
    uint64_t drawn = Next(generator);
    while (drawn >= fair) drawn = Next(generator);
    Number word = runtime::kNullNumber;
    VL_PROPAGATE(call.ResultError(runtime::MakeInteger(low + static_cast<int64_t>(drawn % count), &word), false));
    runtime::StoreCell(result, word);
    return Status::Success;
}

// The shape that starts the sequence again from a whole-number seed.
Status RandomSeed(void* context, void* parameters, void*) {
    FunctionCall call(context, parameters);
    int64_t seed = 0;
    VL_PROPAGATE(call.ArgumentError(u"seed", ReadWholeExactly(call, 0, &seed)));
    Seed(gGenerator, seed);
    return Status::Success;
}

}  // namespace vorlan::library
