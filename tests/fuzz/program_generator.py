"""Random Vorlan programs that compile, terminate quickly and show their state.

Every program draws from one family of types (an enumeration, two
structures, open and fixed arrays) whose details vary with the seed, a few
global variables, functions (one of them recursive), procedures (shapes
that draw nothing) and a Program routine. Loops run over small constant
ranges or count with a variable of their own, recursion has a decreasing
depth, and no loop body changes the array it walks, so every program ends.
Statements that may fail sit mostly in blocks with an OnError handler that
reports Status; the Program routine's own handler prints the state again,
so an error in the body still leaves every value visible.
"""

import random

from program_values import ValueMaker, Scope, Variable


MAX_BLOCK_DEPTH = 3
# Loops nest at most this deep, so a body runs at most some hundred times.
MAX_LOOP_DEPTH = 2


class ProgramGenerator:
    def __init__(self, rng: random.Random):
        self.rng = rng
        self.values = ValueMaker(rng)
        self.lines = []
        self.indent = 0
        self.counter = 0
        self.loop_depth = 0
        self.in_function = False
        self.loop_words = []

    # Output helpers

    def emit(self, text):
        self.lines.append("  " * self.indent + text)

    def fresh(self, prefix):
        self.counter += 1
        return f"{prefix}{self.counter}"

    # The whole program

    def program(self, name):
        self.emit(f"[= {name}: generated to compare two ways of running a program. =]")
        self.emit("Const Number limit = 3;")
        self.declare_types()
        self.declare_globals()
        self.declare_recursive_routines()
        for _ in range(self.rng.randint(1, 4)):
            self.declare_function()
        for _ in range(self.rng.randint(0, 2)):
            self.declare_procedure()
        self.declare_program()
        return "\n".join(self.lines) + "\n"

    def declare_types(self):
        types = self.values.types
        items = ", ".join(f"{item} = {value}" if renumbered else item
                          for item, value, renumbered in types.enum_declaration)
        self.emit(f"Type Kind = ({items});")
        fields = ", ".join(f"{kind} {name}" + (f" = {default}" if default is not None else "")
                           for kind, name, default in types.record_fields)
        self.emit(f"Type Rec = {{{fields}}};")
        self.emit("Type Nums = Number[];")
        self.emit("Type Words = Text[];")
        self.emit("Type Recs = Rec[];")
        self.emit("Type Box = {Rec inner, Number count = 0, Words tags};")
        self.emit(f"Type Row = Number[{types.row_low} To limit + {types.row_high - 3}];")
        self.emit("Type Grid = Text[1 To 2, 0 To 1];")
        self.emit("Type ByKind = Text[Kind];")

    def declare_globals(self):
        # One global of every type, so that every routine can reach a value
        # of any type.
        self.emit(f"Public Number total = {self.values.number_literal()};")
        self.values.globals = [Variable("total", "Number"), Variable("limit", "Number", writable=False)]
        for kind in self.values.types.value_kinds:
            name = "g" + self.values.types.prefix[kind]
            init = f" = {self.values.literal(kind)}" if self.rng.random() < 0.8 else ""
            self.emit(f"Public {kind} {name}{init};")
            self.values.globals.append(Variable(name, kind))

    # Routines

    def declare_recursive_routines(self):
        rng = self.rng
        step = self.values.number_expression(Scope(self.values.globals + [Variable("acc", "Number"), Variable("depth", "Number")]), 1)
        self.emit("Function Number Walk(Number depth, Number acc)")
        self.emit("Begin")
        self.indent += 1
        self.emit("If depth <= 0 Then")
        if rng.random() < 0.2:
            self.emit(f"  Error {rng.choice(self.values.categories)}, \"bottom reached\";")
        else:
            self.emit("  Return acc;")
        self.emit("EndIf;")
        self.emit(f"Return Walk(depth - 1, {step});")
        self.indent -= 1
        self.emit("End;")
        self.values.functions.append(("Walk", "Number", [("Number", "depth", "depth", None), ("Number", "acc", None, None)]))
        self.emit("Function Text Spell(Number depth, Text so_far)")
        self.emit("Begin")
        self.emit("  If depth <= 0 Then")
        self.emit("    Return so_far;")
        self.emit("  EndIf;")
        self.emit(f"  Return Spell(depth - 1, so_far + Format(depth, \"I2z\") + {self.values.text_literal()});")
        self.emit("End;")
        self.values.functions.append(("Spell", "Text", [("Number", "depth", "depth", None), ("Text", "so_far", None, None)]))
        self.emit("Function Rec Build(Number depth, Const Ref Rec seed)")
        self.emit("Begin")
        self.emit("  If depth <= 0 Then")
        self.emit("    Return seed;")
        self.emit("  EndIf;")
        self.emit("  Return Build(depth - 1, seed{n -> seed.n + depth, s -> seed.s + \"+\"});")
        self.emit("End;")
        self.values.functions.append(("Build", "Rec", [("Number", "depth", "depth", None), ("Const Ref Rec", "seed", None, None)]))

    def parameters(self):
        rng = self.rng
        params = []
        for index in range(rng.randint(0, 4)):
            kind = rng.choice(("Number", "Number", "Text", "Logical", "Kind", "Rec", "Nums", "Words"))
            mode = rng.choice(("", "", "Ref ", "Const Ref ")) if kind in ("Number", "Text", "Rec", "Nums") else ""
            default = None
            if not mode and rng.random() < 0.3:
                default = self.values.literal(kind)
            params.append((mode + kind, f"p{index + 1}", None, default))
        return params

    @staticmethod
    def parameter_text(params):
        return ", ".join(f"{declared} {name}" + (f" = {default}" if default is not None else "")
                         for declared, name, _, default in params)

    def routine_scope(self, params, locals_):
        variables = list(self.values.globals)
        for declared, name, _, _ in params:
            kind = declared.split()[-1]
            variables.append(Variable(name, kind, writable=not declared.startswith("Const")))
        variables.extend(locals_)
        return Scope(variables)

    def local_declarations(self, count):
        locals_ = []
        for _ in range(count):
            kind = self.rng.choice(self.values.types.value_kinds)
            variable = Variable(self.fresh(self.values.types.prefix[kind]), kind)
            init = f" = {self.values.literal(kind)}" if self.rng.random() < 0.8 else ""
            self.emit(f"  {kind} {variable.name}{init};")
            locals_.append(variable)
        return locals_

    def declare_function(self):
        rng = self.rng
        result = rng.choice(("Number", "Number", "Text", "Logical", "Rec", "Nums", "Kind"))
        name = self.fresh("Fn")
        params = self.parameters()
        self.emit(f"Function {result} {name}({self.parameter_text(params)})")
        saved = rng.random() < 0.3
        if saved:
            self.emit("  Saved Number calls;")
        locals_ = self.local_declarations(rng.randint(0, 3))
        counters = self.counter_declarations()
        scope = self.routine_scope(params, locals_)
        if saved:
            scope.variables.append(Variable("calls", "Number"))
        scope.counters = counters
        self.emit("Begin")
        self.indent += 1
        self.in_function = True
        if saved:
            self.emit("If calls == Null Then calls := 0; EndIf;")
            self.emit("calls += 1;")
            self.emit("total += calls;")
        self.block(scope, rng.randint(1, 5), 1)
        self.emit(f"Return {self.values.expression(result, scope, 2, typed=True)};")
        if rng.random() < 0.4:
            self.indent -= 1
            self.emit("OnError")
            self.indent += 1
            self.report_status("in " + name)
            if rng.random() < 0.3:
                self.emit(f"Error {rng.choice(self.values.categories)}, \"again from {name}\";")
            else:
                self.emit(f"Return {self.values.literal(result)};")
        self.in_function = False
        self.indent -= 1
        self.emit("End;")
        self.values.functions.append((name, result, params))

    def declare_procedure(self):
        rng = self.rng
        name = self.fresh("Pr")
        params = self.parameters()
        self.emit(f"Shape {name}({self.parameter_text(params)})")
        locals_ = self.local_declarations(rng.randint(0, 2))
        counters = self.counter_declarations()
        scope = self.routine_scope(params, locals_)
        scope.counters = counters
        self.emit("Begin")
        self.indent += 1
        self.block(scope, rng.randint(1, 5), 1)
        if rng.random() < 0.3:
            self.emit("Return;")
        if rng.random() < 0.3:
            self.indent -= 1
            self.emit("OnError")
            self.indent += 1
            self.report_status("in " + name)
        self.indent -= 1
        self.emit("End;")
        self.values.procedures.append((name, params))

    def counter_declarations(self):
        names = [self.fresh("i") for _ in range(MAX_BLOCK_DEPTH)]
        kinds = [self.fresh("k") for _ in range(MAX_BLOCK_DEPTH)]
        self.emit(f"  Number {', '.join(names)};")
        self.emit(f"  Kind {', '.join(kinds)};")
        return {"Number": names, "Kind": kinds}

    def declare_program(self):
        rng = self.rng
        self.emit("Program ()")
        locals_ = []
        for kind in self.values.types.value_kinds:
            for _ in range(rng.randint(1, 2)):
                variable = Variable(self.fresh(self.values.types.prefix[kind]), kind)
                init = f" = {self.values.literal(kind)}" if rng.random() < 0.85 else ""
                self.emit(f"  {kind} {variable.name}{init};")
                locals_.append(variable)
        counters = self.counter_declarations()
        scope = self.routine_scope([], locals_)
        scope.counters = counters
        scope.in_program = True
        self.emit("Begin")
        self.indent += 1
        for _ in range(rng.randint(4, 12)):
            if rng.random() < 0.75:
                self.guarded(scope, rng.randint(1, 4), 1)
            else:
                self.statement(scope, 1)
        self.show_state(scope)
        self.indent -= 1
        self.emit("OnError")
        self.indent += 1
        self.report_status("program")
        self.show_state(scope)
        if rng.random() < 0.12:
            self.emit(f"Error {rng.choice(self.values.categories)}, \"left untrapped\";")
        elif rng.random() < 0.05:
            self.emit("Output 1 // (total - total);")
        self.indent -= 1
        self.emit("End;")

    def show_state(self, scope):
        for variable in scope.variables:
            self.emit(f"Output \"{variable.name}\", {variable.name};")

    def report_status(self, where):
        self.emit(f"Output \"handled {where}\", Status.usergen, Status.category, Status.message, Status.param;")
        if self.rng.random() < 0.3:
            self.emit("Output Status.source, Status;")

    # Statements

    def block(self, scope, count, depth):
        for _ in range(count):
            self.statement(scope, depth)

    def guarded(self, scope, count, depth):
        self.emit("If True Then")
        self.indent += 1
        self.block(scope, count, depth + 1)
        self.indent -= 1
        self.emit("OnError")
        self.indent += 1
        self.report_status(self.fresh("block "))
        self.indent -= 1
        self.emit("EndIf;")

    def statement(self, scope, depth):
        rng = self.rng
        choices = ["assign", "assign", "compound", "compound", "element", "output", "output", "call"]
        if depth <= MAX_BLOCK_DEPTH:
            choices += ["if", "select", "select_kind", "guarded"]
            if self.loop_depth < MAX_LOOP_DEPTH:
                choices += ["for", "for_kind", "while", "over"]
        if scope.in_program and self.values.procedures and self.values.calls_allowed:
            choices += ["procedure", "procedure"]
        choices += ["error"] * 1
        if self.loop_depth:
            choices.append("break")
        getattr(self, "statement_" + rng.choice(choices))(scope, depth)

    def statement_assign(self, scope, depth):
        target = self.values.assignable(scope)
        self.emit(f"{target.text} := {self.values.expression(target.kind, scope, 2, typed=True)};")

    def statement_compound(self, scope, depth):
        rng = self.rng
        target = self.values.assignable(scope, ("Number", "Text", "Nums", "Words", "Recs"))
        if target is None:
            return self.statement_output(scope, depth)
        if target.kind == "Number":
            operator = rng.choice(("+=", "-=", "*=", "/=", "//=", "+="))
            self.emit(f"{target.text} {operator} {self.values.number_expression(scope, 1)};")
        elif target.kind == "Text":
            self.emit(f"{target.text} += {self.values.text_expression(scope, 1)};")
        else:
            element = {"Nums": "Number", "Words": "Text", "Recs": "Rec"}[target.kind]
            self.emit(f"{target.text} += {self.values.expression(element, scope, 1, typed=True)};")

    def statement_element(self, scope, depth):
        target = self.values.element_target(scope)
        if target is None:
            return self.statement_assign(scope, depth)
        self.emit(f"{target.text} := {self.values.expression(target.kind, scope, 1, typed=True)};")

    def statement_output(self, scope, depth):
        count = self.rng.randint(1, 4)
        kinds = [self.rng.choice(self.values.types.output_kinds) for _ in range(count)]
        items = ", ".join(self.values.expression(kind, scope, 2, typed=False) for kind in kinds)
        self.emit(f"Output {items};")

    def statement_call(self, scope, depth):
        # A function called for its side effects; its value is shown.
        functions = self.values.functions
        if not functions or not self.values.calls_allowed:
            return self.statement_output(scope, depth)
        name, result, params = self.rng.choice(functions)
        call = self.values.call(name, params, scope)
        if call is None:
            return self.statement_output(scope, depth)
        self.emit(f"Output \"{name}\", {call};")

    def statement_procedure(self, scope, depth):
        name, params = self.rng.choice(self.values.procedures)
        call = self.values.call(name, params, scope)
        if call is None:
            return self.statement_output(scope, depth)
        self.emit(call + ";")

    def statement_error(self, scope, depth):
        rng = self.rng
        if rng.random() < 0.5:
            self.emit(f"Error {rng.choice(self.values.categories)}, {self.values.text_expression(scope, 1)};")
        else:
            self.emit(f"Output {self.values.failing_expression(scope)};")

    def statement_break(self, scope, depth):
        word = self.loop_words[-1]
        self.emit(f"If {self.values.logical_expression(scope, 1)} Then {word}; EndIf;")

    def nested(self, scope, depth, word, count=None):
        self.indent += 1
        self.loop_depth += word is not None
        calls_allowed = self.values.calls_allowed
        if word:
            self.loop_words.append(word)
            # Functions call each other in a chain; a loop in one of them
            # calling the next would multiply the run time at every link.
            self.values.calls_allowed = calls_allowed and not self.in_function
        self.block(scope, count or self.rng.randint(1, 3), depth + 1)
        if word:
            self.loop_words.pop()
            self.values.calls_allowed = calls_allowed
        self.loop_depth -= word is not None
        self.indent -= 1

    def statement_if(self, scope, depth):
        rng = self.rng
        self.emit(f"If {self.values.logical_expression(scope, 2)} Then")
        self.nested(scope, depth, None)
        for _ in range(rng.randint(0, 2)):
            self.emit(f"ElseIf {self.values.logical_expression(scope, 2)} Then")
            self.nested(scope, depth, None)
        if rng.random() < 0.5:
            self.emit("Else")
            self.nested(scope, depth, None)
        self.emit("EndIf;")

    def statement_guarded(self, scope, depth):
        self.guarded(scope, self.rng.randint(1, 3), depth)

    def statement_for(self, scope, depth):
        rng = self.rng
        counter = scope.counters["Number"][depth - 1]
        first = rng.randint(-3, 4)
        last = first + rng.randint(-4, 5)
        step = ""
        if rng.random() < 0.5:
            size = rng.choice((1, 2, 3))
            step = f" Step {size if last >= first else -size}"
            if rng.random() < 0.15:
                step = f" Step {-size if last >= first else size}"
        self.emit(f"For {counter} From {first} To {last}{step} Do")
        scope.readable.append(Variable(counter, "Number", writable=False))
        self.nested(scope, depth, "FBreak")
        scope.readable.pop()
        self.emit("EndFor;")

    def statement_for_kind(self, scope, depth):
        rng = self.rng
        counter = scope.counters["Kind"][depth - 1]
        items = self.values.types.enum_items
        if rng.random() < 0.5:
            self.emit(f"For {counter} In Kind Do")
        else:
            self.emit(f"For {counter} From {rng.choice(items)} To {rng.choice(items)} Do")
        scope.readable.append(Variable(counter, "Kind", writable=False))
        self.nested(scope, depth, "FBreak")
        scope.readable.pop()
        self.emit("EndFor;")

    def statement_while(self, scope, depth):
        counter = scope.counters["Number"][depth - 1]
        self.emit(f"{counter} := 0;")
        condition = f"{counter} < {self.rng.randint(0, 5)}"
        if self.rng.random() < 0.3:
            condition += f" And ({self.values.logical_expression(scope, 1)})"
        self.emit(f"While {condition} Do")
        self.emit(f"  {counter} += 1;")
        scope.readable.append(Variable(counter, "Number", writable=False))
        self.nested(scope, depth, "WBreak")
        scope.readable.pop()
        self.emit("EndWhile;")

    def statement_over(self, scope, depth):
        arrays = [v for v in scope.all() if v.kind in ("Nums", "Words", "Recs", "Row") and not v.walked]
        if not arrays:
            return self.statement_output(scope, depth)
        walked = self.rng.choice(arrays)
        item = self.fresh("e")
        element = {"Nums": "Number", "Row": "Number", "Words": "Text", "Recs": "Rec"}[walked.kind]
        self.emit(f"Over {walked.name} As {item} Do")
        # The walked array keeps its length while it is walked.
        walked.walked = True
        scope.readable.append(Variable(item, element, writable=walked.writable))
        # A routine may change a global array, or one passed by reference,
        # while it is walked: that could make the walk endless.
        calls_allowed = self.values.calls_allowed
        if walked.name.startswith(("g", "p")):
            self.values.calls_allowed = False
        self.nested(scope, depth, "OBreak")
        self.values.calls_allowed = calls_allowed
        scope.readable.pop()
        walked.walked = False
        self.emit("EndOver;")

    def statement_select(self, scope, depth):
        rng = self.rng
        values = sorted(rng.sample(range(-3, 12), rng.randint(1, 5)))
        self.emit(f"Select {self.values.number_expression(scope, 1)} From")
        index = 0
        while index < len(values):
            if index + 1 < len(values) and rng.random() < 0.3:
                label = f"{self.case_value(values[index])} To {self.case_value(values[index + 1])}"
                index += 2
            else:
                take = rng.randint(1, 2)
                label = ", ".join(self.case_value(v) for v in values[index:index + take])
                index += take
            self.emit(f"Case {label} Do")
            self.nested(scope, depth, None)
        if rng.random() < 0.6:
            self.emit("Otherwise")
            self.nested(scope, depth, None)
        self.emit("EndSelect;")

    def case_value(self, value):
        """A Case value as a number or as a constant expression giving it."""
        choice = self.rng.randrange(5)
        if choice == 0:
            return f"limit + {value - 3}" if value >= 3 else f"limit - {3 - value}"
        if choice == 1:
            return f"({value * 2 + 1}) // 2"
        if choice == 2:
            return f"-({-value})"
        return str(value)

    def statement_select_kind(self, scope, depth):
        rng = self.rng
        items = self.values.types.enum_items
        chosen = sorted(rng.sample(range(len(items)), rng.randint(1, len(items))))
        self.emit(f"Select {self.values.expression('Kind', scope, 1, typed=False)} From")
        for position in chosen:
            self.emit(f"Case {items[position]} Do")
            self.nested(scope, depth, None)
        if rng.random() < 0.5:
            self.emit("Otherwise")
            self.nested(scope, depth, None)
        self.emit("EndSelect;")


def generate(seed, index):
    """The program `index` of the run with `seed`: the same text every time."""
    rng = random.Random(f"{seed}/{index}")
    return ProgramGenerator(rng).program(f"gen_{seed}_{index}")
