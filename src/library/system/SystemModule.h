#pragma once
// The system module _System: the built-in types, enumerations, structures,
// the Status variable, the graphics context elements and the built-in
// functions and shapes that every program can use without declaring them.

namespace vorlan::compiler {
struct Compilation;
struct Module;
}  // namespace vorlan::compiler

namespace vorlan::library {

// Builds the module (not yet added to the compilation); nullptr when a
// record cannot be made or a registered position is wrong.
compiler::Module* BuildSystemModule(compiler::Compilation& compilation);

}  // namespace vorlan::library
