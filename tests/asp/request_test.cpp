#include "platform/asp/request.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"

namespace ostrel::asp {
namespace {

RequestInput Input() {
  RequestInput in;
  in.query_string = "action=begin&ItemID=3&name=%D6%D0%CE%C4&tag=a&TAG=b&tag=c";
  in.form = "action=save&title=%B2%C9%BC%AF+%CE%C4%D5%C2&only=form";
  in.cookie_header = "ASPSESSIONID=ABC; only=cookie; action=cookie";
  in.server_variables = {{"HTTP_REFERER", "http://127.0.0.1/admin/list.asp"},
                         {"REQUEST_METHOD", "POST"},
                         {"only", "server"}};
  return in;
}

TEST(RequestTest, ItemSearchesQueryFormCookiesThenServerVariables) {
  Request r(Input());
  EXPECT_EQ(r.Item("action").AsString(), "begin");  // query before form and cookies
  EXPECT_EQ(r.Item("only").AsString(), "form");     // form before cookies and variables
  EXPECT_EQ(r.Item("ASPSESSIONID").AsString(), "ABC");
  EXPECT_EQ(r.Item("http_referer").AsString(), "http://127.0.0.1/admin/list.asp");
  EXPECT_TRUE(r.Item("missing").IsEmpty());
  EXPECT_TRUE(r.Form().Item("ItemID").IsEmpty());
  EXPECT_EQ(r.Form().Item("ACTION").AsString(), "save");
  EXPECT_EQ(r.Cookies().Item("action").AsString(), "cookie");
}

TEST(RequestTest, CommandReadsQueryThenFormButNeverACookie) {
  Request r(Input());
  EXPECT_EQ(r.Command("action").AsString(), "begin");
  EXPECT_EQ(r.Command("only").AsString(), "form");
  RequestInput cookie_only;
  cookie_only.cookie_header = "action=del; change=yes";
  EXPECT_TRUE(Request(cookie_only).Command("action").IsEmpty());
  EXPECT_TRUE(Request(cookie_only).Command("change").IsEmpty());
}

TEST(RequestTest, KeysIgnoreCaseAndRepeatedKeysAreJoined) {
  Request r(Input());
  EXPECT_EQ(r.Item("ITEMID").AsString(), "3");
  EXPECT_EQ(r.QueryString().Item("Tag").AsString(), "a, b, c");
  EXPECT_EQ(r.QueryString().Values("tag").size(), 3u);
  EXPECT_EQ(r.QueryString().Count(), 4);  // action, ItemID, name, tag
  EXPECT_EQ(r.QueryString().Key(4), "tag");
  EXPECT_THROW(r.QueryString().Key(5), vb::VbError);
}

TEST(RequestTest, QueryAndFormAreDecodedFromTheCodePage) {
  Request r(Input());
  EXPECT_EQ(r.Item("name").AsString(), "中文");
  EXPECT_EQ(r.Form().Item("title").AsString(), "采集 文章");
}

TEST(RequestTest, DecodingEdgeCases) {
  RequestInput in;
  in.query_string = "pct=100%&bad=%zz%4&empty=&&novalue&%D6%D0=key&broken=%D6";
  Request r(in);
  EXPECT_EQ(r.Item("pct").AsString(), "100%");
  EXPECT_EQ(r.Item("bad").AsString(), "%zz%4");
  ASSERT_TRUE(r.Item("empty").IsString());
  EXPECT_EQ(r.Item("empty").AsString(), "");
  ASSERT_TRUE(r.QueryString().Contains("novalue"));
  EXPECT_EQ(r.Item("中").AsString(), "key");
  EXPECT_EQ(r.Item("broken").AsString(), "\xEF\xBF\xBD");  // a lone lead byte: U+FFFD
}

TEST(RequestTest, AnotherCodePageIsHonoured) {
  RequestInput in;
  in.code_page = "UTF-8";
  in.query_string = "q=%E4%B8%AD%E6%96%87";
  EXPECT_EQ(Request(in).Item("q").AsString(), "中文");
}

}  // namespace
}  // namespace ostrel::asp
