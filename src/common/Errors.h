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

// An error of the running program; source lines are no longer known then.
class RuntimeError {
    std::string reText;

public:
    explicit RuntimeError(std::string text) : reText(std::move(text)) {}
    std::string getText() const { return reText; }
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
