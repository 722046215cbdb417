// Watching the program's input (see InputWitness.h).
#include "explain/InputWitness.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kShownText = 40;  // of the text a failed read met

bool hasBlank(const std::string& text) { return text.find_first_of(" \t") != std::string::npos; }

}  // namespace

InputWitness::InputWitness(std::streambuf& source, std::string where)
    : source(source), where(std::move(where)) {}

InputWitness::int_type InputWitness::uflow() {
    const int_type c = source.sbumpc();
    if (traits_type::eq_int_type(c, traits_type::eof())) return c;
    const char taken = traits_type::to_char_type(c);
    takenByRead += taken;
    if (taken == '\n') {
        line.clear();
        lineAtRead = 0;
    } else if (line.size() < kShownText) {
        line += taken;
    }
    return c;
}

void InputWitness::readBegins(const std::string& name, bool intoString) {
    currentName = name;
    currentIntoString = intoString;
    takenByRead.clear();
    lineAtRead = line.size();
}

void InputWitness::readEnded() {
    previousName = currentName;
    previousIntoString = currentIntoString;
    previousTaken = takenByRead;
}

InputFacts InputWitness::facts() {
    InputFacts facts;
    facts.where = where;
    // A read that fails has taken blanks at most, and perhaps a sign or digits: what it met
    // begins at the first character it took that is no blank.
    const std::size_t first = takenByRead.find_first_not_of(" \t\r\n");
    facts.met = first == std::string::npos ? std::string() : takenByRead.substr(first);
    for (int c = source.sgetc();
         !traits_type::eq_int_type(c, traits_type::eof()) && c != '\n' && facts.met.size() < kShownText;
         c = source.snextc())
        facts.met += traits_type::to_char_type(c);
    // Left over: the earlier read stopped right before it, inside the same run of characters.
    facts.leftOver = lineAtRead > 0 && lineAtRead <= line.size() && line[lineAtRead - 1] != ' ' &&
                     line[lineAtRead - 1] != '\t' && (first == 0 || takenByRead.empty());
    facts.previousName = previousName;
    if (previousIntoString && hasBlank(previousTaken)) {
        facts.previousLine = previousTaken;
        while (!facts.previousLine.empty() && facts.previousLine.back() == '\n')
            facts.previousLine.pop_back();
    }
    return facts;
}

std::string standardInputOrigin() {
    if (isatty(STDIN_FILENO) != 0) return "the input typed at the terminal ended (Ctrl-D ends it)";
    struct stat input {};
    if (fstat(STDIN_FILENO, &input) != 0) return "standard input is closed";
    if (S_ISFIFO(input.st_mode)) return "the pipe that feeds standard input has no more";
    if (S_ISREG(input.st_mode)) return "the file given as standard input (< FILE) has no more";
    if (S_ISCHR(input.st_mode))
        return "standard input is empty (/dev/null): give the program its input in a pipe or a file, as in "
               "echo 5 | poliz prog.ppp";
    return "standard input has no more";
}
