// The run loop and the operations of the stack machine. Every operator pops op1 (the top, the
// right operand) and then op2; values are fetched in the order the language fixes, because it
// decides which unassigned variable an error names.
#include "fast/Machine.h"

#include <cassert>
#include <utility>

#include "common/Errors.h"
#include "fast/Arithmetic.h"
#include "fast/FusedLayout.h"
#include "fast/LazyUnits.h"
#include "runtime/NumberText.h"

using namespace arithmetic;

// Threaded dispatch takes the address of labels, which GNU compilers offer beyond the standard;
// elsewhere and in the step-budget build the run loop is a switch.
#if defined(__GNUC__) && !defined(POLIZ_STEP_BUDGET) && !defined(POLIZ_SWITCH_DISPATCH)
#define POLIZ_THREADED_DISPATCH 1
#else
#define POLIZ_THREADED_DISPATCH 0
#endif

namespace {

constexpr std::size_t kInitialStack = 64;

bool isNumeric(ValueType t) { return t == ValueType::INT || t == ValueType::REAL; }

// The two-operand word a handler runs, passed as an argument so that the call reads plainly.
template <Op kOp>
struct WordTag {};
template <Op kOp>
inline constexpr WordTag<kOp> kWord{};

}  // namespace

Machine::Machine(std::istream& in, std::ostream& out, std::size_t outputChunk)
    : in(in), out(out), storage(kInitialStack), outputChunk(outputChunk) {
    base = sp = storage.data();
    limit = base + storage.size();
    outBuf.reserve(outputChunk + 256);
}

void Machine::run(Program& prog, int pc) {
    program = &prog;
    items = prog.lazy ? prog.lazy->items() : static_cast<int>(prog.code.size()) - 1;
    loop(prog.lazy ? prog.lazy->code() : prog.code.data(), pc);
}

int Machine::itemAddress(int address) const {
    return program->lazy ? program->lazy->itemOf(address) : address;
}

// A unit not laid out yet: only code that LazyUnits lays out has one.
void Machine::prepare(int at) {
    assert(program->lazy);
    program->lazy->prepare(at);
}

void Machine::grow() {
    const std::size_t d = depth();
    storage.resize(storage.size() * 2);
    base = storage.data();
    sp = base + d;
    limit = base + storage.size();
}

std::string& Machine::tempAt(std::size_t d) {
    if (temps.size() <= d) temps.resize(d + 1);
    return temps[d];
}

std::string_view Machine::stringOf(const Value& v, std::size_t d, int address) const {
    switch (v.slot) {
        case Slot::STR_CONST: return *v.str;
        case Slot::STR_TEMP: return temps[d];
        case Slot::VAR_STRING: return assignedVariable(v).rawString();
        default: mismatch(address);
    }
}

// A two-operand word: l (op2, at depth d, replaced by the result) with r (op1). Int form when
// both are "int", else real form for two numbers; numeric forms fetch op2 first, except "/",
// whose zero test on op1 comes before anything else.
template <Op kOp>
[[gnu::always_inline]] inline void Machine::binary(Value& l, const Value& r, std::size_t d, int address) {
    const ValueType tl = typeOf(l.slot);
    const ValueType tr = typeOf(r.slot);
    if (tl == ValueType::INT && tr == ValueType::INT) {
        if constexpr (kOp == Op::DIV) {
            const std::int32_t b = intOf(r, address);
            if (b == 0) divisionByZero();
            const std::int32_t a = intOf(l, address);
            // The one overflowing quotient wraps like every other overflow.
            l = Value::ofInt(b == -1 ? wrap(0u - bits(a)) : a / b);
        } else {
            const std::int32_t a = intOf(l, address);
            const std::int32_t b = intOf(r, address);
            l = intResult<kOp>(a, b);
        }
    } else if (isNumeric(tl) && isNumeric(tr)) {
        if constexpr (kOp == Op::DIV) {
            const float b = realOf(r, address);
            if (b == 0.0f) divisionByZero();
            const float a = realOf(l, address);
            l = Value::ofReal(a / b);
        } else {
            const float a = realOf(l, address);
            const float b = realOf(r, address);
            l = realResult<kOp>(a, b);
        }
    } else {
        binaryStrings<kOp>(l, r, d, address);
    }
}

