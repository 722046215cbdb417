// The variants of a case statement: typed labels, unique within the statement, and the chain of
// tests that compares each label with the selector's stored value.
#include <set>
#include <string>
#include <vector>

#include "lexemes/Word.h"
#include "parser/Messages.h"
#include "parser/Parser.h"

namespace {

// What a label must be under a selector whose labels are kept as Value.
template <class Value>
struct LabelKind;

template <>
struct LabelKind<int> {
    static constexpr const char* kType = kIntType;
    static int value(Lex* label) { return dynamic_cast<SmthNumber&>(*label).getIntVal(); }
};

template <>
struct LabelKind<float> {
    static constexpr const char* kType = kRealType;
    static float value(Lex* label) { return dynamic_cast<SmthNumber&>(*label).getRealVal(); }
};

template <>
struct LabelKind<std::string> {
    static constexpr const char* kType = kStringType;
    static std::string value(Lex* label) { return label->getStringVal(); }
};

}  // namespace

// variants -> variant { variant }   (up to "end", left for the caller)
// The selector's type picks the label type; every temporary has one of the three.
// A variant's first marker is met in sequence only after the statement of the variant before,
// which was entered by a match: no test after it can match, so the record lets a backend go on
// at the end of the statement from there.
void Parser::parseVariantList(Ident* expr) {
    int addr = 0;
    std::vector<int> afterStatements;
    if (expr->isType(kIntType))
        addr = parseVariants<int>(expr, afterStatements);
    else if (expr->isType(kRealType))
        addr = parseVariants<float>(expr, afterStatements);
    else
        addr = parseVariants<std::string>(expr, afterStatements);
    const int end = patchToHere(addr);  // the last variant's no-match jump leaves the statement
    for (int marker : afterStatements) poliz->facts().leadOnInSequence(marker, end);
}

// Returns the last variant's no-match placeholder. There is always a first variant, whatever
// the current lexeme is; the loop stops only at "end", so the caller's "end" check passes.
template <class Value>
int Parser::parseVariants(Ident* expr, std::vector<int>& afterStatements) {
    std::set<Value> labels;  // every label of this case statement so far
    int addr = parseVariant(labels, expr, 0, afterStatements);
    while (!isCurr("end")) addr = parseVariant(labels, expr, addr, afterStatements);
    return addr;
}

// variant -> constant { "," constant } ":" operator
// [s] c1 t "!=" L(b) "jumpfalse" ... ck t "!=" L(b) "jumpfalse" L(next) "jump" [b] S
// A label equal to the selector makes "!=" give 0, and "jumpfalse" then enters S. When none
// matches, L(next) leads to the next variant's [s] (or past the statement). No jump follows S:
// the following tests cannot match, because labels are distinct and S leaves t alone.
// `addr` is the previous variant's no-match placeholder, 0 for the first variant (the
// selector's code always comes first, so 0 is never a placeholder).
template <class Value>
int Parser::parseVariant(std::set<Value>& prev, Ident* expr, int addr, std::vector<int>& afterStatements) {
    if (addr != 0)
        afterStatements.push_back(patchToHere(addr));
    else
        emitMarker();
    std::vector<int> begOp;  // placeholders of the jumps into this variant's statement
    for (;;) {
        Lex* res = parseConstant();
        if (!res->isType(LabelKind<Value>::kType)) semanticError(msg::kCaseTypeMismatch);
        if (!prev.insert(LabelKind<Value>::value(res)).second) semanticError(msg::kCaseDuplicate);
        emit(expr);
        poliz->facts().shareTemporary(expr);
        emit(newWord(Operation::NE));
        begOp.push_back(emitPlaceholder());
        emitUnitEnd(Operation::JUMPFALSE);
        if (isCurr(":")) break;
        if (!isCurr(",")) unexpected(msg::kExpectLabelSeparator);
        pop();
    }
    pop();
    int nextAddr = emitPlaceholder();
    emitUnitEnd(Operation::JUMP);
    int statement = emitMarker();
    for (int hole : begOp) patch(hole, statement);
    parseOperator();
    return nextAddr;
}
