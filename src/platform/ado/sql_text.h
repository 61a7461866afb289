// Text-level work on SQL before it reaches SQLite: the dialect adapter
// ("SELECT TOP n" becomes "LIMIT n"), the one-statement check, and the
// literal lifting that lets statements built by string concatenation share
// one prepared statement. Everything works on tokens, so text inside quoted
// literals, quoted names and comments is never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::ado {

enum class TokenKind {
  kSpace,
  kComment,
  kString,      // '...'
  kQuotedName,  // "..." [...] `...`
  kNumber,
  kWord,       // keyword or bare name
  kParameter,  // ? ?1 :a @a $a
  kPunct,
};

struct Token {
  TokenKind kind;
  size_t begin;
  size_t end;
};

// Splits SQL into tokens that cover the whole text. An unterminated literal
// or comment runs to the end of the text.
std::vector<Token> TokenizeSql(std::string_view sql);

// Rewrites every "SELECT [DISTINCT|ALL] TOP n" (any letter case) into the
// same SELECT with "LIMIT n" after the last token of its scope: before the
// ")" that closes a sub-query, or before a trailing ";" and trailing
// comments. Text without such a clause is returned unchanged.
std::string RewriteTop(std::string_view sql);

// A table or column name as a quoted name ("a""b" for a"b), for the
// statements the recordsets build from names SQLite reported.
std::string QuoteName(std::string_view name);

// True when text holds nothing but blanks, comments and semicolons.
bool IsBlankTail(std::string_view text);

// Offset of the "FROM" that ends the select list of the statement's first
// SELECT, or npos.
size_t FindSelectListEnd(std::string_view sql);

// A literal lifted out of a statement, to be bound in its place.
struct SqlLiteral {
  enum Kind { kInteger, kReal, kText } kind = kText;
  int64_t integer = 0;
  double real = 0;
  std::string text;  // quotes removed, doubled quotes undone
};

// For a SELECT, INSERT, UPDATE, DELETE or REPLACE statement, replaces each
// number or string literal that is the right operand of a comparison
// (=, ==, <>, !=, <, >, <=, >=) by "?" and appends it to literals. A literal
// in that place is always a value, never a column position, so binding it
// gives the same result. Returns false (and leaves the outputs unspecified)
// when nothing was lifted or the statement is not eligible.
bool LiftLiterals(std::string_view sql, std::string* shape, std::vector<SqlLiteral>* literals);

}  // namespace ostrel::ado
