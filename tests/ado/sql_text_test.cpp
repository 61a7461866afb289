#include "platform/ado/sql_text.h"

#include <gtest/gtest.h>

namespace ostrel::ado {
namespace {

TEST(SqlText, RewritesTopIntoLimit) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"SELECT TOP 1 ItemID FROM QX_NewsItem ORDER BY ItemID DESC",
       "SELECT  ItemID FROM QX_NewsItem ORDER BY ItemID DESC LIMIT 1"},
      {"select top 10 * from t", "select  * from t LIMIT 10"},
      {"Select Top 3 a From t;", "Select  a From t LIMIT 3;"},
      {"SELECT DISTINCT TOP 2 a FROM t ;  ", "SELECT DISTINCT  a FROM t LIMIT 2 ;  "},
      {"SELECT TOP 2 DISTINCT a FROM t", "SELECT  DISTINCT a FROM t LIMIT 2"},
      {"SELECT TOP (5) a FROM t", "SELECT  a FROM t LIMIT 5"},
      // A trailing comment must not swallow the limit.
      {"SELECT TOP 1 a FROM t -- newest\n", "SELECT  a FROM t LIMIT 1 -- newest\n"},
      // A sub-query gets its own limit inside its parentheses.
      {"SELECT a FROM t WHERE id IN (SELECT TOP 2 id FROM u ORDER BY id DESC) ORDER BY a",
       "SELECT a FROM t WHERE id IN (SELECT  id FROM u ORDER BY id DESC LIMIT 2) ORDER BY a"},
      {"SELECT TOP 1 a FROM t WHERE (b=1) AND c IN (SELECT TOP 3 c FROM u)",
       "SELECT  a FROM t WHERE (b=1) AND c IN (SELECT  c FROM u LIMIT 3) LIMIT 1"},
      // Literals, quoted names and other uses of the word stay as they are.
      {"SELECT a FROM t WHERE title='SELECT TOP 1 x'",
       "SELECT a FROM t WHERE title='SELECT TOP 1 x'"},
      {"SELECT [top] FROM t", "SELECT [top] FROM t"},
      {"SELECT top FROM t", "SELECT top FROM t"},
      {"SELECT TOP 10 PERCENT a FROM t", "SELECT TOP 10 PERCENT a FROM t"},
      {"UPDATE t SET top=1", "UPDATE t SET top=1"},
  };
  for (const Case& c : cases) EXPECT_EQ(RewriteTop(c.in), c.out) << c.in;
}

TEST(SqlText, TokensCoverTheText) {
  std::string sql = "SELECT a,'it''s' /* c */ FROM [x y] -- end";
  size_t at = 0;
  for (const Token& t : TokenizeSql(sql)) {
    EXPECT_EQ(t.begin, at);
    at = t.end;
  }
  EXPECT_EQ(at, sql.size());
}

TEST(SqlText, BlankTails) {
  EXPECT_TRUE(IsBlankTail(""));
  EXPECT_TRUE(IsBlankTail(" ;; \r\n -- note\n /* more */ ;"));
  EXPECT_FALSE(IsBlankTail("; SELECT 1"));
  EXPECT_FALSE(IsBlankTail(" x"));
}

TEST(SqlText, FindsTheEndOfTheSelectList) {
  std::string sql = "SELECT a,(SELECT b FROM u) FROM t WHERE c=1";
  EXPECT_EQ(FindSelectListEnd(sql), sql.find(" FROM t") + 1);
  EXPECT_EQ(FindSelectListEnd("UPDATE t SET a=1"), std::string::npos);
}

TEST(SqlText, LiftsComparedLiterals) {
  std::string shape;
  std::vector<SqlLiteral> lits;
  ASSERT_TRUE(
      LiftLiterals("SELECT * FROM t WHERE id=12 And title='It''s' And x >= 1.5", &shape, &lits));
  EXPECT_EQ(shape, "SELECT * FROM t WHERE id=? And title=? And x >= ?");
  ASSERT_EQ(lits.size(), 3u);
  EXPECT_EQ(lits[0].kind, SqlLiteral::kInteger);
  EXPECT_EQ(lits[0].integer, 12);
  EXPECT_EQ(lits[1].kind, SqlLiteral::kText);
  EXPECT_EQ(lits[1].text, "It's");
  EXPECT_EQ(lits[2].kind, SqlLiteral::kReal);
  EXPECT_DOUBLE_EQ(lits[2].real, 1.5);

  // Column positions, lists and statements that may not take parameters
  // keep their literals.
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t ORDER BY 1", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t WHERE id IN (1,2)", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("PRAGMA busy_timeout=5000", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("CREATE TABLE t (a INTEGER DEFAULT 0)", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t WHERE b=? AND c=1", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t WHERE c=0x10", &shape, &lits));
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t WHERE c=99999999999999999999", &shape, &lits));
  // An unterminated literal is left for SQLite to refuse.
  EXPECT_FALSE(LiftLiterals("SELECT a FROM t WHERE c='ab''", &shape, &lits));
  ASSERT_TRUE(LiftLiterals("SELECT a FROM t WHERE c='' AND d='x''y'''", &shape, &lits));
  EXPECT_EQ(lits[0].text, "");
  EXPECT_EQ(lits[1].text, "x'y'");
  ASSERT_TRUE(LiftLiterals("UPDATE t SET n=n+1,s='x' WHERE id=3", &shape, &lits));
  EXPECT_EQ(shape, "UPDATE t SET n=n+1,s=? WHERE id=?");
}

}  // namespace
}  // namespace ostrel::ado
