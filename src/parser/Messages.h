// Every fixed text of the translator's syntax and semantic errors, byte for byte as users and
// graders see them (spelling included). A text ending in an open quote is a prefix: the
// offending lexeme's text and "' found!" follow it.
#pragma once

namespace msg {

// Syntax errors.
inline constexpr const char* kBadProgramStart = "Syntax error after 'program'!";
inline constexpr const char* kExpectSemicolon = "semicolon is expexted but '";
inline constexpr const char* kExpectDeclaredName = "Identifier is expected but ";  // no opening quote
inline constexpr const char* kExpectConstant = "Constant is expexted but '";
inline constexpr const char* kExpectOperandParen = "')' is expected but '";  // after "(" expression
inline constexpr const char* kExpectOpenParen = "'(' is expexted but '";
inline constexpr const char* kExpectCloseParen = "')' is expexted but '";  // closing a statement's "("
inline constexpr const char* kExpectElse = "'else' is expected but '";
inline constexpr const char* kExpectOf = "'of' is expexted but '";
inline constexpr const char* kExpectEnd = "'end' is expexted but '";
inline constexpr const char* kExpectCloseBrace = "'}' is expexted but '";
inline constexpr const char* kExpectLabelSeparator = "',' or ':' is expexted but '";
inline constexpr const char* kFound = "' found!";
// `read` has its own shape: no blank before "found".
inline constexpr const char* kExpectIdentifier = "Identifier expected but '";
inline constexpr const char* kFoundNoBlank = "'found!";
inline constexpr const char* kNestingTooDeep = "Nesting is too deep!";

// Semantic errors. The two name messages wrap the name: prefix + name + kNameEnd.
inline constexpr const char* kRedeclaration = "Redeclaration of '";
inline constexpr const char* kUndeclared = "Undeclared identifier: '";
inline constexpr const char* kNameEnd = "'!";
inline constexpr const char* kAssignToRvalue = "Assigning to rvalue!";
inline constexpr const char* kStringToNumber = "String cannot be assigned to a number!";
inline constexpr const char* kNonIntDisjunction = "Non-integer operand in disjunction!";
inline constexpr const char* kNonIntConjunction = "Non-integer operand in conjunction!";
inline constexpr const char* kStringVersusNumber = "Strings are not comparable to numbers!";
inline constexpr const char* kStringInSum = "Strings are not allowed in sum!";
inline constexpr const char* kNumberInConcatenation = "Sorry, I cannot concatenate numbers!";
inline constexpr const char* kStringInProduct = "Strings are not allowed in product!";
inline constexpr const char* kNotNeedsInt = "Integer expression is expected after 'not'!";
inline constexpr const char* kPlusNeedsNumber = "Integer or real expression is expected after unary '+'!";
inline constexpr const char* kMinusNeedsNumber = "Integer or real expression is expected after unary '-'!";
inline constexpr const char* kIfNeedsInt = "Expression in 'if' should be ingeger!";
inline constexpr const char* kWhileNeedsInt = "Expression in 'while' should be ingeger!";
inline constexpr const char* kForNeedsInt = "The second expression in 'for' should be ingeger!";
inline constexpr const char* kContinueOutsideLoop = "Not inner-cycle 'continue'!";
inline constexpr const char* kCaseTypeMismatch = "Type mismatch in 'case'!";
inline constexpr const char* kCaseDuplicate = "Double constant declaring!";

}  // namespace msg