// The string forms fetch op1 first. "+" extends a left operand that is already a computed
// string in place, so a chain a + b + c copies each part once.
template <Op kOp>
[[gnu::noinline]] void Machine::binaryStrings(Value& l, const Value& r, std::size_t d, int address) {
    constexpr bool kJoins = kOp == Op::ADD;
    constexpr bool kCompares = kOp != Op::MUL && kOp != Op::DIV && kOp != Op::SUB && kOp != Op::ADD;
    if (!(kJoins || kCompares) || typeOf(l.slot) != ValueType::STRING || typeOf(r.slot) != ValueType::STRING)
        mismatch(address);
    if constexpr (kJoins) {
        std::string& dst = tempAt(d);
        const std::string_view right = stringOf(r, d + 1, address);
        if (l.slot == Slot::STR_TEMP) {
            dst.append(right);
        } else {
            const std::string_view left = stringOf(l, d, address);
            dst.assign(left);
            dst.append(right);
        }
#ifdef POLIZ_STEP_BUDGET
        chargeStrings(dst.size());
#endif
        l = Value::ofStrTemp();
    } else if constexpr (kCompares) {
        const std::string_view b = stringOf(r, d + 1, address);
        const std::string_view a = stringOf(l, d, address);
        l = Value::ofInt(compareAs<kOp>(a, b));
    }
}

// "=": v (op1, at depth d) into the target (op2). The target's own value is never read.
[[gnu::always_inline]] inline void Machine::assign(const Value& t, const Value& v, std::size_t d,
                                                   int address) {
    if (!isVariable(t.slot)) throw rtmsg::assignNeedsVariable(itemAddress(address));
    Ident& target = *t.var;
    const ValueType tt = typeOf(t.slot);
    const ValueType tv = typeOf(v.slot);
    if (tt == ValueType::INT && tv == ValueType::INT) {
        target.assign(intOf(v, address));
    } else if (isNumeric(tt) && isNumeric(tv)) {
        target.assign(realOf(v, address));
    } else if (tt == ValueType::STRING && tv == ValueType::STRING) {
        assignString(target, v, d);
    } else {
        mismatch(address);
    }
}

void Machine::assignString(Ident& target, const Value& v, std::size_t d) {
    switch (v.slot) {
        case Slot::STR_CONST: target.stringSlot().assign(*v.str); break;
        // A computed string is dropped right here, so its buffer changes hands instead.
        case Slot::STR_TEMP: std::swap(target.stringSlot(), temps[d]); break;
        default: {
            const Ident& source = assignedVariable(v);
            if (&source != &target) target.stringSlot() = source.rawString();
            break;
        }
    }
    target.markAssigned();
}

// z = x word y in one of the four forms. The left operand is fetched first, except for "/",
// which fetches and tests the right one before anything else; the result is written last.
template <Op kCellOp>
[[gnu::always_inline]] inline void Machine::cellBinary(Instr& ins) const {
    constexpr Forms kForm = info(kCellOp).forms;
    constexpr Op kOp = plainOf(info(kCellOp).word);
    constexpr bool kCheck = info(kCellOp).checked;
    const NumCell* x = ins.cell.x;
    const NumCell* y = ins.cell.y;
    NumCell* z = ins.cell.z;
    if constexpr (kForm == Forms::II) {
        if constexpr (kOp == Op::DIV) {
            fetchIf<kCheck>(y);
            const std::int32_t b = y->i;
            if (b == 0) divisionByZero();
            fetchIf<kCheck>(x);
            const std::int32_t a = x->i;
            z->i = b == -1 ? wrap(0u - bits(a)) : a / b;
        } else {
            fetchIf<kCheck>(x);
            fetchIf<kCheck>(y);
            z->i = intValue<kOp>(x->i, y->i);
        }
    } else {
        constexpr bool kLeftInt = kForm == Forms::IR;
        constexpr bool kRightInt = kForm == Forms::RI;
        if constexpr (kOp == Op::DIV) {
            fetchIf<kCheck>(y);
            const float b = kRightInt ? static_cast<float>(y->i) : y->r;
            if (b == 0.0f) divisionByZero();
            fetchIf<kCheck>(x);
            const float a = kLeftInt ? static_cast<float>(x->i) : x->r;
            z->r = a / b;
        } else {
            fetchIf<kCheck>(x);
            fetchIf<kCheck>(y);
            const float a = kLeftInt ? static_cast<float>(x->i) : x->r;
            const float b = kRightInt ? static_cast<float>(y->i) : y->r;
            if constexpr (kOp == Op::MUL || kOp == Op::SUB || kOp == Op::ADD)
                z->r = realValue<kOp>(a, b);
            else
                z->i = compareAs<kOp>(a, b);
        }
    }
    // Marked even where it is known: measured faster than leaving the store out.
    z->assigned = true;
    if constexpr (kCheck) quicken<kCellOp>(ins);
}

