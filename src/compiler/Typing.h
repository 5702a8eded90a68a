#pragma once
// Shared by the parts of the expression compiler: node construction, the
// operand and operator typers, and list binding.

#include "compiler/Compilation.h"
#include "compiler/Expression.h"
#include "compiler/ParseTree.h"
#include "compiler/Parser.h"

namespace vorlan::compiler {

// A new node holding one reference, or nullptr after reporting 101.
NodeRef NewNode(Parser& parser, NodeForm form, const ReportPosition& at, TypeDescriptor* type);
NodeRef NewLiteral(Parser& parser, const ReportPosition& at, TypeDescriptor* type, const void* value, size_t size);
// A list of `count` empty slots (with a target per slot when `bound`), or
// nullptr after reporting 101.
Owned<ExprList> NewExprList(Parser& parser, uint16_t count, bool bound);

TypeDescriptor* SystemType(const Parser& parser, uint16_t code);
bool IsSystemType(const TypeDescriptor* type, uint16_t code);

// Types one parse node against an expected type (or none).
NodeRef TypeNode(Parser& parser, const ParseNode& tree, TypeDescriptor* expected);
NodeRef TypeOperator(Parser& parser, const ParseNode& tree, TypeDescriptor* expected);
// A name denoted by an identifier entry, as a node.
NodeRef NodeForEntry(Parser& parser, IdentifierEntry& entry, const ReportPosition& at);
// Null of the expected type, or 390.
NodeRef NullOfType(Parser& parser, TypeDescriptor* expected, const ReportPosition& at);

enum class BindMode : uint8_t { Call, StructureValue, Modify };
// Binds a list's items to the fields or parameters of `owner`. Calls and
// structure values take defaults for targets left out; Modify leaves them.
Owned<ExprList> BindList(Parser& parser, const ParseNode& list, const TypeDescriptor& owner, BindMode mode);
// The default of a field or parameter as a node (shared), or nullptr.
NodeRef DefaultOf(Parser& parser, DataItem& target, const ReportPosition& at);

}  // namespace vorlan::compiler
