#include "platform/ado/sql_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ostrel::ado {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c) || c == '$'; }

// Index just past the quoted run that starts at i and ends at close; with
// doubled_escape, a doubled close stands for itself. Unterminated: the end.
size_t SkipQuoted(std::string_view s, size_t i, char close, bool doubled_escape) {
  size_t j = i + 1;
  while (j < s.size()) {
    if (s[j] == close) {
      if (doubled_escape && j + 1 < s.size() && s[j + 1] == close) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return s.size();
}

// The token that starts at i (i < s.size()).
Token NextToken(std::string_view s, size_t i) {
  char c = s[i];
  size_t n = s.size();
  if (IsSpace(c)) {
    size_t j = i + 1;
    while (j < n && IsSpace(s[j])) ++j;
    return {TokenKind::kSpace, i, j};
  }
  if (c == '-' && i + 1 < n && s[i + 1] == '-') {
    size_t j = s.find('\n', i);
    return {TokenKind::kComment, i, j == std::string_view::npos ? n : j + 1};
  }
  if (c == '/' && i + 1 < n && s[i + 1] == '*') {
    size_t j = s.find("*/", i + 2);
    return {TokenKind::kComment, i, j == std::string_view::npos ? n : j + 2};
  }
  if (c == '\'') return {TokenKind::kString, i, SkipQuoted(s, i, '\'', true)};
  if (c == '"') return {TokenKind::kQuotedName, i, SkipQuoted(s, i, '"', true)};
  if (c == '`') return {TokenKind::kQuotedName, i, SkipQuoted(s, i, '`', true)};
  if (c == '[') return {TokenKind::kQuotedName, i, SkipQuoted(s, i, ']', false)};
  if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
    bool hex = c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X');
    size_t j = i;
    while (j < n) {
      char d = s[j];
      if ((d == '+' || d == '-') && !hex && (s[j - 1] == 'e' || s[j - 1] == 'E')) {
        ++j;
      } else if (IsWordChar(d) || d == '.') {
        ++j;
      } else {
        break;
      }
    }
    return {TokenKind::kNumber, i, j};
  }
  if (IsWordStart(c)) {
    size_t j = i + 1;
    while (j < n && IsWordChar(s[j])) ++j;
    return {TokenKind::kWord, i, j};
  }
  if (c == '?' || ((c == ':' || c == '@' || c == '$') && i + 1 < n && IsWordChar(s[i + 1]))) {
    size_t j = i + 1;
    while (j < n && IsWordChar(s[j])) ++j;
    return {TokenKind::kParameter, i, j};
  }
  static const char* const kTwoChar[] = {"<>", "<=", ">=", "!=", "==", "||", "<<", ">>"};
  if (i + 1 < n) {
    for (const char* op : kTwoChar) {
      if (s[i] == op[0] && s[i + 1] == op[1]) return {TokenKind::kPunct, i, i + 2};
    }
  }
  return {TokenKind::kPunct, i, i + 1};
}

bool Significant(const Token& t) {
  return t.kind != TokenKind::kSpace && t.kind != TokenKind::kComment;
}

std::string_view Text(std::string_view s, const Token& t) {
  return s.substr(t.begin, t.end - t.begin);
}

bool IsWord(std::string_view s, const Token& t, const char* word) {
  if (t.kind != TokenKind::kWord) return false;
  std::string_view w = Text(s, t);
  size_t len = std::strlen(word);
  if (w.size() != len) return false;
  for (size_t k = 0; k < len; ++k) {
    char a = w[k];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (a != word[k]) return false;
  }
  return true;
}

bool IsPunct(std::string_view s, const Token& t, std::string_view p) {
  return t.kind == TokenKind::kPunct && Text(s, t) == p;
}

// Tokens without blanks and comments.
std::vector<Token> SignificantTokens(std::string_view sql) {
  std::vector<Token> out;
  for (size_t i = 0; i < sql.size();) {
    Token t = NextToken(sql, i);
    if (Significant(t)) out.push_back(t);
    i = t.end;
  }
  return out;
}

bool ContainsTopWord(std::string_view sql) {
  for (size_t i = 0; i + 3 <= sql.size(); ++i) {
    if ((sql[i] == 't' || sql[i] == 'T') && (sql[i + 1] == 'o' || sql[i + 1] == 'O') &&
        (sql[i + 2] == 'p' || sql[i + 2] == 'P')) {
      return true;
    }
  }
  return false;
}

struct Edit {
  size_t begin;
  size_t end;  // begin == end: an insertion
  std::string text;
};

}  // namespace

std::vector<Token> TokenizeSql(std::string_view sql) {
  std::vector<Token> out;
  for (size_t i = 0; i < sql.size();) {
    out.push_back(NextToken(sql, i));
    i = out.back().end;
  }
  return out;
}

