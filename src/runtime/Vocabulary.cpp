// Identifying operator words (see Vocabulary.h).
#include "runtime/Vocabulary.h"

// Every operator item of a program comes through here once, when a machine decodes it.
Operation operationOf(std::string_view word) {
    for (const VocabularyWord& entry : kVocabulary)
        if (entry.word == word) return entry.operation;
    return Operation::NOTHING;
}
