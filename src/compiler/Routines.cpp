#include "compiler/Declarations.h"
#include "compiler/Statements.h"

#include "value/ValueOps.h"

namespace vorlan::compiler {
namespace {

constexpr uint16_t kTypeCodeShape = 11;

bool IsParenthesis(const Parser& parser) { return parser.Is(Tok::ParenOperand) || parser.Is(Tok::ParenInfix); }

// Skips the rest of a routine: up to End and the semicolon after it.
void SkipRoutine(Parser& parser) {
    SkipTo(parser, Tok::End);
    if (parser.Is(Tok::Semicolon)) parser.Next();
}

Status MakeRoutine(Parser& parser, RoutineKind kind, TypeDescriptor* result, const char16_t* name, Scope scope,
                   const ReportPosition& heading, Routine** out) {
    Module& module = *parser.unit->module;
    Owned<Routine> madeRoutine(new Routine{});
    Owned<IdentifierEntry> madeEntry(madeRoutine ? MakeIdentifier(name, kCategoryRoutine, scope, madeRoutine)
                                                 : nullptr);
    TypeDescriptor* type = madeEntry ? MakeType(kind == RoutineKind::Function ? TypeKind::FunctionType
                                                                              : TypeKind::ShapeType,
                                                kValueClassDeclared, 8)
                                     : nullptr;
    if (!type) {
        parser.Report(Msg::OutOfMemory);
        return Status::OutOfMemory;
    }
    // The unit's names, the module's routines and its type table own them from here.
    Routine* routine = madeRoutine.Take();
    IdentifierEntry* entry = madeEntry.Take();
    routine->kind = kind;
    routine->entry = entry;
    routine->position = heading;
    type->baseType = result;
    type->entry = entry;
    type->table = 2;
    type->state = TypeState::Complete;
    runtime::SetValueOps(*type);
    routine->type = type;
    AddIdentifier(*parser.unit, entry);
    module.routines.Add(routine);
    module.typeTables[1].Add(type);
    *out = routine;
    return Status::Success;
}

// The checks a Program heading must pass before anything is made.
bool CheckProgramPlace(Parser& parser, const Modifiers& modifiers) {
    const Unit& unit = *parser.unit;
    const Compilation& compilation = *unit.module->compilation;
    Msg problem = Msg::NoError;
    if (modifiers.written) problem = Msg::UnwantedModifiers;
    else if (unit.module->mainUnit != &unit) problem = Msg::ProgramInSecondary;
    else if (compilation.runMode == RunMode::BuildLibrary) problem = Msg::ProgramInLibrary;
    else if (compilation.entryRoutine) problem = Msg::ProgramExists;
    if (problem == Msg::NoError) return true;
    parser.Report(problem);
    return false;
}

// "(" parameters ")" in the mode of the routine's kind.
bool ParameterList(Parser& parser, Routine& routine, bool declaring) {
    if (!IsParenthesis(parser)) {
        parser.Report(Msg::ExpectedOpenParen);
        return false;
    }
    parser.Next();
    const ListMode mode = routine.kind == RoutineKind::Program ? ListMode::ProgramParameters : ListMode::Parameters;
    if (!FieldList(parser, *routine.type, mode, declaring, !declaring)) return false;
    if (!parser.Is(Tok::RightParen)) {
        parser.Report(Msg::ExpectedCloseParen);
        return false;
    }
    parser.Next();
    return true;
}

bool EndsHeading(Tok code) {
    return code == Tok::End || code == Tok::Program || code == Tok::Function || code == Tok::Shape ||
           code == Tok::Type || code == Tok::EndOfFile;
}

// Local declarations up to Begin.
bool LocalDeclarations(Parser& parser, bool declaring) {
    while (!parser.Is(Tok::Begin)) {
        if (parser.Is(Tok::EndOfFile)) {
            parser.Report(Msg::UnexpectedEof);
            return false;
        }
        if (EndsHeading(parser.Code())) {
            parser.Report(Msg::BeginNotFound);
            return false;
        }
        if (!LocalDeclaration(parser, declaring) && parser.Is(Tok::EndOfFile)) return false;
    }
    return true;
}

// Begin ... End ; where the statements are not compiled in this pass.
bool SkipBody(Parser& parser, const Routine& routine) {
    SkipTo(parser, Tok::End);
    if (parser.Is(Tok::EndOfFile)) {
        parser.ReportAt(routine.position, Msg::EndNotFound);
        return false;
    }
    if (!parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ExpectedSemicolon);
        return false;
    }
    parser.Next();
    return true;
}

// Begin statements End ; in the body pass. After errors in the statements
// the rest of the routine is skipped.
bool CompileBody(Parser& parser, Routine& routine) {
    parser.Next();  // Begin
    bool ok = true;
    routine.body = CompileRoutineBody(parser, routine, &ok);
    if (parser.Is(Tok::EndOfFile)) {
        parser.ReportAt(routine.position, Msg::EndNotFound);
        return false;
    }
    if (!ok) {
        SkipRoutine(parser);
        return false;
    }
    parser.Next();  // End
    if (!parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ExpectedSemicolon);
        return false;
    }
    parser.Next();
    return true;
}

