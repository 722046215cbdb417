// The stepper of poliz-show: runs a translated program on the reference machine under the
// user's commands, read line by line (from a terminal or a script), in the manner of a
// debugger: step an item or a source line, step back, break at a line, continue, and look at
// variables, the stack and the source.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Errors.h"
#include "machine/StackMachine.h"
#include "show/BoundedStack.h"
#include "show/RecordedOutput.h"
#include "show/ReplayInput.h"
#include "show/StepText.h"

class Stepper {
public:
    // Commands come from `commands`, and everything the stepper says goes to `out`; with
    // `echo`, each command and input line read is written after its prompt, so that a session
    // driven by a script reads like one typed. The program reads from `programInput`, or, when
    // it is null, takes the next lines of `commands` when it reads.
    Stepper(const Poliz& poliz, std::vector<std::string> sourceLines, std::istream& commands,
            std::ostream& out, bool echo, std::istream* programInput);

    // Commands (and typed input) are read with line editing and history from the terminal
    // instead of `commands`, where the build has it (LineEditor.h).
    void editLines() { editing = true; }

    // Reads and obeys commands until "quit" or the end of the commands. Returns the exit
    // status: poliz's for a runtime error when the program stands at one, otherwise 0.
    int run();

    // How many steps "back" can undo, and how many bytes their records may take; older steps
    // are forgotten.
    static constexpr std::size_t kHistoryLimit = 10000;
    static constexpr std::size_t kHistoryBytes = std::size_t{64} << 20;

private:
    // Everything needed to undo one step, as changes rather than copies: a step changes the pc,
    // the top of the stack and at most the one variable it stores into
    // (StackMachine::lastStored()). The stack is kept whole but for the texts of computed
    // strings, which are copied only near the top, where a step can consume them; and of the
    // variable's string only the part the step replaced is kept, so that a loop appending to a
    // long string costs a few bytes a step, not a copy of the string.
    struct Record {
        int pc;
        StackMachine::SavedStack stack;  // a text left out has the slot kLiveText
        const Ident* lastStored;
        const Ident* stored;  // the variable the step stored into, or null
        NumCell numberBefore;
        std::size_t keptPrefix;    // the stored string's bytes the step left alone at its start
        std::size_t keptSuffix;    // ... and at its end
        std::string replacedText;  // what stood between them before the step
        std::size_t inputPosition;
        std::size_t outputLength;
        std::size_t counted;  // the bytes added to historyBytes for it

        std::size_t bytes() const;
        // Gives large buffers back, once the record is forgotten.
        void release();
    };
    // A computed string below the top of the stack, which the step cannot touch: at undo time
    // the machine's own stack still holds it.
    static constexpr std::uint32_t kLiveText = StackEntry::kNoSlot - 1;
    // A computed string the step stored into its variable: the variable's value after the step.
    static constexpr std::uint32_t kStoredText = StackEntry::kNoSlot - 2;
    // What may stop a run of steps.
    enum class Until { ONE_STEP, NEXT_LINE, BREAKPOINT };

    const Poliz& poliz;
    const StepText text;
    std::istream& commands;
    std::ostream& out;
    const bool echo;
    std::istream* const programInput;
    std::string inputPrompt;  // shown when the program waits for a line of the commands
    ReplayInput input;
    std::istream programIn;
    RecordedOutput output;
    std::ostream programOut;
    StackMachine machine;

    BoundedStack<Record> history{kHistoryLimit};
    std::size_t historyBytes = 0;  // the sum of the records' bytes()
    bool forgotForBytes = false;   // steps were forgotten to stay within kHistoryBytes
    // The variables' values now, in the order of machine.variables(), kept up to date after
    // every step; with a Record's pc, stack and one value they make the state before it.
    std::vector<Ident::Saved> values;
    std::unordered_map<const Ident*, std::size_t> variableIndex;
    const StackMachine::State initial;  // for "restart"
    bool programInputEnded = false;     // Ctrl-D was typed at an input prompt
    bool editing = false;
    std::set<int> breakpoints;
    bool atError = false;  // the item at pc() failed when it last ran
    int status = 0;        // what run() returns
    int shownLine = -1;    // the line of the last header shown
    std::size_t shownOutput = 0;
    std::string lastCommand;

    // Obeying one command line; false to quit.
    bool obey(const std::string& command);
    void help();

    // Moving: forward by steps until `until` holds, back by steps.
    void forward(Until until, long count);
    bool stepOnce(bool show);
    bool arrivedAtLine(int from) const;
    void back(long count);
    bool backOnce();
    void backToLineStart();
    void backToBreakpoint();
    void showBackAt(long undone);
    void restart();
    // Whether a failed read is typed again instead: at a terminal, when the program's input is
    // what is typed there.
    bool asksAgain(const RuntimeError& error) const;
    void undo(const Record& step);
    Record& newRecord();
    static void saveStackTop(StackMachine::SavedStack& into, const std::vector<StackEntry>& stack,
                             std::size_t touched);
    void recordStore(Record& record, const Ident* stored);
    void forgetOldSteps();
    void popRecord();
    // Says why the program cannot move forward, if it cannot.
    bool cannotMove();
    void announceLine();
    void showNewOutput();

    // Looking.
    void print(const std::string& name);
    void showStack();
    void list();
    void listItemsAround(int pc, std::size_t width);
    void showOutput();
    void setBreakpoint(const std::string& argument);
    void clearBreakpoint(const std::string& argument);
    void listBreakpoints();

    bool readLine(std::string& line, const std::string& prompt);
    bool readProgramLine(std::string& line);
    // Whether Ctrl-C was pressed since the command began; clears the request.
    static bool interrupted();
};
