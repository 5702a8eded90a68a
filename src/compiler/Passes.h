#pragma once
// The two passes over a unit: declarations first, then bodies.

namespace vorlan::compiler {

struct Unit;
struct Parser;

// `parent` is the parser of the unit whose Source statement named this one.
bool DeclarationPass(Unit& unit, Parser* parent);
bool BodyPass(Unit& unit);

}  // namespace vorlan::compiler
