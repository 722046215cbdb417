// The exceptions that carry every error of a run to the driver, which alone turns them into
// one message on standard error and an exit status. Thrown and caught by value.
#pragma once

#include <string>

// Base of the errors that know their source line; never thrown itself.
class LineException {
protected:
    int line = 0;

public:
    int getLine() const { return line; }
};

// A character that begins no lexeme.
class US : public LineException {
    std::string symb;

public:
    US(std::string symb, int line) : symb(std::move(symb)) { this->line = line; }
    std::string getSymb() const { return symb; }
};

// A lexeme that cannot be completed by the character after it.
class USAfter : public LineException {
    std::string last;

public:
    USAfter(std::string last, int line) : last(std::move(last)) { this->line = line; }
    std::string getLast() const { return last; }
};

// The source text ended where another character was needed.
class UEOF {};

class SyntaxError : public LineException {
    std::string seText;

public:
    SyntaxError(std::string text, int line) : seText(std::move(text)) { this->line = line; }
    std::string getText() const { return seText; }
};

class SemanticError : public LineException {
    std::string seText;

public:
    SemanticError(std::string text, int line) : seText(std::move(text)) { this->line = line; }
    std::string getText() const { return seText; }
};

// Which error a running program met, so that tools tell them apart without reading the text.
// The texts themselves are composed in one place, runtime/RuntimeMessages.h.
enum class RuntimeFault {
    DIVISION_BY_ZERO,
    UNASSIGNED,     // the subject is the variable
    INVALID_INPUT,  // the subject is the variable read into
    END_OF_INPUT,   // the subject is the variable read into
    STEP_BUDGET,    // fuzz builds only: the run was cut short
    MALFORMED,      // a program no translation produces (only a hand-built one)
};

// A "read" that met no value of its variable's type: what the program's input held is at fault.
constexpr bool isInputFault(RuntimeFault fault) {
    return fault == RuntimeFault::INVALID_INPUT || fault == RuntimeFault::END_OF_INPUT;
}

// An error of the running program; source lines are no longer known then.
class RuntimeError {
    RuntimeFault reFault;
    std::string reText;
    std::string reSubject;

public:
    RuntimeError(RuntimeFault fault, std::string text, std::string subject = {})
        : reFault(fault), reText(std::move(text)), reSubject(std::move(subject)) {}
    std::string getText() const { return reText; }
    RuntimeFault fault() const { return reFault; }
    // The variable the message names, or empty.
    const std::string& subject() const { return reSubject; }
};

// The source file could not be opened (missing, a directory, unreadable).
class OpenError {
    std::string fileName;

public:
    explicit OpenError(std::string fileName) : fileName(std::move(fileName)) {}
    std::string getFileName() const { return fileName; }
};

// Standard output refused what was written to it (a full device, a closed descriptor, a pipe
// whose reader has gone while the broken-pipe signal is ignored).
class OutputError {};

// The source file was opened but the system failed to read it (a device error, for example).
class ReadError {
    std::string fileName;

public:
    explicit ReadError(std::string fileName) : fileName(std::move(fileName)) {}
    std::string getFileName() const { return fileName; }
};
