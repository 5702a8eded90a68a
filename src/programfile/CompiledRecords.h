#pragma once
// The records of compiled files, written and read in mirror pairs: modules,
// identifier lists, types, data areas, routines, statement blocks and
// expressions. Every record opens with a tag and most close with one; the
// reader fails on any tag it did not expect.

#include "base/Owned.h"
#include "base/Status.h"
#include "value/Types.h"

#include <cstdint>

namespace vorlan::compiler {
struct DataArea;
struct ExprNode;
struct Module;
struct StatementBlock;
struct TypeDescriptor;
}  // namespace vorlan::compiler

namespace vorlan::library {

class ReadLinks;
class WriteLinks;

// clang-format off
enum CompiledTag : uint16_t {
    kTagModules = 11, kTagProgramEnd = 12,
    kTagIdentifiers = 13, kTagIdentifier = 14,
    kTagTypeTable1 = 15, kTagTypeTable2 = 16, kTagTypeRecord = 17,
    kTagDataArea = 18, kTagDataItem = 19, kTagNoDataItem = 20,
    kTagDependencies = 22, kTagDependency = 23,
    kTagFileName = 42, kTagStamp = 44,
    kTagExpression = 45, kTagNode = 47, kTagNodeEnd = 48, kTagNoNode = 49,
    kTagRoutines = 50, kTagRoutine = 51, kTagRoutinesEnd = 52,
    kTagBlock = 53, kTagStatements = 54, kTagStatementsEnd = 56, kTagBlockEnd = 57,
    kTagDimensions = 81, kTagDimension = 82, kTagDimensionsEnd = 83,
    kTagEntry = 84, kTagModuleHeaders = 86, kTagModuleHeader = 87,
    kTagSources = 88, kTagUnits = 89,
    kTagListEnd = 99,
};
// clang-format on

// Module headers list the numbers of a module's types and routines, which
// the reader makes empty so that references resolve in any order.
Status WriteModuleHeader(WriteLinks& links, const compiler::Module& module);
Status ReadModuleHeader(ReadLinks& links, compiler::Module& module);
// Bodies: stamp, file name, source files, names, types, data and routines.
// `exportsOnly` writes a library: only exported names are public.
Status WriteModuleBody(WriteLinks& links, const compiler::Module& module, bool exportsOnly);
Status ReadModuleBody(ReadLinks& links, compiler::Module& module);

Status WriteTypeList(WriteLinks& links, const compiler::Module& module, uint16_t table);
Status ReadTypeList(ReadLinks& links, compiler::Module& module, uint16_t table);

Status WriteDataArea(WriteLinks& links, const compiler::DataArea& area);
Status ReadDataArea(ReadLinks& links, compiler::DataArea& area);

Status WriteExpression(WriteLinks& links, const compiler::ExprNode* node);
Status ReadExpression(ReadLinks& links, compiler::NodeRef* node);

// Whether a literal read as `kind` holds what its type says it holds; asked
// once the file is read, when every type is known.
bool LiteralKindFits(const compiler::ExprNode& node, uint16_t kind);

Status WriteBlock(WriteLinks& links, const compiler::StatementBlock* block);
Status ReadBlock(ReadLinks& links, Owned<compiler::StatementBlock>* block);

}  // namespace vorlan::library