// Whether x word y holds, for a comparison that is only tested.
template <Op kCellOp>
[[gnu::always_inline]] inline bool Machine::cellTest(Instr& ins) const {
    constexpr Forms kForm = info(kCellOp).forms;
    constexpr Op kOp = plainOf(info(kCellOp).word);
    const NumCell* x = ins.cell.x;
    const NumCell* y = ins.cell.y;
    if constexpr (info(kCellOp).checked) {
        fetch(x);
        fetch(y);
        quicken<kCellOp>(ins);
    }
    if constexpr (kForm == Forms::II) {
        return compareAs<kOp>(x->i, y->i);
    } else {
        const float a = kForm == Forms::IR ? static_cast<float>(x->i) : x->r;
        const float b = kForm == Forms::RI ? static_cast<float>(y->i) : y->r;
        return compareAs<kOp>(a, b);
    }
}

// z = x in one of the one-operand forms (kCellOp names the checked one): a copy, a conversion,
// a negation or "not".
template <Op kCellOp, bool kCheck>
[[gnu::always_inline]] inline void Machine::cellUnary(Instr& ins) const {
    fetchIf<kCheck>(ins.cell.x);
    const NumCell* x = ins.cell.x;
    NumCell* result = ins.cell.z;
    if constexpr (kCellOp == Op::MOV_I) result->i = x->i;
    if constexpr (kCellOp == Op::MOV_R) result->r = x->r;
    if constexpr (kCellOp == Op::I2R) result->r = static_cast<float>(x->i);
    if constexpr (kCellOp == Op::R2I) result->i = truncToInt(x->r);
    if constexpr (kCellOp == Op::NEG_I) result->i = wrap(0u - bits(x->i));
    if constexpr (kCellOp == Op::NEG_R) result->r = -x->r;
    if constexpr (kCellOp == Op::NOT_I) result->i = x->i == 0;
    result->assigned = true;
    if constexpr (kCheck) quicken<kCellOp>(ins);
}

