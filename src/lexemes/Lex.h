// The root of the lexeme family that every subsystem passes around as Lex*, and the two
// interfaces through which a lexeme's numeric or string value is reached.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lexemes/Buffer.h"

enum KindOfLex : std::uint8_t {
    IDENT = 0,
    NUMBER = 1,
    REAL = 2,
    STRINGC = 3,
    KEYWORD = 4,
    DELIM = 5,
    LABEL = 6
};

// The value type as a small tag, kept in step with the type name so that hot code can test it
// without comparing strings.
enum class ValueType : std::uint8_t { NONE, INT, REAL, STRING };

inline constexpr const char* kIntType = "int";
inline constexpr const char* kRealType = "real";
inline constexpr const char* kStringType = "string";

ValueType valueTypeOf(const std::string& typeName);

// The type name of a value type: "int", "real", "string", or empty for NONE.
const std::string& typeNameOf(ValueType t);

class Lex {
protected:
    // Only the tag is kept: a program makes millions of lexemes, and a name per lexeme would
    // be most of their size.
    KindOfLex lexType;
    ValueType tag = ValueType::NONE;
    // Where a program's list of items last numbered this lexeme (see Poliz::push); it fills
    // what would be padding.
    mutable std::uint32_t itemNumber = 0;

    explicit Lex(KindOfLex kind) : lexType(kind) {}
    void setType(const std::string& typeName);

public:
    Lex(const Lex&) = delete;
    Lex& operator=(const Lex&) = delete;

    // Whether the lexeme is the one the text denotes: the same text for names and words, the
    // same value for numbers. Taking a view keeps the parser's many word tests free of copies.
    virtual bool isEqual(std::string_view text) const = 0;
    virtual std::string getString() const = 0;
    virtual std::string getStringVal() const { return getString(); }
    virtual ~Lex() = default;

    bool isEqual(const Buffer& b) const { return isEqual(std::string_view(b.text())); }
    bool isType(const std::string& t) const { return typeName() == t; }
    KindOfLex getKind() const { return lexType; }
    ValueType valueType() const { return tag; }
    const std::string& typeName() const { return typeNameOf(tag); }

    // For Poliz alone: a hint, checked before use, since a lexeme may be in several programs.
    std::uint32_t numberInItems() const { return itemNumber; }
    void numberItems(std::uint32_t number) const { itemNumber = number; }
};

class SmthNumber {
public:
    virtual float getRealVal() const = 0;
    virtual std::int32_t getIntVal() const = 0;

protected:
    ~SmthNumber() = default;
};

class SmthString {
public:
    virtual std::string getStringVal() const = 0;

protected:
    ~SmthString() = default;
};
