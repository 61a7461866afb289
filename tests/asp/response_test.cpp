#include "platform/asp/response.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/asp/memory_sink.h"
#include "platform/vb/vb_error.h"

namespace ostrel::asp {
namespace {

class ResponseTest : public ::testing::Test {
 protected:
  std::shared_ptr<MemorySink> sink_ = std::make_shared<MemorySink>();
  Response response_{sink_};
};

TEST_F(ResponseTest, WriteBuffersInTheCodePageUntilFlush) {
  response_.Write("采集");
  response_.Write(std::string(" ok"));
  EXPECT_FALSE(sink_->head);
  EXPECT_TRUE(sink_->chunks.empty());
  response_.Flush();
  ASSERT_EQ(sink_->chunks.size(), 1u);
  EXPECT_EQ(sink_->chunks[0], "\xB2\xC9\xBC\xAF ok");
  EXPECT_FALSE(sink_->chunk_before_head);
  EXPECT_EQ(sink_->Header("Content-Type"), "text/html; charset=gb2312");
}

TEST_F(ResponseTest, EachFlushSendsOneChunkAndHeadersOnlyOnce) {
  response_.AddHeader("Cache-Control", "no-cache");
  response_.SetStatus("404 Not Found");
  response_.Flush();  // nothing buffered: the head alone
  EXPECT_TRUE(sink_->head);
  EXPECT_TRUE(sink_->chunks.empty());
  EXPECT_EQ(sink_->head->status, "404 Not Found");
  ASSERT_EQ(sink_->head->headers.size(), 2u);
  EXPECT_EQ(sink_->head->headers[0].first, "Content-Type");
  EXPECT_EQ(sink_->head->headers[1].second, "no-cache");

  response_.Write("a");
  response_.Write("b");
  response_.Flush();
  response_.Write("c");
  response_.Flush();
  EXPECT_EQ(sink_->chunks, (std::vector<std::string>{"ab", "c"}));
  EXPECT_THROW(response_.AddHeader("X-Late", "1"), vb::VbError);
  EXPECT_THROW(response_.SetStatus("500 Error"), vb::VbError);
}

TEST_F(ResponseTest, EndFlushesAndDropsLaterOutputWithoutUnwinding) {
  response_.Write("before");
  bool went_on = false;
  response_.End();
  went_on = true;  // End returned: the caller's code goes on
  response_.Write("after");
  response_.Flush();
  response_.Clear();
  response_.Redirect("/elsewhere");
  response_.Finish();
  EXPECT_TRUE(went_on);
  EXPECT_TRUE(response_.IsEnded());
  EXPECT_EQ(sink_->Body(), "before");
  EXPECT_EQ(sink_->chunks.size(), 1u);
  EXPECT_EQ(sink_->head->status, "200 OK");
}

TEST_F(ResponseTest, RedirectIsA302ThatEndsAndDropsTheBuffer) {
  response_.Write("dropped");
  response_.Redirect("Admin_ArticleGather.asp?action=yes&名=1\r\nSet-Cookie: x=1");
  EXPECT_TRUE(response_.IsEnded());
  ASSERT_TRUE(sink_->head);
  EXPECT_EQ(sink_->head->status, "302 Object moved");
  // The CR LF cannot end the header; the name goes in its code-page bytes.
  EXPECT_EQ(sink_->Header("Location"),
            "Admin_ArticleGather.asp?action=yes&%C3%FB=1%0D%0ASet-Cookie:%20x=1");
  EXPECT_EQ(sink_->Body(), "");
}

TEST_F(ResponseTest, RedirectAfterOutputWasSentIsRefused) {
  response_.Write("x");
  response_.Flush();
  EXPECT_THROW(response_.Redirect("/"), vb::VbError);
  EXPECT_FALSE(response_.IsEnded());
}

TEST_F(ResponseTest, HeaderInjectionIsRefused) {
  EXPECT_THROW(response_.AddHeader("X-A", "1\r\nX-B: 2"), vb::VbError);
  EXPECT_THROW(response_.AddHeader("X-A: 1", "2"), vb::VbError);
  EXPECT_THROW(response_.SetStatus("200 OK\r\nX: 1"), vb::VbError);
  EXPECT_THROW(response_.SetStatus("OK"), vb::VbError);
}

TEST_F(ResponseTest, IsClientConnectedFollowsTheSink) {
  EXPECT_TRUE(response_.IsClientConnected());
  sink_->connected = false;
  EXPECT_FALSE(response_.IsClientConnected());
  Response detached(nullptr);
  detached.Write("nowhere");
  detached.Flush();
  EXPECT_TRUE(detached.IsClientConnected());
}

TEST_F(ResponseTest, ClearDropsOnlyTheBuffer) {
  response_.Write("kept");
  response_.Flush();
  response_.Write("dropped");
  response_.Clear();
  response_.Write("!");
  response_.Finish();
  EXPECT_EQ(sink_->Body(), "kept!");
}

TEST_F(ResponseTest, CharsetChangesTheEncodingAndTheHeader) {
  response_.SetCharset("utf-8");
  response_.Write("中");
  response_.Flush();
  EXPECT_EQ(sink_->Body(), "中");
  EXPECT_EQ(sink_->Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_THROW(Response(nullptr).SetCharset("no-such-charset"), vb::VbError);
}

TEST_F(ResponseTest, UnbufferedWritesGoOutAtOnce) {
  response_.SetBuffer(false);
  response_.Write("a");
  response_.Write("b");
  EXPECT_EQ(sink_->chunks, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ResponseTest, WriteOfValues) {
  response_.Write(vb::Variant::Null());
  response_.Write(vb::Variant());
  response_.Write(vb::Variant(int32_t{93}));
  response_.Write(vb::Variant(true));
  response_.Finish();
  EXPECT_EQ(sink_->Body(), "93True");
}

}  // namespace
}  // namespace ostrel::asp
