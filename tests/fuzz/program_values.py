"""Typed expressions for generated Vorlan programs.

Every expression is made for one type and only uses what that type allows,
so the programs compile. Literals that take their type from where they
stand (structure and array values, enumeration items, Null) are only made
for typed places: assignments, arguments, returns. Operands are always put
in parentheses, so the shape of the tree is what the text says.
"""

from dataclasses import dataclass, field

ENUM_NAMES = ("Fig", "Kiwi", "Lime", "Pear", "Plum", "Sloe", "Yuzu")
CATEGORIES = ("BadParam", "OutOfRange", "UsingNull", "Invalid", "Overflow", "DivByZero", "OutOfMemory",
              "MultiReport")
NUMBER_LITERALS = ("0", "1", "2", "3", "7", "10", "-1", "-5", "100", "1073741823", "-1073741823", "1073741822",
                   "536870912", "46341", "32768", "2.5", "0.1", "-0.75", "1.5e-3", "3.25e2", "1.0e30", "0FF#16",
                   "777#8", "0Z#36", "0.0")
TEXT_LITERALS = ('""', '"a"', '"abc"', '"Hello"', '"x y z"', '"line\\nbreak"', '"quote\\"d"', '"back\\\\"',
                 '"\\41\\\\42\\"', '"caf\\E9\\"', '"\\263A\\"', '"zz"', '"12"', '"3,5"', '"-7"', '"Tab\\9\\"')
LOGICAL_FORMATS = ('Null', '"N"', '"T"')
ENUM_FORMATS = ('"N"', '"T"')
FORMATS = ('"I5z"', '"R0.2"', '"It"', '"I#16"', '"E"', '"N"', '"+I4"', '"R8.3r"', '"I#2"', 'Null')
ELEMENT = {"Nums": "Number", "Words": "Text", "Recs": "Rec", "Row": "Number"}


@dataclass
class Variable:
    name: str
    kind: str
    writable: bool = True
    walked: bool = False  # an Over loop walks it: its length must stay


@dataclass
class Target:
    text: str
    kind: str


@dataclass
class Scope:
    variables: list
    readable: list = field(default_factory=list)
    counters: dict = field(default_factory=dict)
    in_program: bool = False

    def all(self):
        return self.variables + self.readable

    def of(self, kind):
        return [v for v in self.all() if v.kind == kind]


class ProgramTypes:
    """The program's own types; their details vary from program to program."""

    value_kinds = ("Number", "Text", "Logical", "Kind", "Rec", "Box", "Nums", "Words", "Recs", "Row", "ByKind",
                   "Grid", "Time")
    prefix = {"Number": "n", "Text": "t", "Logical": "b", "Kind": "k", "Rec": "r", "Box": "x", "Nums": "ns",
              "Words": "ws", "Recs": "rs", "Row": "row", "ByKind": "bk", "Grid": "gd", "Time": "tm"}
    output_kinds = value_kinds + ("Number", "Number", "Text", "Logical")

    def __init__(self, rng, values):
        count = rng.randint(2, 5)
        self.enum_items = rng.sample(ENUM_NAMES, count)
        self.enum_declaration = []
        for item in self.enum_items:
            renumbered = rng.random() < 0.2
            self.enum_declaration.append((item, rng.randint(1, 40) if renumbered else None, renumbered))
        self.record_fields = [("Number", "n"), ("Text", "s"), ("Logical", "flag"), ("Kind", "kind")]
        rng.shuffle(self.record_fields)
        defaults = {"Number": values.number_literal, "Text": values.text_literal,
                    "Logical": lambda: rng.choice(("True", "False")), "Kind": lambda: rng.choice(self.enum_items)}
        self.record_fields = [(kind, name, defaults[kind]() if rng.random() < 0.6 else None)
                              for kind, name in self.record_fields]
        self.row_low = rng.randint(-2, 2)
        self.row_high = self.row_low + rng.randint(0, 3)


