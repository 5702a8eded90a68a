#include "compiler/Passes.h"

#include "compiler/Declarations.h"
#include "compiler/Parser.h"
#include "base/PathText.h"
#include "base/WideText.h"

#include <cstdio>

namespace vorlan::compiler {
namespace {

bool OpenReader(Parser& parser, Unit& unit, Parser* parent) {
    uint16_t code = 0;
    parser.reader = OpenTextReader(unit.descriptor, stdout, &code);
    if (parser.reader) return true;
    if (parent) FileReport(parent->reader, &parent->token.position, code, unit.descriptor->path);
    else CommandLineReport(code, unit.descriptor->path);
    return false;
}

void Start(Parser& parser, Unit& unit, Pass pass) {
    parser.unit = &unit;
    parser.pass = pass;
    StartTokens(parser.token, *parser.reader);
    parser.Next();
}

bool ExpectSemicolon(Parser& parser) {
    if (!parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ExpectedSemicolon);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    return true;
}

// Source 'path' ; in the declaration pass: a new unit of this module.
bool SourceDeclaration(Parser& parser) {
    parser.Next();
    if (!parser.Is(Tok::SpecialLiteral)) {
        parser.Report(Msg::ExpectedQuotedToken);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    char16_t path[kPathMax + 1];
    PathBesideFile(parser.unit->descriptor->path, parser.token.text, path);
    const ReportPosition at = parser.token.position;
    uint16_t code = 0;
    Unit* unit = CreateUnit(*parser.unit->module, path, &code);
    if (!unit) {  // no unit, so no pass runs over it
        parser.ReportAt(at, static_cast<Msg>(code), path);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    if (!DeclarationPass(*unit, &parser)) {
        parser.ReportAt(at, Msg::ErrorsInSecondary, path);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    return ExpectSemicolon(parser);
}

// Source 'path' ; in the body pass: the unit made for it in the declaration pass.
bool SourceBodies(Parser& parser) {
    parser.Next();
    char16_t path[kPathMax + 1];
    PathBesideFile(parser.unit->descriptor->path, parser.token.text, path);
    Unit* unit = FindUnit(*parser.unit->module, path);
    if (!unit || !BodyPass(*unit)) {
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    return ExpectSemicolon(parser);
}

// Library Name = 'path' ; at the start of the main unit.
bool LibraryStatement(Parser& parser) {
    Compilation& compilation = *parser.unit->module->compilation;
    parser.Next();
    if (!parser.Is(Tok::Identifier)) {
        parser.Report(Msg::ExpectedIdentifier);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    const Token name = parser.token;
    IdentifierEntry* known = nullptr;
    if (LookupName(*parser.unit, nullptr, name.text, &known) != LookupResult::NotFound) {
        parser.Report(Msg::AlreadyPublicElsewhere, name.text);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    if (!parser.Is(Tok::Equals)) {
        parser.Report(Msg::ExpectedDefEquals);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    if (!parser.Is(Tok::SpecialLiteral)) {
        parser.Report(Msg::ExpectedFilePath);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    // A library is known by its path from the importing unit's folder, in
    // one spelling, however the libraries that need it wrote it.
    char16_t relative[kPathMax + 1];
    PathBesideFile(parser.unit->descriptor->path, parser.token.text, relative);
    NormalisePath(relative);
    if (Module* loaded = FindModuleByFileName(compilation, relative)) {
        if (loaded->imported) {
            parser.Report(Msg::LibraryAlreadyImported, parser.token.text);
            SkipTo(parser, Tok::Semicolon);
            return false;
        }
        WideCopy(loaded->name, name.text, kNameLength);  // loaded earlier for another library
        loaded->imported = 1;
    } else {
        uint16_t code = 0;
        FileDescriptor* descriptor = MakeFileDescriptor(relative, FileKind::Library, *compilation.settings, &code);
        Module* module = nullptr;
        if (!descriptor ||
            LoadLibraryModule(compilation, *descriptor, IsBuildingProgram(compilation), &module) != Status::Success) {
            FreeFileDescriptor(descriptor);
            parser.Report(Msg::LibraryLoadFailed, relative);
            SkipTo(parser, Tok::Semicolon);
            return false;
        }
        FreeFileDescriptor(descriptor);
        WideCopy(module->name, name.text, kNameLength);
        module->imported = 1;
    }
    parser.Next();
    return ExpectSemicolon(parser);
}

// Every forward type of the module still undefined at the end of the main unit.
void ReportUndefinedForwards(Parser& parser) {
    for (const TypeDescriptor* type = parser.unit->module->typeTables[0].first; type; type = type->next) {
        if (type->state == TypeState::Forward)
            parser.ReportAt(type->declaration, Msg::ForwardNeverDefined, type->entry->name);
    }
}

// One unit-level declaration in the declaration pass. False ends the pass.
bool Declare(Parser& parser, bool secondary) {
    const Modifiers modifiers = ReadModifiers(parser);
    switch (parser.Code()) {
    case Tok::Program:
    case Tok::Function:
    case Tok::Shape: RoutineHeading(parser, modifiers); return true;
    case Tok::Type:
        if (modifiers.isConst) parser.Report(Msg::UnwantedModifiers);
        return TypeDeclaration(parser, modifiers);
    case Tok::Source:
        if (modifiers.written) parser.Report(Msg::UnwantedModifiers);
        if (secondary) {
            parser.Report(Msg::SourceInSecondary);
            SkipTo(parser, Tok::Semicolon);
            return true;
        }
        SourceDeclaration(parser);
        return true;
    default: DataDeclaration(parser, modifiers); return true;
    }
}

}  // namespace

Modifiers ReadModifiers(Parser& parser) {
    Modifiers modifiers;
    switch (parser.Code()) {
    case Tok::Private: modifiers.scope = Scope::Private; break;
    case Tok::Public: modifiers.scope = Scope::Public; break;
    case Tok::Export: modifiers.scope = Scope::Export; break;
    default: break;
    }
    if (modifiers.scope != Scope::None) {
        modifiers.written = true;
        parser.Next();
    }
    if (parser.Is(Tok::Const)) {
        modifiers.isConst = true;
        modifiers.written = true;
        parser.Next();
    }
    return modifiers;
}

bool DeclarationPass(Unit& unit, Parser* parent) {
    Parser parser;
    if (!OpenReader(parser, unit, parent)) return false;
    Start(parser, unit, Pass::Declarations);
    const bool main = parent == nullptr && unit.module->mainUnit == &unit;
    bool ok = true;
    if (main) {
        while (ok && parser.Is(Tok::Library)) ok = LibraryStatement(parser);
        unit.module->dataBase = unit.module->compilation->globalDataTotal;
    }
    while (ok && !parser.Is(Tok::EndOfFile)) {
        if (parser.Is(Tok::Error)) {  // reported by the lexer
            parser.Next();
            continue;
        }
        ok = Declare(parser, !main);
    }
    if (main && ok) {  // a pass that ended early leaves its forward types unfinished, not undefined
        ReportUndefinedForwards(parser);
        if (!parser.HadErrors()) ChooseDeferredValueOps(parser);
    }
    ok = ok && !parser.HadErrors();
    CloseTextReader(parser.reader);
    return ok;
}

bool BodyPass(Unit& unit) {
    Parser parser;
    if (!OpenReader(parser, unit, nullptr)) return false;
    Start(parser, unit, Pass::Bodies);
    if (unit.module->mainUnit == &unit) {
        while (parser.Is(Tok::Library)) SkipTo(parser, Tok::Semicolon);
    }
    bool ok = true;
    while (ok && !parser.Is(Tok::EndOfFile)) {
        ReadModifiers(parser);
        switch (parser.Code()) {
        case Tok::Program:
        case Tok::Function:
        case Tok::Shape: ok = RoutineBody(parser); break;
        case Tok::Type: ok = TypeCompletion(parser); break;
        case Tok::Source: ok = SourceBodies(parser); break;
        default: DataInitialisation(parser); break;
        }
    }
    ok = ok && !parser.HadErrors();
    CloseTextReader(parser.reader);
    return ok;
}

}  // namespace vorlan::compiler