std::string RewriteTop(std::string_view sql) {
  if (!ContainsTopWord(sql)) return std::string(sql);
  std::vector<Token> t = SignificantTokens(sql);
  std::vector<Edit> edits;
  for (size_t k = 0; k < t.size(); ++k) {
    if (!IsWord(sql, t[k], "SELECT")) continue;
    size_t p = k + 1;
    if (p < t.size() && (IsWord(sql, t[p], "DISTINCT") || IsWord(sql, t[p], "ALL"))) ++p;
    if (p >= t.size() || !IsWord(sql, t[p], "TOP")) continue;
    size_t top = p++;
    size_t count;
    size_t last;
    if (p < t.size() && t[p].kind == TokenKind::kNumber) {
      count = p;
      last = p;
    } else if (p + 2 < t.size() && IsPunct(sql, t[p], "(") && t[p + 1].kind == TokenKind::kNumber &&
               IsPunct(sql, t[p + 2], ")")) {
      count = p + 1;
      last = p + 2;
    } else {
      continue;
    }
    std::string_view digits = Text(sql, t[count]);
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) continue;
    if (last + 1 < t.size() && IsWord(sql, t[last + 1], "PERCENT")) continue;
    // The scope ends at the ")" that closes the SELECT's level, or at a ";"
    // on the outermost level, or at the end.
    int depth = 0;
    size_t q = last + 1;
    for (; q < t.size(); ++q) {
      if (IsPunct(sql, t[q], "(")) {
        ++depth;
      } else if (IsPunct(sql, t[q], ")")) {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && IsPunct(sql, t[q], ";")) {
        break;
      }
    }
    size_t insert_at = t[q - 1].end;
    edits.push_back({t[top].begin, t[last].end, ""});
    edits.push_back({insert_at, insert_at, " LIMIT " + std::string(digits)});
  }
  std::string out(sql);
  std::sort(edits.begin(), edits.end(),
            [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
  for (const Edit& e : edits) out.replace(e.begin, e.end - e.begin, e.text);
  return out;
}

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

bool IsBlankTail(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    Token t = NextToken(text, i);
    if (Significant(t) && !IsPunct(text, t, ";")) return false;
    i = t.end;
  }
  return true;
}

size_t FindSelectListEnd(std::string_view sql) {
  std::vector<Token> t = SignificantTokens(sql);
  int depth = 0;
  bool seen_select = false;
  for (const Token& tok : t) {
    if (IsPunct(sql, tok, "(")) {
      ++depth;
    } else if (IsPunct(sql, tok, ")")) {
      --depth;
    } else if (depth == 0 && IsWord(sql, tok, "SELECT")) {
      seen_select = true;
    } else if (depth == 0 && seen_select && IsWord(sql, tok, "FROM")) {
      return tok.begin;
    }
  }
  return std::string_view::npos;
}

bool LiftLiterals(std::string_view sql, std::string* shape, std::vector<SqlLiteral>* literals) {
  shape->clear();
  literals->clear();
  bool eligible = false;
  bool first = true;
  Token previous{TokenKind::kSpace, 0, 0};  // the last significant token
  size_t copied = 0;                        // sql[0, copied) is already in shape
  for (size_t i = 0; i < sql.size();) {
    Token t = NextToken(sql, i);
    i = t.end;
    if (!Significant(t)) continue;
    if (first) {
      first = false;
      eligible = IsWord(sql, t, "SELECT") || IsWord(sql, t, "INSERT") || IsWord(sql, t, "UPDATE") ||
                 IsWord(sql, t, "DELETE") || IsWord(sql, t, "REPLACE");
      if (!eligible) return false;
    }
    if (t.kind == TokenKind::kParameter) return false;  // the caller binds nothing
    bool after_comparison = IsPunct(sql, previous, "=") || IsPunct(sql, previous, "==") ||
                            IsPunct(sql, previous, "<>") || IsPunct(sql, previous, "!=") ||
                            IsPunct(sql, previous, "<") || IsPunct(sql, previous, ">") ||
                            IsPunct(sql, previous, "<=") || IsPunct(sql, previous, ">=");
    if (after_comparison && (t.kind == TokenKind::kString || t.kind == TokenKind::kNumber)) {
      SqlLiteral lit;
      lit.kind = SqlLiteral::kText;
      std::string_view text = Text(sql, t);
      bool ok = true;
      if (t.kind == TokenKind::kString) {
        // An unterminated literal stays in place, for SQLite to report.
        ok = false;
        for (size_t k = 1; k < text.size(); ++k) {
          if (text[k] != '\'') {
            lit.text.push_back(text[k]);
          } else if (k + 1 < text.size() && text[k + 1] == '\'') {
            lit.text.push_back('\'');  // a doubled quote
            ++k;
          } else {
            ok = k + 1 == text.size();
            break;
          }
        }
      } else if (std::all_of(text.begin(), text.end(), IsDigit)) {
        lit.kind = SqlLiteral::kInteger;
        auto r = std::from_chars(text.data(), text.data() + text.size(), lit.integer);
        ok = r.ec == std::errc() && r.ptr == text.data() + text.size();
      } else {
        lit.kind = SqlLiteral::kReal;
        bool plain = text.find_first_of("xX") == std::string_view::npos;
        auto r = std::from_chars(text.data(), text.data() + text.size(), lit.real);
        ok = plain && r.ec == std::errc() && r.ptr == text.data() + text.size();
      }
      if (ok) {
        shape->append(sql.substr(copied, t.begin - copied));
        shape->push_back('?');
        copied = t.end;
        literals->push_back(std::move(lit));
      }
    }
    previous = t;
  }
  if (literals->empty()) return false;
  shape->append(sql.substr(copied));
  return true;
}

}  // namespace ostrel::ado