// Parameters, locals and body; on an error before the body the rest of the
// routine is skipped.
bool ReadRoutineRest(Parser& parser, Routine& routine, bool declaring) {
    parser.routine = &routine;
    bool ok = ParameterList(parser, routine, declaring);
    // A frame holds the parameters first, then the locals.
    if (ok && declaring) routine.frame.base = routine.type->fields.size;
    ok = ok && LocalDeclarations(parser, declaring);
    if (ok) ok = declaring ? SkipBody(parser, routine) : CompileBody(parser, routine);
    else SkipRoutine(parser);
    parser.routine = nullptr;
    return ok;
}

Routine* FindRoutine(const Unit& unit, const char16_t* name) {
    IdentifierEntry* entry = unit.privateList.Find(name);
    if (!entry || !(entry->category & kCategoryRoutine)) entry = unit.module->publicList.Find(name);
    if (!entry || !(entry->category & kCategoryRoutine)) return nullptr;
    return static_cast<Routine*>(entry->object);
}

}  // namespace

// Program ( parameters ) locals Begin ... End ;
// Function ResultType Name ( parameters ) locals Begin ... End ;
// Shape Name ( parameters ) locals Begin ... End ;
bool RoutineHeading(Parser& parser, const Modifiers& modifiers) {
    const Tok keyword = parser.Code();
    const ReportPosition heading = parser.token.position;
    const Compilation& compilation = *parser.unit->module->compilation;
    if (keyword == Tok::Program ? !CheckProgramPlace(parser, modifiers) : modifiers.isConst) {
        if (keyword != Tok::Program) parser.Report(Msg::UnwantedModifiers);
        SkipRoutine(parser);
        return false;
    }
    const RoutineKind kind = keyword == Tok::Program  ? RoutineKind::Program
                             : keyword == Tok::Shape  ? RoutineKind::Shape
                                                      : RoutineKind::Function;
    parser.Next();
    TypeDescriptor* result = FindSystemType(compilation, kTypeCodeShape);
    if (kind == RoutineKind::Function && !(result = ReadTypeName(parser))) {
        SkipRoutine(parser);
        return false;
    }
    const char16_t* name = u"_Program";
    Scope scope = Scope::Private;
    Token nameToken = parser.token;
    if (kind != RoutineKind::Program) {
        if (!parser.Is(Tok::Identifier)) {
            parser.Report(Msg::ExpectedIdentifier);
            SkipRoutine(parser);
            return false;
        }
        if (modifiers.scope != Scope::None) scope = modifiers.scope;
        if (const uint16_t conflict = CheckUnitName(*parser.unit, nameToken.text, scope)) {
            FileReport(parser.reader, &nameToken.position, conflict, nullptr);
            SkipRoutine(parser);
            return false;
        }
        name = nameToken.text;
        parser.Next();
    }
    Routine* routine = nullptr;
    if (MakeRoutine(parser, kind, result, name, scope, heading, &routine) != Status::Success) {
        SkipRoutine(parser);
        return false;
    }
    if (kind == RoutineKind::Program) parser.unit->module->compilation->entryRoutine = routine;
    return ReadRoutineRest(parser, *routine, true);
}

// The body pass reads the heading again, finds the routine it made and
// compiles what the declaration pass left: defaults, initial values, the body.
bool RoutineBody(Parser& parser) {
    const Tok keyword = parser.Code();
    Routine* routine = nullptr;
    parser.Next();
    if (keyword == Tok::Program) {
        routine = parser.unit->module->compilation->entryRoutine;
    } else {
        if (keyword == Tok::Function && !ReadTypeName(parser)) {
            SkipRoutine(parser);
            return false;
        }
        if (parser.Is(Tok::Identifier)) routine = FindRoutine(*parser.unit, parser.token.text);
        parser.Next();
    }
    if (!routine) {
        parser.Report(Msg::InternalError);
        SkipRoutine(parser);
        return false;
    }
    return ReadRoutineRest(parser, *routine, false);
}

}  // namespace vorlan::compiler
