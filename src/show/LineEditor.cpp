// Line editing for the stepper (see LineEditor.h).
#include "show/LineEditor.h"

#ifdef POLIZ_LIBEDIT
#include <editline/readline.h>

#include <cstdlib>

bool lineEditingBuiltIn() { return true; }

bool readEditedLine(const std::string& prompt, std::string& line) {
    char* read = readline(prompt.c_str());
    if (read == nullptr) return false;
    line = read;
    if (*read != '\0') add_history(read);
    std::free(read);
    return true;
}
#else
bool lineEditingBuiltIn() { return false; }

bool readEditedLine(const std::string&, std::string&) { return false; }
#endif
