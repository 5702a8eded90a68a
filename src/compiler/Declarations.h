#pragma once
// Declarations: everything at unit level that is not a statement. The
// declaration pass records names, types and routine headings; the body pass
// reads them again to complete what needs constant expressions.

#include "compiler/Compilation.h"
#include "compiler/Parser.h"

namespace vorlan::compiler {

enum class ListMode : uint8_t { ProgramParameters = 1, Parameters = 2, Fields = 3 };
enum class Compatibility : uint8_t { Assignment = 1, Comparison = 2 };

// Scope words before a declaration: Private, Public or Export, then Const.
struct Modifiers {
    Scope scope = Scope::None;
    bool isConst = false;
    bool written = false;  // any modifier at all
};
Modifiers ReadModifiers(Parser& parser);

// Section - Declaration pass
bool RoutineHeading(Parser& parser, const Modifiers& modifiers);
bool TypeDeclaration(Parser& parser, const Modifiers& modifiers);
bool DataDeclaration(Parser& parser, const Modifiers& modifiers);
// At the end of the main unit: operations of types that waited for a forward type.
void ChooseDeferredValueOps(Parser& parser);

// Section - Body pass
bool RoutineBody(Parser& parser);
bool TypeCompletion(Parser& parser);
bool DataInitialisation(Parser& parser);

// Section - Shared by both passes and by the expression compiler

// [Saved] [Const] TypeName name [= value], ... ; inside a routine heading,
// declaring the names (declaration pass) or reading them again.
bool LocalDeclaration(Parser& parser, bool declaring);

// Reads a field or parameter list into `owner`'s fields (declaring: true) or
// reads it again (declaring: false), compiling defaults when asked. The
// opening bracket has been taken; the parser stops at the token after the
// last item.
bool FieldList(Parser& parser, TypeDescriptor& owner, ListMode mode, bool declaring, bool compileDefaults);
// A type written as name, Module:name or :name, or nullptr after a report.
TypeDescriptor* ReadTypeName(Parser& parser);
// Reports the conflict at `at` and returns false when the types do not fit.
bool TypesCompatible(Parser& parser, const TypeDescriptor* target, const TypeDescriptor* value,
                     Compatibility mode, const ReportPosition& at);
// The same test without a report.
bool TypesFit(const TypeDescriptor* target, const TypeDescriptor* value, Compatibility mode);
bool IsValidProgramParameterType(const TypeDescriptor& type);
// The name a report uses for a type.
const char16_t* TypeName(const TypeDescriptor& type);
// The system type of that code.
TypeDescriptor* FindSystemType(const Compilation& compilation, uint16_t typeCode);

}  // namespace vorlan::compiler
