// The program's input as an explained run sees it: every character goes through unchanged, and
// what the reads took from the current line is remembered, so that an input error can show the
// text a read met and whether an earlier read left it there. Used by WitnessedRun.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>

#include "explain/Explain.h"

class InputWitness : public std::streambuf {
public:
    // `where` says where the input comes from, for the hint at its end.
    InputWitness(std::streambuf& source, std::string where);

    // Called before and after each "read" item, with the variable read into.
    void readBegins(const std::string& name, bool intoString);
    void readEnded();
    // What a failed read met; takes the rest of the line from the input (the run ends anyway).
    InputFacts facts();

protected:
    int_type underflow() override { return source.sgetc(); }
    int_type uflow() override;

private:
    std::streambuf& source;
    std::string where;
    std::string line;            // taken from the current line so far
    std::size_t lineAtRead = 0;  // how much of it was taken before the current read began
    std::string currentName;
    bool currentIntoString = false;
    std::string takenByRead;  // what the current read has taken
    std::string previousName;
    bool previousIntoString = false;
    std::string previousTaken;
};

// Where standard input comes from: a terminal, a pipe, a file or /dev/null, in words.
std::string standardInputOrigin();
