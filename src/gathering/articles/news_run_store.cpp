// NewsCollection.SaveNewsData, second half: the gathered article shown in
// the progress panel, its links made absolute and its pictures saved, its
// row written to QX_Article (or skipped, updated or added again when its
// title is already there), the class counters and the run's success count
// raised, and the panel's status lines set.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gathering/articles/news_collection.h"
#include "gathering/articles/news_run_types.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "platform/vb/strings.h"
#include "processing/markup_text.h"
#include "processing/remote_saving.h"
#include "processing/url_fixing.h"

namespace ostrel::articles {
namespace {

using processing::HtmlAttribute;
using processing::HtmlText;

// One labelled line of the panel.
std::string PanelLine(const std::string& label, const std::string& value) {
  return "<strong><font color=blue>" + label + "</font></strong>" + value + "<br>";
}

bool IsPictureName(const std::string& name) {
  const std::string ext = vb::LCase(processing::GetFileExtName(name));
  return ext == "gif" || ext == "jpg" || ext == "png" || ext == "bmp";
}

}  // namespace

void NewsCollection::WriteProgressPanel(const GatheredArticle& article) {
  asp::Response& out = host_.Response();
  out.Write(
      "<p></p><br><table border=0 align=center cellpadding=3 cellspacing=1 class=TableBorder>");
  out.Write("  <tr>");
  out.Write("   <th><span id=txt1>正在采集，请稍候....</span></th>");
  out.Write("  </tr>");
  out.Write("  <tr>");
  // The title is already escaped for the page (FormatStr); the other
  // fields come from the remote page as they are.
  out.Write("   <td class=TableRow1><strong><font color=blue>" + ModuleName_ +
            "标题：</font></strong><font color=red>" + article.title + "</font>&nbsp;&nbsp;<br>");
  out.Write(PanelLine(ModuleName_ + "作者：", HtmlText(article.author)));
  out.Write(PanelLine(ModuleName_ + "来源：", HtmlText(article.source)));
  if (item_.AutoClass >= 1) {
    out.Write(PanelLine(ModuleName_ + "类别：",
                        HtmlText(article.parentRuled) + " / " + HtmlText(article.childRuled)));
  }
  out.Write(PanelLine("采集时间：", vb::DateText(vb::Now())));
  out.Write(PanelLine("目标地址：", "<a href='" + HtmlAttribute(article.link) + "' target=_blank>" +
                                        HtmlText(article.link) + "</a>"));
  out.Write(
      "<div><li><span id=txt2 name=txt2 style=\"font-size:9pt;color:red;\">正在采集，请稍候...."
      "</span></li></div>");
  out.Write("<div align=center>[<a href='?ChannelID=" + std::to_string(ChannelID_) +
            "'><font color=blue>停止采集</font></a>]</div>");
  out.Write("   </td>");
  out.Write(" </tr>");
  out.Write("</table>");
}

void NewsCollection::SaveArticlePictures(GatheredArticle& article) {
  processing::VBProcess& process = Process();
  const std::string folder = ChannelPath_ + "UploadPic/" + process.BuildDatePath(item_.PathForm);
  process.CreatedPathEx(process.CheckMapPath(folder, true));
  process.SetMaxSize(settings_.MaxPicSize);
  process.SetAllowExt(settings_.AllowPicExt);
  article.content = processing::RemoteToLocal(process, article.content, folder);

  // The list begins with "|": its first part is empty, as is the whole list
  // when no picture was saved.
  const std::vector<std::string> files = vb::Split(process.AllFileName(), "|");
  article.BriefTopic = files.size() >= 4 ? 2 : 1;
  for (const std::string& file : files) {
    if (file.empty()) continue;
    if (IsPictureName(file)) {
      article.ImageUrl = vb::Trim(file);
      break;
    }
  }
  article.UploadImage = vb::Trim(process.AllFileName());
}

void NewsCollection::StoreArticle(GatheredArticle& article) {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();
  out.Flush();
  WriteProgressPanel(article);
  out.Flush();

  // Links made absolute against the article page while the toolbox still
  // has its default picture list; the item's list is handed over only for
  // saving.
  article.content = processing::FormatContentUrl(article.content, article.url, process.allow_ext(),
                                                 process.PictureExist);
  article.BriefTopic = 0;
  if (process.PictureEx()) {
    article.BriefTopic = 1;
    if (item_.IsDown >= 1) SaveArticlePictures(article);
  }

  // A title counts as known within the article's own channel only, so a
  // run never touches another channel's articles.
  const int32_t channel = process.ChkNumeric(std::to_string(ChannelID_));
  // The name as the administrator has it; the row takes it as a field
  // value, so it needs no SQL escaping.
  const std::string username = vb::Trim(vb::Replace(AdminName_, "''", "'"));
  const gathering::EntryStore entry{
      .lookup = "SELECT * FROM QX_Article WHERE title='" + process.CheckStr(article.title) +
                "' And ChannelID=" + std::to_string(channel),
      .RepeatDeal = settings_.RepeatDeal,
      .test_mode = settings_.stopGather == 9,
      .ClassID = article.ClassID,
      .texts = {"采集成功", "恭喜您！采集成功", "采集失败", "目标文章已存在，不予采集"},
      .row =
          [&] {
            return std::vector<std::pair<const char*, vb::Variant>>{
                {"ChannelID", vb::Variant(channel)},
                {"SpecialID", vb::Variant(process.ChkNumeric(std::to_string(item_.SpecialID)))},
                {"ClassID", vb::Variant(process.ChkNumeric(std::to_string(article.ClassID)))},
                {"title", vb::Variant(article.title)},
                {"ColorMode", vb::Variant(int32_t{0})},
                {"FontMode", vb::Variant(int32_t{0})},
                {"content", vb::Variant(article.content)},
                {"Related", vb::Variant(process.ChkFormStr(vb::Left(article.key, 200)))},
                {"Author", vb::Variant(vb::Left(article.author, 100))},
                {"ComeFrom", vb::Variant(vb::Left(article.source, 100))},
                {"star", vb::Variant(process.ChkNumeric(std::to_string(item_.star)))},
                {"isTop", vb::Variant(int32_t{0})},
                {"AllHits", vb::Variant(process.ChkNumeric(std::to_string(article.AllHits)))},
                {"DayHits", vb::Variant(int32_t{0})},
                {"WeekHits", vb::Variant(int32_t{0})},
                {"MonthHits", vb::Variant(int32_t{0})},
                {"HitsTime", vb::Variant(vb::Now())},
                {"WriteTime", vb::Variant(article.writeTime)},
                {"HtmlFileDate", vb::Variant(vb::Trim(process.HtmlRndFileName()))},
                {"username", vb::Variant(username)},
                {"isBest", vb::Variant(int32_t{0})},
                {"BriefTopic", vb::Variant(int32_t{article.BriefTopic})},
                {"ImageUrl", vb::Variant(article.ImageUrl)},
                {"UploadImage", vb::Variant(article.UploadImage)},
                {"UserGroup", vb::Variant(int32_t{0})},
                {"PointNum", vb::Variant(int32_t{0})},
                {"isUpdate", vb::Variant(int32_t{1})},
                {"isAccept", vb::Variant(int32_t{1})},
                {"ForbidEssay", vb::Variant(int32_t{0})},
                {"AlphaIndex", vb::Variant(process.ReadAlpha(article.title))},
            };
          },
  };
  StoreEntry(entry);
}

void NewsCollection::SaveNewsData(vb::Variant& url) {
  GatheredArticle article;
  if (!ExtractArticle(vb::CStr(url), article)) return;
  StoreArticle(article);
}

}  // namespace ostrel::articles
