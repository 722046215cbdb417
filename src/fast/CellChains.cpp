// The short-circuit chains of "and" and "or" inside a compiled unit: the left operand's test
// jumps to the chain's end, where the chain's value is delivered in one result cell.
#include <cassert>

#include "fast/StatementCompiler.h"

namespace cellcompiler {

// "dup" label "jumpfalse" (and) or "dup" "not" label "jumpfalse" (or) at p: the left operand on
// top decides when it is 0 (and) or not 0 (or), and then stays as the chain's value.
//   l and r:  [l]  JZ l -> end      (l a comparison: its tested form, jumping when it fails)
//             [r]  end: result = r
//   l or r:   [l]  JNZ l -> end     (l a comparison: its tested form, jumping when it holds)
bool StatementCompiler::shortcut(std::size_t& p, bool isAnd) {
    const std::size_t labelAt = p + (isAnd ? 1 : 2);
    // The caller found the label; the left operand of "and" and "or" is an int, as the
    // translator checks.
    assert(isLabelAt(labelAt) && !stack.empty() && stack.back().type == ValueType::INT);
    const std::size_t marker = localAddress(plain(labelAt));
    if (marker >= items || marker <= labelAt + 1 || plain(marker).op != Op::NOP) return false;
    Join* join = nullptr;
    for (Join& j : joins)
        if (j.marker == marker) join = &j;
    if (!join) {
        joins.push_back({marker, stack.size(), newReg(), stored.size(), {}});
        join = &joins.back();
    }
    // (A join already reached lies behind the label, which the test above turns away.)
    if (join->depth != stack.size()) return false;
    Entry& e = stack.back();
    Shortcut cut{ops.size(), Shortcut::Value::OPERAND, e.cell};
    if (lastMade(e) && isCellComparison(ops.back().op)) {
        // A comparison is tested where it is made; past the jump its value is known.
        Instr& test = ops.back();
        test.op = testedForm(test.op);
        test.cell.z = nullptr;
        test.onTrue = !isAnd;
        cut.branch = ops.size() - 1;
        cut.value = isAnd ? Shortcut::Value::ZERO : Shortcut::Value::ONE;
        e = {Entry::Kind::CONST, ValueType::INT, newConst(isAnd ? 1 : 0), true, true};
    } else {
        emit(isAnd ? Op::JZ : Op::JNZ, e.cell, nullptr, nullptr);
        safe.back() = knownAssigned(e);
        if (isAnd) cut.value = Shortcut::Value::ZERO;
        // Past the jump a result that no one can change is known: 0 for "or", and 1 for "and"
        // when it is 0 or 1. A variable may still change before the operator reads it.
        if (e.kind == Entry::Kind::REG && (!isAnd || e.truth))
            e = {Entry::Kind::CONST, ValueType::INT, newConst(isAnd ? 1 : 0), true, true};
    }
    join->shortcuts.push_back(cut);
    p = labelAt + 1;  // the "jumpfalse"
    return true;
}

// The end marker of a chain at p: the chain's value goes into the result cell, where the jumps
// of the chain deliver theirs; the next item must consume it.
bool StatementCompiler::reachJoin(std::size_t p) {
    Join* join = nullptr;
    for (Join& j : joins)
        if (j.marker == p) join = &j;
    if (!join) return true;  // a marker no jump of this statement aims at has no effect
    // (Each item is met once, so no join is reached twice.)
    if (stack.size() != join->depth || stack.back().type != ValueType::INT) return false;
    std::size_t after = p + 1;
    while (after < items && plain(after).op == Op::NOP) ++after;
    if (after >= items) return false;
    switch (plain(after).op) {
        case Op::ASSIGN:
        case Op::AND:
        case Op::OR:
        case Op::DUP: break;
        default: return false;
    }
    const Entry top = stack.back();
    if (lastMade(top))
        ops.back().cell.z = join->result;
    else
        emit(Op::MOV_I, top.cell, nullptr, join->result);
    stack.back() = {Entry::Kind::REG, ValueType::INT, join->result, true, top.truth};
    join->reached = true;
    join->at = ops.size();
    barrier = ops.size();
    // What was assigned only on the way that the jumps skip may still be unassigned.
    stored.resize(std::min(stored.size(), join->storedBefore));
    return true;
}

// Points the jumps of the chains at their ends. Where the end tests the result at once, the
// jumps go on as that test would with the value they bring (0 from "and", not 0 from "or"), and
// the test is made part of the comparison before it when nothing else reaches it; elsewhere a
// jump goes through a store of its value into the result cell.
//   tested end:   test -> T            becomes   test -> T, or on to after the JZ
//                 end: JZ result -> T            (the value it brings decides which)
//   elsewhere:    test -> stub;  stub: result = value, next end
void StatementCompiler::finish() {
    const auto mainLength = static_cast<std::int32_t>(ops.size());
    auto local = [&](std::size_t at) {
        return static_cast<std::int32_t>(at) == mainLength ? kExit : static_cast<std::int32_t>(at);
    };
    // Chains that end later first: a test at the end of a chain may be a jump of a chain that
    // ends further on, which must know its target before the test is copied.
    std::sort(joins.begin(), joins.end(), [](const Join& a, const Join& b) { return a.marker > b.marker; });
    for (auto join = joins.begin(); join != joins.end(); ++join) {
        const std::size_t at = join->at;
        const bool tested = static_cast<std::int32_t>(at) < mainLength &&
                            (ops[at].op == Op::JZ || ops[at].op == Op::JNZ) && ops[at].cell.x == join->result;
        bool stubs = false;
        for (const Shortcut& cut : join->shortcuts) {
            if (tested) {
                const bool nonZero = cut.value != Shortcut::Value::ZERO;
                const bool taken = ops[at].op == Op::JZ ? !nonZero : nonZero;
                if (taken) {
                    ops[cut.branch].target = ops[at].target;
                    localTarget[cut.branch] = localTarget[at];
                } else {
                    localTarget[cut.branch] = local(at + 1);
                }
                continue;
            }
            stubs = true;
            const NumCell* value = cut.value == Shortcut::Value::OPERAND
                                       ? cut.operand
                                       : newConst(cut.value == Shortcut::Value::ONE);
            localTarget[cut.branch] = static_cast<std::int32_t>(ops.size());
            emit(Op::MOV_I, value, nullptr, join->result).next = local(at);
        }
        if (!tested || stubs || at == 0) continue;
        Instr& made = ops[at - 1];
        if (made.cell.z != join->result || !isCellComparison(made.op)) continue;
        // Only when no other instruction leads to the test or reads the result cell.
        bool usedOtherwise = false;
        for (std::size_t j = 0; j < ops.size(); ++j) {
            if (j == at - 1 || j == at) continue;
            if (ops[j].next == static_cast<std::int32_t>(at) ||
                localTarget[j] == static_cast<std::int32_t>(at) || ops[j].cell.x == join->result ||
                ops[j].cell.y == join->result)
                usedOtherwise = true;
        }
        if (usedOtherwise) continue;
        made.op = testedForm(made.op);
        made.cell.z = nullptr;
        made.onTrue = ops[at].op == Op::JNZ;
        made.target = ops[at].target;
        localTarget[at - 1] = localTarget[at];
        made.next = local(at + 1);
    }
}

}  // namespace cellcompiler
