// ReadValue and ReadArray: values written as constant expressions, read
// through the lexer and expression compiler in the running program's
// context, so a value file may use the program's types and constants.

#include "library/functions/BuiltinFunctions.h"
#include "library/datafiles/DataFiles.h"
#include "library/functions/FunctionCall.h"

#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "compiler/Expression.h"
#include "compiler/Parser.h"
#include "value/Types.h"
#include "base/TextReader.h"
#include "value/Arrays.h"
#include "value/HeldValue.h"
#include "interp/Evaluate.h"
#include "value/ValueOps.h"

namespace vorlan::library {
namespace {

constexpr uint32_t kDatatypeOffset = 0;
constexpr uint32_t kDataFileOffset = 8;
constexpr uint32_t kLogFileOffset = 16;
constexpr uint32_t kTagValueElement = 10303;

using compiler::EvalCode;
using compiler::ExprNode;
using compiler::TypeDescriptor;

bool IsRoutineType(const TypeDescriptor* type) {
    return type && (type->kind == compiler::TypeKind::FunctionType || type->kind == compiler::TypeKind::ShapeType);
}

// Only what the compiler could have written down: literals, named constants
// and what operators and lists make of them. A value file never reads the
// program's variables, and never names or calls its routines: data is data.
bool IsConstant(const ExprNode* node) {
    if (!node) return true;
    if (IsRoutineType(node->type)) return false;
    switch (node->eval) {
    case EvalCode::Literal:
    case EvalCode::TextLiteral:
    case EvalCode::NullArray: return true;
    case EvalCode::DataItem: return node->item && (node->item->flags & compiler::kDataConst);
    case EvalCode::Call: return false;
    default: break;
    }
    if (!IsConstant(node->left) || !IsConstant(node->right)) return false;
    for (uint16_t i = 0; node->list && i < node->list->count; ++i) {
        if (!IsConstant(node->list->items[i])) return false;
    }
    return true;
}

void ReleaseAndClear(const TypeDescriptor& type, void* cell) {
    if (type.ops.release) (void)type.ops.release(type, cell);
    std::memset(cell, 0, type.cellSize);
    (void)runtime::InitialiseValue(type, cell);
}

compiler::Unit* ProgramUnit(const compiler::Compilation* program) {
    if (!program || !program->entryRoutine) return nullptr;
    for (compiler::Module* module = program->firstModule; module; module = module->next) {
        for (const compiler::Routine* routine = module->routines.first; routine; routine = routine->next) {
            if (routine == program->entryRoutine) return module->mainUnit;
        }
    }
    return nullptr;
}

// Reads the value files of one call: the parser on the data file, with the
// program's main unit for looking names up.
class ValueReader {
public:
    ValueReader(FunctionCall& call, TextReader& reader, compiler::Unit& unit) : call_(call) {
        parser_.unit = &unit;
        parser_.reader = &reader;
        parser_.pass = compiler::Pass::Bodies;
        compiler::StartTokens(parser_.token, reader);
        parser_.Next();
    }

    bool AtEnd() const { return parser_.Is(compiler::Tok::EndOfFile); }

    // One constant expression of `type` into `cell`, which holds a valid value.
    Status Value(TypeDescriptor& type, void* cell) {
        const compiler::NodeRef node = compiler::CompileExpression(parser_, &type);
        if (!node) return Status::Invalid;
        Status status = Status::Success;
        // The expression is typed against `type` but may still be of another:
        // only a value the compiler would assign may reach the cell.
        if (parser_.HadErrors() ||
            !compiler::TypesCompatible(parser_, &type, node->type, compiler::Compatibility::Assignment, node->position)) {
            status = Status::Invalid;
        } else if (!IsConstant(node)) {
            parser_.ReportAt(node->position, Msg::NoCompileTimeEvaluation);
            status = Status::Invalid;
        } else {
            // The expression goes when this value is read: it is given no
            // compiled form, which the run would keep until it ends.
            runtime::RunContext constants = call_.Run();
            constants.wordCodes = nullptr;
            status = runtime::EvaluateInto(*node, constants, cell);
        }
        return status;
    }

    bool Semicolon() {
        if (!parser_.Is(compiler::Tok::Semicolon)) {
            parser_.Report(Msg::ExpectedSemicolon);
            return false;
        }
        parser_.Next();
        return true;
    }

private:
    FunctionCall& call_;
    compiler::Parser parser_;
};

Status ReadElements(ValueReader& values, const TypeDescriptor& arrayType, void* result) {
    TypeDescriptor& elementType = *arrayType.baseType;
    void* block = nullptr;
    VL_PROPAGATE(runtime::CreateOpenArray(elementType.cellSize, 0, &block));
    runtime::StoreHandle(result, block);
    if (values.AtEnd()) return Status::Success;
    const runtime::HeldValue held(&elementType, MemAllocate(elementType.cellSize, kTagValueElement));
    void* element = held.Get();
    if (!element) return Status::OutOfMemory;
    Status status = runtime::InitialiseValue(elementType, element);
    while (status == Status::Success) {
        ReleaseAndClear(elementType, element);
        status = values.Value(elementType, element);
        if (status == Status::Success) status = runtime::AppendElement(result, elementType, element);
        if (status == Status::Success && !values.Semicolon()) status = Status::Invalid;
        if (status == Status::Success && values.AtEnd()) break;
    }
    return status;
}

// ReadValue and ReadArray differ only in what they read once the files are open.
Status ReadValueFile(void* context, void* parameters, void* result, bool array) {
    FunctionCall call(context, parameters);
    const TypeDescriptor* type = call.TypeArgument(kDatatypeOffset);
    if (!type || (array && (type->kind != compiler::TypeKind::Array || !type->baseType)))
        return call.ResultError(Status::BadParam, true);
    ReleaseAndClear(*type, result);
    const void* dataFile = call.Text(kDataFileOffset);
    if (!dataFile) return call.ArgumentError(u"datafile", Status::UsingNull);
    char16_t dataName[kPathMax + 1];
    char16_t logName[kPathMax + 1];
    const void* logFile = call.Text(kLogFileOffset);
    if (logFile && !PathFromText(logFile, logName)) return call.ResultErrorNaming(Status::Invalid, nullptr);
    if (!PathFromText(dataFile, dataName)) return call.ResultErrorNaming(Status::Invalid, nullptr);
    compiler::Unit* unit = ProgramUnit(call.Run().program);
    if (!unit) return call.ResultError(Status::InternalFailure, true);

    FILE* log = OpenLogStream(logFile ? logName : nullptr);
    if (!log) return call.ResultErrorNaming(Status::Invalid, logName);
    Status status = Status::Success;
    {
        DataInput data;
        if (!data.Open(dataName, log)) {
            data.Close();
            CloseLogStream(log);
            return call.ResultErrorNaming(Status::Invalid, dataName);
        }
        ValueReader values(call, *data.reader, *unit);
        if (array) status = ReadElements(values, *type, result);
        else if (!values.AtEnd()) status = values.Value(*const_cast<TypeDescriptor*>(type), result);
    }
    CloseLogStream(log);
    if (status == Status::Success) return status;
    ReleaseAndClear(*type, result);
    if (status == Status::Propagating) return status;  // the evaluation recorded its own report
    return call.ResultErrorNaming(status == Status::OutOfMemory ? status : Status::Invalid, nullptr);
}

}  // namespace

Status ReadValue(void* context, void* parameters, void* result) {
    return ReadValueFile(context, parameters, result, false);
}

Status ReadArray(void* context, void* parameters, void* result) {
    return ReadValueFile(context, parameters, result, true);
}

}  // namespace vorlan::library
