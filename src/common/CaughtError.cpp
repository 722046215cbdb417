// Catching the errors of a run and composing their messages (see CaughtError.h).
#include "common/CaughtError.h"

#include "common/Errors.h"

namespace {

CaughtError atLine(CaughtError::Kind kind, const char* what, const LineException& e, std::string rest,
                   std::string text, int status) {
    std::string message = std::string(what) + " (line " + std::to_string(e.getLine()) + "): " + rest;
    return {kind, std::move(message), status, e.getLine(), std::move(text), {}, {}};
}

}  // namespace

CaughtError caughtRuntimeError(const RuntimeError& e) {
    return {CaughtError::Kind::RUNTIME,
            "Runtime error: " + e.getText(),
            4,
            0,
            e.getText(),
            e.fault(),
            e.subject()};
}

CaughtError catchRunError(const std::function<void()>& body) {
    using Kind = CaughtError::Kind;
    try {
        body();
        return {};
    } catch (US e) {
        return atLine(Kind::UNRESOLVED_SYMBOL, "Error", e, "unresolved symbol " + e.getSymb(), e.getSymb(),
                      1);
    } catch (USAfter e) {
        return atLine(Kind::UNRESOLVED_AFTER, "Error", e, "unresolved symbol after " + e.getLast(),
                      e.getLast(), 1);
    } catch (UEOF) {
        return {Kind::END_OF_FILE, "Unexpected end of file!", 1, 0, "Unexpected end of file!", {}, {}};
    } catch (SyntaxError e) {
        return atLine(Kind::SYNTAX, "Syntax error", e, e.getText(), e.getText(), 2);
    } catch (SemanticError e) {
        return atLine(Kind::SEMANTIC, "Semantic error", e, e.getText(), e.getText(), 3);
    } catch (const RuntimeError& e) {
        return caughtRuntimeError(e);
    } catch (OpenError e) {
        return {Kind::OPEN, "Error: cannot open file '" + e.getFileName() + "'!", 1, 0, e.getFileName(), {},
                {}};
    } catch (ReadError e) {
        return {Kind::READ, "Error: cannot read file '" + e.getFileName() + "'!", 1, 0, e.getFileName(), {},
                {}};
    } catch (OutputError) {
        return {Kind::OUTPUT, "Error: cannot write to standard output!", 5, 0, "", {}, {}};
    }
}
