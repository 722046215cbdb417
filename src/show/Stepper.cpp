// The stepper's session: reading commands and telling them apart (see Stepper.h). Moving is in
// StepperMoves.cpp, looking in StepperViews.cpp.
#include "show/Stepper.h"

#include <csignal>

#include "show/LineEditor.h"

namespace {

constexpr const char* kPrompt = "(step) ";
constexpr long kMaxCount = 1'000'000'000;

// Ctrl-C stops a long run of steps ("c" in an endless loop) instead of the stepper.
volatile std::sig_atomic_t interruptRequested = 0;
extern "C" void requestInterrupt(int) { interruptRequested = 1; }

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A count of 1 when `argument` is empty; 0 when it is not a positive number.
long countOf(const std::string& argument) {
    if (argument.empty()) return 1;
    long n = 0;
    for (const char c : argument) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
        if (n > kMaxCount) return 0;
    }
    return n;
}

}  // namespace

Stepper::Stepper(const Poliz& poliz, std::vector<std::string> sourceLines, std::istream& commands,
                 std::ostream& out, bool echo, std::istream* programInput)
    : poliz(poliz),
      text(poliz, std::move(sourceLines)),
      commands(commands),
      out(out),
      echo(echo),
      programInput(programInput),
      input([this](std::string& line) { return readProgramLine(line); }),
      programIn(&input),
      programOut(&output),
      machine(poliz, programIn, programOut),
      values(machine.save().values),
      initial(machine.save()) {
    for (std::size_t k = 0; k < machine.variables().size(); ++k) variableIndex[machine.variables()[k]] = k;
}

int Stepper::run() {
    const auto previousHandler = std::signal(SIGINT, requestInterrupt);
    out << "Stepping through " << poliz.size() << (poliz.size() == 1 ? " item" : " items")
        << " of POLIZ; 'help' lists the commands.\n";
    if (machine.finished()) out << "The program has no items: it ends at once.\n";
    announceLine();
    std::string command;
    while (readLine(command, kPrompt) && obey(command)) {
    }
    std::signal(SIGINT, previousHandler);
    return status;
}

bool Stepper::readLine(std::string& line, const std::string& prompt) {
    if (editing) {
        out.flush();
        if (readEditedLine(prompt, line)) return true;
        out << '\n';
        return false;
    }
    out << prompt;
    out.flush();
    if (!std::getline(commands, line)) {
        out << '\n';
        return false;
    }
    if (echo) out << line << '\n';
    return true;
}

bool Stepper::readProgramLine(std::string& line) {
    if (programInput != nullptr) return static_cast<bool>(std::getline(*programInput, line));
    if (programInputEnded) return false;
    if (readLine(line, inputPrompt)) return true;
    // Ctrl-D at a terminal ends the program's input, not the session: the terminal reads on.
    if (!echo) {
        commands.clear();
        programInputEnded = true;
        out << "The program's input has ended.\n";
    }
    return false;
}

bool Stepper::interrupted() {
    const bool requested = interruptRequested != 0;
    interruptRequested = 0;
    return requested;
}

bool Stepper::obey(const std::string& line) {
    std::string command = trimmed(line);
    if (command.empty()) command = lastCommand;  // an empty line repeats, as in debuggers
    if (command.empty()) return true;
    lastCommand = command;
    const std::size_t space = command.find_first_of(" \t");
    const std::string word = command.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : trimmed(command.substr(space));
    interruptRequested = 0;

    const bool counted = word == "s" || word == "step" || word == "n" || word == "next" || word == "back" ||
                         word == "rs" || word == "rn" || (word == "b" && argument.empty());
    const long count = counted ? countOf(argument) : 1;
    const bool takesNoArgument = word == "c" || word == "continue" || word == "stack" || word == "l" ||
                                 word == "list" || word == "o" || word == "output" || word == "h" ||
                                 word == "help" || word == "q" || word == "quit" || word == "rc" ||
                                 word == "r" || word == "restart";
    if (counted && count == 0) {
        out << "'" << word << "' takes a number of steps, not '" << argument << "'.\n";
    } else if (takesNoArgument && !argument.empty()) {
        out << "'" << word << "' takes no argument.\n";
    } else if (word == "s" || word == "step") {
        forward(Until::ONE_STEP, count);
    } else if (word == "n" || word == "next") {
        forward(Until::NEXT_LINE, count);
    } else if (word == "c" || word == "continue") {
        forward(Until::BREAKPOINT, 1);
    } else if ((word == "b" && argument.empty()) || word == "back" || word == "rs") {
        back(count);
    } else if (word == "rn") {
        if (history.empty()) backOnce();  // which says why nothing is undone
        for (long k = 0; k < count && !history.empty(); ++k) backToLineStart();
    } else if (word == "rc") {
        backToBreakpoint();
    } else if (word == "r" || word == "restart") {
        restart();
    } else if (word == "b" || word == "break") {
        // "b LINE" sets a breakpoint, as in other debuggers; a bare "b" steps back.
        if (argument.empty())
            listBreakpoints();
        else
            setBreakpoint(argument);
    } else if (word == "clear") {
        clearBreakpoint(argument);
    } else if (word == "p" || word == "print") {
        print(argument);
    } else if (word == "stack") {
        showStack();
    } else if (word == "l" || word == "list") {
        list();
    } else if (word == "o" || word == "output") {
        showOutput();
    } else if (word == "h" || word == "help") {
        help();
    } else if (word == "q" || word == "quit") {
        return false;
    } else {
        out << "Unknown command '" << word << "'; 'help' lists the commands.\n";
    }
    return true;
}

void Stepper::help() {
    out << "Commands (an empty line repeats the last one):\n"
           "  s, step [N]      run the next item (N items), each shown with the stack after it\n"
           "  n, next [N]      run to the next source line, or to this one's start when a loop goes back\n"
           "  c, continue      run until a breakpoint, the end or a runtime error (Ctrl-C stops it)\n"
           "  b, back [N]      step back over the last item (N items), taking back its input and output\n"
           "  rs [N]           the same (reverse-step)\n"
           "  rn [N]           back to the start of the previous source line (reverse-next)\n"
           "  rc               back to the last arrival at a breakpoint, or the start (reverse-continue)\n"
           "  r, restart       start again from the beginning, with the same input\n"
           "  break LINE       stop when the run arrives at LINE (also b LINE); 'break' lists them\n"
           "  clear [LINE]     remove the breakpoint at LINE, or every breakpoint\n"
           "  p, print [NAME]  a variable's value ($t1 for a temporary); every named variable without NAME\n"
           "  stack            the operand stack, top first\n"
           "  l, list          the source around the current line, with its items and the next one marked\n"
           "  o, output        everything the program has written so far\n"
           "  h, help          this help\n"
           "  q, quit          leave the stepper\n";
    if (programInput == nullptr)
        out << "When the program reads, it takes the next line typed here, after the prompt 'input for NAME> "
               "'.\n"
               "At a terminal, a line that is not a number is asked for again, and Ctrl-D there ends the "
               "program's input only.\n";
}
