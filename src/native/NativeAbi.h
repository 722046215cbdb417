// The one seam between poliz and the native tier's plugin (libpoliz_native.so): plain C types
// only, so that poliz need not link LLVM. poliz flattens the POLIZ into items, the plugin
// compiles them and calls back into poliz's runtime for strings, "read", "write" and errors.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Raised whenever the layout of these structures changes, so that a stale plugin is refused.
#define POLIZ_NATIVE_ABI_VERSION 2

// The plugin exports the version it was built for as plain data under this name, so that poliz
// refuses a plugin of another version before it calls any of the plugin's functions.
#define POLIZ_NATIVE_ABI_SYMBOL "poliz_native_abi_version"
extern const int32_t poliz_native_abi_version;

enum PolizNativeItemKind { PN_INT = 0, PN_REAL, PN_TEXT, PN_VARIABLE, PN_LABEL, PN_OPERATOR };
enum PolizNativeType { PN_TYPE_NONE = 0, PN_TYPE_INT, PN_TYPE_REAL, PN_TYPE_STRING };

// The cell of a numeric variable, laid out as poliz keeps it: the value of the variable's type
// (the other field is not read by native code), and whether it was ever assigned.
struct PolizNativeCell {
    int32_t i;
    float r;
    uint8_t assigned;
};

struct PolizNativeItem {
    uint8_t kind;         // PolizNativeItemKind
    uint8_t operation;    // PN_OPERATOR: the vocabulary's Operation
    uint8_t type;         // PN_VARIABLE: PolizNativeType
    uint8_t named;        // PN_VARIABLE: a variable of the source, which may be unassigned
    uint8_t privateTemp;  // PN_VARIABLE: a temporary that nothing but its own expression pushes
    int32_t i;            // PN_INT, PN_LABEL
    float r;              // PN_REAL
    int32_t line;         // the source line the item came from
    const void* text;     // PN_TEXT: the constant's string; PN_VARIABLE of a string: its value
    void* variable;       // PN_VARIABLE: poliz's variable, handed back to the hooks
    void* cell;           // PN_VARIABLE: its PolizNativeCell
};

// poliz's runtime as native code calls it. `run` is the context poliz passed to run(). A hook
// that returns int returns 0 when all went well; otherwise the error is kept in the context and
// the native code returns at once.
struct PolizNativeHooks {
    int (*writeInt)(void* run, int32_t value);
    int (*writeReal)(void* run, float value);
    int (*writeText)(void* run, const void* text);
    int (*read)(void* run, void* variable);
    // The string `left + right` in the buffer of stack depth `depth`, which it returns.
    const void* (*join)(void* run, int32_t depth, const void* left, const void* right);
    // <0, 0, >0 as the strings compare by unsigned character codes.
    int32_t (*compare)(const void* left, const void* right);
    // Assigns a string; `movable`: the text is a buffer whose content may be taken.
    void (*assignText)(void* variable, const void* text, int32_t movable);
    // Appends a string to a string variable's own (`s = s + t`, which then assigns s to itself).
    void (*appendText)(void* variable, const void* text);
    void (*failUnassigned)(void* run, void* variable);
    void (*failDivision)(void* run);
};

struct PolizNativeProgram {
    const struct PolizNativeItem* items;
    int32_t count;
    // Where the compiled code is entered, with an empty operand stack: item 0, or the head of the
    // loop that got hot (any other item is declined).
    int32_t entry;
    struct PolizNativeHooks hooks;
};

// What the plugin offers, from its one exported function poliz_native_api().
struct PolizNativeApi {
    int32_t version;
    // A compiled program, or null (with a reason in *why when why is given) for a program the
    // native tier does not take; the fast backend then runs it.
    void* (*compile)(const struct PolizNativeProgram* program, const char** why);
    // Runs from the program's entry to the end: 0 when the program ended, 1 on an error kept by
    // a hook.
    int32_t (*run)(void* compiled, void* run);
    // The largest operand stack depth, which bounds the string buffers `join` is given.
    int32_t (*stackDepth)(void* compiled);
    void (*release)(void* compiled);
    // The machine code of each source line as text (released by releaseText), or null.
    char* (*disassemble)(const struct PolizNativeProgram* program, const char** why);
    void (*releaseText)(char* text);
};

typedef const struct PolizNativeApi* (*PolizNativeApiEntry)(void);

#ifdef __cplusplus
}
#endif