// The unassigned variable whose cell this is.
void Machine::unassignedCell(const NumCell* c) const {
    if (const Ident* owner = program->ownerOf(c)) owner->throwUnassigned();
    throw rtmsg::malformed("An unassigned cell that belongs to no variable!");
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
void Machine::loop(Instr* prog, int pc) {
    // The stack registers live in locals here, so the hot path keeps them out of memory; the
    // members are brought in step around the rarer operations that use them (sync, reload).
    Value* sp = this->sp;
    Value* stackBase = base;
    Value* stackLimit = limit;
    // The helpers below are forced inline: a call would make the stack registers escape.
#define POLIZ_INLINE __attribute__((always_inline))
    auto sync = [&]() POLIZ_INLINE { this->sp = sp; };
    auto reload = [&]() POLIZ_INLINE {
        sp = this->sp;
        stackBase = base;
        stackLimit = limit;
    };
    auto depthNow = [&]() POLIZ_INLINE { return static_cast<std::size_t>(sp - stackBase); };
    auto needNow = [&](std::size_t count, int address) POLIZ_INLINE {
        if (depthNow() < count) [[unlikely]]
            underflow(address);
    };
    // Room for one more value above the stack; growing may move it.
    auto makeRoom = [&]() POLIZ_INLINE {
        if (sp == stackLimit) [[unlikely]] {
            sync();
            grow();
            reload();
        }
    };
    auto pushNow = [&](const Value& v) POLIZ_INLINE {
        makeRoom();
        *sp++ = v;
    };
    // A two-operand word with both operands on the stack, with op1 from the instruction (P),
    // or with both from the instruction and the result pushed (PP). The word comes as a tag
    // (kWord<Op::ADD>), so each handler is a plain call.
    auto onStack = [&]<Op kOp>(WordTag<kOp>, int address) POLIZ_INLINE {
        needNow(2, address);
        binary<kOp>(sp[-2], sp[-1], depthNow() - 2, address);
        --sp;
    };
    auto withOne = [&]<Op kOp>(WordTag<kOp>, const Instr& ins, int at) POLIZ_INLINE {
        constexpr FusedLayout s = layoutOf(Shape::WITH_OPERAND);
        needNow(1, at + s.word);
        binary<kOp>(sp[-1], ins.a, depthNow() - 1, at + s.word);
        return at + s.length;
    };
    auto withTwo = [&]<Op kOp>(WordTag<kOp>, int at) POLIZ_INLINE {
        constexpr FusedLayout s = layoutOf(Shape::WITH_OPERANDS);
        // Built in place: a result assembled elsewhere and copied whole would be a wide load
        // of narrow stores, which the processor cannot forward.
        pushNow(prog[at].a);
        binary<kOp>(sp[-1], prog[at + 1].a, depthNow() - 1, at + s.word);
        return at + s.length;
    };
    // T x a b word "=" "=" "backspace": x = a word b, T = x. The result is worked out in the
    // free slot above the stack, at the depth it would have had.
    auto statement = [&]<Op kOp>(WordTag<kOp>, const Instr& ins, int at) POLIZ_INLINE {
        constexpr FusedLayout s = layoutOf(Shape::STATEMENT);
        makeRoom();
        const std::size_t d = depthNow() + 2;
        *sp = prog[at + 2].a;
        binary<kOp>(*sp, prog[at + 3].a, d, at + s.word);
        assign(prog[at + 1].a, *sp, d, at + s.assign);
        // x has just been assigned and T has its type, so only the store itself is left out.
        if (!ins.privateTemp) assign(ins.a, prog[at + 1].a, d - 1, at + s.assign + 1);
        return at + s.length;
    };
    // T a b word "=" label "jumpfalse": T = a word b, then T is the condition.
    auto condition = [&]<Op kOp>(WordTag<kOp>, const Instr& ins, int at) POLIZ_INLINE {
        constexpr FusedLayout s = layoutOf(Shape::CONDITION);
        makeRoom();
        const std::size_t d = depthNow() + 1;
        *sp = prog[at + 1].a;
        binary<kOp>(*sp, prog[at + 2].a, d, at + s.word);
        // An int result stored into an int T that no one else sees is tested directly.
        if (ins.privateTemp && sp->slot == Slot::INT) return sp->i == 0 ? ins.target : at + s.length;
        assign(ins.a, *sp, d, at + s.assign);
        return intOf(ins.a, at + s.jumpfalse) == 0 ? ins.target : at + s.length;
    };
    // a b word label "jumpfalse": the result is only tested, in the free slot above the stack.
    auto branch = [&]<Op kOp>(WordTag<kOp>, const Instr& ins, int at) POLIZ_INLINE {
        constexpr FusedLayout s = layoutOf(Shape::BRANCH);
        makeRoom();
        *sp = ins.a;
        binary<kOp>(*sp, prog[at + 1].a, depthNow(), at + s.word);
        return intOf(*sp, at + s.jumpfalse) == 0 ? ins.target : at + s.length;
    };
    // The cell form after ip, most often the one laid out next. Where it is, that address is
    // taken by a branch the processor predicts, so the next form starts without waiting for the
    // load of the link; the empty asm keeps the compiler from folding the two equal addresses.
    auto followLink = [](Instr* at) POLIZ_INLINE {
        Instr* const linked = at->nextp;
        Instr* adjacent = at + 1;
        if (linked == adjacent) [[likely]] {
#ifdef __GNUC__
            asm("" : "+r"(adjacent));
#endif
            return adjacent;
        }
        return linked;
    };
#undef POLIZ_INLINE
#ifdef POLIZ_STEP_BUDGET
    long long steps = 0;
#endif
    int at = pc;
    Instr* ip = prog + pc;  // the instruction to run next
    // The handlers (MachineOps.inc) are written once; only how a handler is entered (POLIZ_OP,
    // POLIZ_CELL) and how control passes to the next one (POLIZ_DISPATCH) differ between the
    // two ways of dispatching.
#if POLIZ_THREADED_DISPATCH
    // Every handler ends with its own indirect jump to the next one, which the processor
    // predicts far better than one shared jump.
    static const void* const kHandlers[] = {
#define POLIZ_HANDLER_ADDRESS(name, ...) &&op_##name,
        POLIZ_OPS(POLIZ_HANDLER_ADDRESS)
#undef POLIZ_HANDLER_ADDRESS
    };
    static_assert(sizeof kHandlers / sizeof kHandlers[0] == kOpCount);
#define POLIZ_DISPATCH() goto* kHandlers[static_cast<std::size_t>(ip->op)]
#define POLIZ_CELL(name) op_##name:
    POLIZ_DISPATCH();
#else
    // A switch in a loop: `continue` goes round to the next instruction.
#define POLIZ_DISPATCH() continue
#define POLIZ_CELL(name) case Op::name:
    for (;;) {
#ifdef POLIZ_STEP_BUDGET
        if (++steps > (POLIZ_STEP_BUDGET)) throw rtmsg::stepBudgetExhausted();
#endif
        switch (ip->op) {
#endif
#define POLIZ_OP(name)                \
    POLIZ_CELL(name)                  \
    at = static_cast<int>(ip - prog); \
    pc = at + 1;
// Not wrapped in do-while: in the switch, `continue` must reach the loop.
#define POLIZ_NEXT  \
    ip = prog + pc; \
    POLIZ_DISPATCH()
#define POLIZ_NEXT_CELL  \
    ip = followLink(ip); \
    POLIZ_DISPATCH()
#define POLIZ_BRANCH(fallThrough)                            \
    ip = (fallThrough) ? followLink(ip) : prog + ip->target; \
    POLIZ_DISPATCH()
#include "fast/MachineOps.inc"
#undef POLIZ_DISPATCH
#undef POLIZ_OP
#undef POLIZ_CELL
#undef POLIZ_NEXT
#undef POLIZ_NEXT_CELL
#undef POLIZ_BRANCH
#if !POLIZ_THREADED_DISPATCH
}
}
#endif
}

#pragma GCC diagnostic pop

// "dup" copies the slot: a variable stays a reference; a computed string gets its own buffer.
void Machine::dup(int address) {
    need(1, address);
    const Value v = sp[-1];
    if (v.slot == Slot::STR_TEMP) tempAt(depth()) = temps[depth() - 1];
    push(v);
}

int Machine::jumpTarget(const Value& label, int address) const {
    if (label.slot != Slot::LABEL) throw MalformedItem{itemAddress(address), rtmsg::needsLabel};
    if (label.i < 0 || label.i >= items) throw rtmsg::jumpOutside(label.i, itemAddress(address));
    return label.i + 1;  // a taken jump continues after the marker
}

void Machine::underflow(int address) const {
    throw MalformedItem{itemAddress(address), rtmsg::tooFewOperands};
}

void Machine::mismatch(int address) const { throw MalformedItem{itemAddress(address), rtmsg::typeMismatch}; }