class ValueMaker:
    def __init__(self, rng):
        self.rng = rng
        self.categories = CATEGORIES
        self.globals = []
        self.functions = []
        self.procedures = []
        self.calls_allowed = True
        self.types = ProgramTypes(rng, self)

    # Literals

    def number_literal(self):
        return self.rng.choice(NUMBER_LITERALS)

    def text_literal(self):
        return self.rng.choice(TEXT_LITERALS)

    def time_literal(self):
        return self.rng.choice(("'2024-02-29'", "'1999-12-31@23:59:59.999'", "'0001-01-01'", "'9999-12-31'",
                                "'2024-02-29@13:05'", "'13:05:09.5'"))

    def plain_literal(self, kind):
        """A literal that reads the same in any place."""
        rng = self.rng
        if kind == "Number":
            return self.number_literal()
        if kind == "Text":
            return self.text_literal()
        if kind == "Logical":
            return rng.choice(("True", "False"))
        if kind == "Kind":
            return rng.choice(self.types.enum_items)
        return self.time_literal()

    def literal(self, kind):
        """A constant for a typed place."""
        rng = self.rng
        if rng.random() < 0.06 and kind in ("Number", "Text", "Logical", "Kind", "Time", "Nums", "Words", "Recs"):
            return "Null"
        if kind in ("Number", "Text", "Logical", "Kind", "Time"):
            return self.plain_literal(kind)
        if kind == "Rec":
            return self.record_value(lambda k: self.plain_literal(k))
        if kind == "Box":
            return f"{{{self.literal('Rec')}, {self.number_literal()}, {self.literal('Words')}}}"
        if kind == "Row":
            return self.array_value("Number", self.types.row_high - self.types.row_low + 1, None)
        if kind == "ByKind":
            return self.array_value("Text", len(self.types.enum_items), None)
        if kind == "Grid":
            return f"[{self.array_value('Text', 2, None)}, {self.array_value('Text', 2, None)}]"
        return self.array_value(ELEMENT[kind], rng.randint(1, 4), None)

    def record_value(self, make):
        rng = self.rng
        fields = self.types.record_fields
        if rng.random() < 0.5:
            return "{" + ", ".join(make(kind) for kind, _, _ in fields) + "}"
        named = [f"{name} -> {make(kind)}" for kind, name, default in fields
                 if default is None or rng.random() < 0.4]
        return "{" + ", ".join(named) + "}"

    def array_value(self, element, count, scope):
        make = (lambda: self.literal(element)) if scope is None else \
            (lambda: self.expression(element, scope, 1, typed=True))
        return "[" + ", ".join(make() for _ in range(count)) + "]"

    # Expressions by type

    def expression(self, kind, scope, depth, typed):
        if kind == "Number":
            return self.number_expression(scope, depth)
        if kind == "Text":
            return self.text_expression(scope, depth)
        if kind == "Logical":
            return self.logical_expression(scope, depth)
        if typed and self.rng.random() < 0.25:
            return self.literal(kind)
        return getattr(self, "expression_" + kind)(scope, depth, typed)

    def variable(self, scope, kind):
        found = scope.of(kind)
        return self.rng.choice(found).name if found else None

    def call_returning(self, kind, scope):
        if not self.calls_allowed:
            return None
        matching = [f for f in self.functions if f[1] == kind]
        if not matching:
            return None
        name, _, params = self.rng.choice(matching)
        return self.call(name, params, scope)

    def pick(self, options):
        """The first usable option from a shuffled list of makers."""
        options = list(options)
        self.rng.shuffle(options)
        for make in options:
            text = make()
            if text is not None:
                return text
        return None

    def number_expression(self, scope, depth):
        rng = self.rng
        leaves = [self.number_literal, lambda: self.variable(scope, "Number")]
        if depth <= 0:
            return self.pick(leaves)
        sub = lambda: self.number_expression(scope, depth - 1)
        text = lambda: self.text_expression(scope, depth - 1)
        options = leaves + [
            lambda: f"({sub()}) {rng.choice(('+', '-', '*', '/', '//', 'Mod', '+', '-', '*'))} ({sub()})",
            lambda: f"({sub()}) ^ ({rng.choice(('0', '1', '2', '3', '0.5', '-1', '31', sub()))})",
            lambda: f"-({sub()})",
            lambda: f"Len({text()})",
            lambda: f"{rng.choice(('Abs', 'Round', 'Sqrt'))}({sub()})",
            lambda: f"Round({sub()}, {rng.choice(('Nearest', 'Down', 'Up', 'ToZero', 'FromZero'))})",
            lambda: f"CharCode({text()})",
            lambda: f"ToNumber(Format({sub()}))",
            lambda: f"ArrayHigh({self.any_array(scope)})" if self.any_array(scope) else None,
            lambda: f"ArrayLow({self.variable(scope, 'Grid')}, {rng.choice(('1', '2', '3'))})"
                    if self.variable(scope, "Grid") else None,
            lambda: self.field(scope, "Number"),
            lambda: self.element(scope, "Number"),
            lambda: f"GetDay({self.time_expression(scope, depth - 1)})",
            lambda: f"DiffDays({self.time_expression(scope, depth - 1)}, {self.time_expression(scope, depth - 1)})",
            lambda: self.call_returning("Number", scope),
            lambda: self.call_returning("Number", scope),
        ]
        return self.pick(options)

    def text_expression(self, scope, depth):
        rng = self.rng
        leaves = [self.text_literal, lambda: self.variable(scope, "Text")]
        if depth <= 0:
            return self.pick(leaves)
        sub = lambda: self.text_expression(scope, depth - 1)
        number = lambda: self.number_expression(scope, depth - 1)
        small = lambda: rng.choice(("0", "1", "2", "3", "5", number()))
        options = leaves + [
            lambda: f"({sub()}) + ({sub()})",
            lambda: f"({sub()})[{small()}]",
            lambda: f"({sub()})[{small()}, {rng.choice(('Null', small()))}]",
            lambda: f"Char({rng.choice(('65', '97', '10', '0', '9731', number()))})",
            lambda: f"Format({number()}, {rng.choice(FORMATS)})",
            lambda: f"Format({self.logical_expression(scope, depth - 1)}, {rng.choice(LOGICAL_FORMATS)})",
            lambda: f"Format({self.expression_Kind(scope, depth - 1, False)}, {rng.choice(ENUM_FORMATS)})",
            lambda: f"Format({self.time_expression(scope, depth - 1)})",
            lambda: self.field(scope, "Text"),
            lambda: self.element(scope, "Text"),
            lambda: self.call_returning("Text", scope),
            lambda: self.call_returning("Text", scope),
        ]
        return self.pick(options)

    def logical_expression(self, scope, depth):
        rng = self.rng
        leaves = [lambda: rng.choice(("True", "False")), lambda: self.variable(scope, "Logical")]
        if depth <= 0:
            return self.pick(leaves)
        sub = lambda: self.logical_expression(scope, depth - 1)
        order = ("<", "<=", ">", ">=", "==", "<>")
        options = leaves + [
            lambda: f"({self.number_expression(scope, depth - 1)}) {rng.choice(order)} "
                    f"({self.number_expression(scope, depth - 1)})",
            lambda: f"({self.text_expression(scope, depth - 1)}) {rng.choice(order)} "
                    f"({self.text_expression(scope, depth - 1)})",
            lambda: self.compare_same(scope, depth, rng.choice(("Kind", "Time")), order),
            lambda: self.compare_same(scope, depth, rng.choice(("Rec", "Nums", "Words", "Box", "Row", "Grid")),
                                      ("==", "<>")),
            lambda: f"({sub()}) {rng.choice(('And', 'Or', 'Xor'))} ({sub()})",
            lambda: f"Not ({sub()})",
            lambda: self.field(scope, "Logical"),
            lambda: self.call_returning("Logical", scope),
        ]
        return self.pick(options)

    def compare_same(self, scope, depth, kind, operators):
        left = self.expression(kind, scope, depth - 1, typed=False)
        if left is None:
            return None
        right = self.expression(kind, scope, depth - 1, typed=False)
        if kind == "Kind" and self.rng.random() < 0.4:
            right = self.plain_literal("Kind")
        return f"({left}) {self.rng.choice(operators)} ({right})" if right else None

    def time_expression(self, scope, depth):
        rng = self.rng
        # A date literal takes its type from its place: none here.
        return self.pick([
            lambda: self.variable(scope, "Time"),
            lambda: f"MakeDate({rng.randint(1999, 2030)}, {rng.randint(1, 13)}, {rng.randint(1, 31)})",
            lambda: f"AddDays({self.variable(scope, 'Time') or 'MakeDate(2024, 2, 29)'}, "
                    f"{self.number_expression(scope, max(depth - 1, 0))})",
        ])

    def expression_Time(self, scope, depth, typed):
        return self.time_expression(scope, depth)

    def expression_Kind(self, scope, depth, typed):
        options = [lambda: self.variable(scope, "Kind"), lambda: self.field(scope, "Kind"),
                   lambda: self.call_returning("Kind", scope)]
        return self.pick(options) or self.fallback("Kind", scope)

    def expression_Rec(self, scope, depth, typed):
        rng = self.rng
        base = lambda: self.variable(scope, "Rec") or self.field(scope, "Rec")
        options = [base, lambda: self.element(scope, "Rec"), lambda: self.call_returning("Rec", scope),
                   lambda: self.copy(base(), scope, depth) if base() else None,
                   lambda: f"Build({rng.randint(0, 4)}, {base()})" if base() and self.calls_allowed else None]
        if typed:
            options.append(lambda: self.record_value(lambda k: self.expression(k, scope, depth - 1, typed=True)))
        return self.pick(options) or self.fallback("Rec", scope)

    def copy(self, base, scope, depth):
        kind, name, _ = self.rng.choice(self.types.record_fields)
        return f"{base}{{{name} -> {self.expression(kind, scope, max(depth - 1, 0), typed=True)}}}"

    def expression_Box(self, scope, depth, typed):
        box = self.variable(scope, "Box")
        if box and self.rng.random() < 0.3:
            return f"{box}{{count -> {self.number_expression(scope, max(depth - 1, 0))}}}"
        return box or self.fallback("Box", scope)

    def array_expression(self, kind, scope, depth, typed):
        options = [lambda: self.variable(scope, kind), lambda: self.call_returning(kind, scope)]
        if kind == "Words":
            options.append(lambda: self.field(scope, "Words"))
        if typed and kind in ("Nums", "Words", "Recs"):
            options.append(lambda: self.array_value(ELEMENT[kind], self.rng.randint(1, 3), scope))
            options.append(lambda: f"Array({self.rng.randint(0, 3)})")
        return self.pick(options) or self.fallback(kind, scope)

    def expression_Nums(self, scope, depth, typed):
        return self.array_expression("Nums", scope, depth, typed)

    def expression_Words(self, scope, depth, typed):
        return self.array_expression("Words", scope, depth, typed)

    def expression_Recs(self, scope, depth, typed):
        return self.array_expression("Recs", scope, depth, typed)

    def expression_Row(self, scope, depth, typed):
        return self.array_expression("Row", scope, depth, typed)

    def expression_ByKind(self, scope, depth, typed):
        return self.array_expression("ByKind", scope, depth, typed)

    def expression_Grid(self, scope, depth, typed):
        return self.array_expression("Grid", scope, depth, typed)

    def fallback(self, kind, scope):
        """What is left when the scope holds nothing of the kind. Every
        routine sees a global of every type, so this is only reached in a
        typed place, where a literal may stand."""
        return self.literal(kind)

    # Places inside values

    def any_array(self, scope):
        arrays = [v.name for v in scope.all() if v.kind in ("Nums", "Words", "Recs", "Row", "ByKind", "Grid")]
        return self.rng.choice(arrays) if arrays else None

    def grid_index(self, scope):
        return f"{self.rng.choice(('1', '2', '0', '3'))}, {self.rng.choice(('0', '1', '-1', '2', self.index(scope)))}"

    def index(self, scope):
        rng = self.rng
        low, high = self.types.row_low, self.types.row_high
        return rng.choice((str(rng.randint(low - 1, high + 1)), "1", "2", str(rng.randint(1, 4)),
                           self.number_expression(scope, 0)))

    def field(self, scope, kind):
        """A field of a structure variable, of the given type."""
        paths = []
        for variable in scope.all():
            if variable.kind == "Rec":
                paths += [(f"{variable.name}.{name}", k, variable) for k, name, _ in self.types.record_fields]
            elif variable.kind == "Box":
                paths += [(f"{variable.name}.inner", "Rec", variable), (f"{variable.name}.count", "Number", variable),
                          (f"{variable.name}.tags", "Words", variable)]
                paths += [(f"{variable.name}.inner.{name}", k, variable) for k, name, _ in self.types.record_fields]
            elif variable.kind == "Recs":
                paths += [(f"{variable.name}[{self.index(scope)}].{name}", k, variable)
                          for k, name, _ in self.types.record_fields]
        paths = [p for p in paths if p[1] == kind]
        return self.rng.choice(paths)[0] if paths else None

    def element(self, scope, kind):
        """An element of an array variable, of the given type."""
        places = []
        for variable in scope.all():
            if ELEMENT.get(variable.kind) == kind:
                places.append((f"{variable.name}[{self.index(scope)}]", variable))
            elif variable.kind == "ByKind" and kind == "Text":
                places.append((f"{variable.name}[{self.expression_Kind(scope, 0, False)}]", variable))
            elif variable.kind == "Box" and kind == "Text":
                places.append((f"{variable.name}.tags[{self.index(scope)}]", variable))
            elif variable.kind == "Grid" and kind == "Text":
                places.append((f"{variable.name}[{self.grid_index(scope)}]", variable))
        return self.rng.choice(places)[0] if places else None

    # Targets of assignment

    def assignable(self, scope, kinds=None):
        """A writable variable or field; arrays an Over loop walks are not."""
        rng = self.rng
        whole = [v for v in scope.all() if v.writable and not v.walked and (kinds is None or v.kind in kinds)]
        fields = []
        for variable in scope.all():
            if not variable.writable or variable.kind not in ("Rec", "Box"):
                continue
            for kind, name, _ in self.types.record_fields:
                prefix = f"{variable.name}.inner" if variable.kind == "Box" else variable.name
                if kinds is None or kind in kinds:
                    fields.append(Target(f"{prefix}.{name}", kind))
            if variable.kind == "Box" and not variable.walked and (kinds is None or "Words" in kinds):
                fields.append(Target(f"{variable.name}.tags", "Words"))
        if whole and (not fields or rng.random() < 0.7):
            chosen = rng.choice(whole)
            return Target(chosen.name, chosen.kind)
        return rng.choice(fields) if fields else None

    def element_target(self, scope):
        rng = self.rng
        places = []
        for variable in scope.all():
            if not variable.writable:
                continue
            if variable.kind in ELEMENT:
                places.append(Target(f"{variable.name}[{self.index(scope)}]", ELEMENT[variable.kind]))
            if variable.kind == "Recs":
                kind, name, _ = rng.choice(self.types.record_fields)
                places.append(Target(f"{variable.name}[{self.index(scope)}].{name}", kind))
            if variable.kind == "ByKind":
                places.append(Target(f"{variable.name}[{self.expression_Kind(scope, 0, False)}]", "Text"))
            if variable.kind == "Box":
                places.append(Target(f"{variable.name}.tags[{self.index(scope)}]", "Text"))
            if variable.kind == "Grid":
                places.append(Target(f"{variable.name}[{self.grid_index(scope)}]", "Text"))
        return rng.choice(places) if places else None

    # Calls

    def call(self, name, params, scope):
        rng = self.rng
        positional, named = [], []
        by_name = False  # once a parameter is left out, the rest go by name
        for declared, param, marker, default in params:
            kind = declared.split()[-1]
            if marker == "depth":
                # Walk alone may go past the nesting limit: the others
                # would hold a long text or a record in every frame.
                deep = name == "Walk" and rng.random() < 0.03
                value = "2100" if deep else str(rng.choice((0, 1, 2, 3, 5, 8)))
            elif declared.startswith("Ref"):
                targets = [v.name for v in scope.all() if v.kind == kind and v.writable and not v.walked]
                # An element of an array, which the routine may replace or grow.
                targets += [f"{v.name}[{self.index(scope)}]" for v in scope.all()
                            if ELEMENT.get(v.kind) == kind and v.writable and not v.walked]
                if not targets:
                    return None
                value = rng.choice(targets)
            else:
                value = self.expression(kind, scope, 1, typed=True)
            if default is not None and rng.random() < 0.5:
                by_name = True
                if rng.random() < 0.5:
                    named.append(f"{param} -> {value}")
                continue
            if by_name:
                named.append(f"{param} -> {value}")
            else:
                positional.append(value)
        return f"{name}({', '.join(positional + named)})"

    def failing_expression(self, scope):
        """An expression that fails at run time, whatever the state."""
        rng = self.rng
        number = self.number_expression(scope, 1)
        return rng.choice((f"({number}) // 0", f"({number}) / (1 - 1)", f"({number}) Mod 0",
                           f"\"abc\"[{rng.choice((0, 4, 100))}]", "Sqrt(-4)", "Char(0)", "MakeDate(2023, 2, 29)",
                           "(1.0e30 * 1.0e30)", "((-2) ^ 0.5)", "ToNumber(\"zz\")",
                           f"ArrayLow({self.any_array(scope) or '[1]'}, 4)"))
