// The markup the software and Flash editors have always written, line by
// line, and the check that a page carries it: tags are compared whole,
// whatever their quoting, letter case of names and attribute order;
// document.getElementById('X') stands for a bare X and history.go(-1) for
// javascript:history.go(-1); blanks between tags, at the ends of a text and
// in runs do not count. Elements, attribute values, text (with its &nbsp;
// spacing) and nesting do.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::testing {

// One tag in a canonical form: <name a="v" b="v"> with names lower-cased
// and attributes sorted.
inline std::string CanonicalTag(const std::string& tag) {
  size_t i = 1;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  auto name_end = [&](size_t from) {
    while (from < tag.size() && !std::isspace(static_cast<unsigned char>(tag[from])) &&
           tag[from] != '>' && tag[from] != '=' && tag[from] != '/')
      ++from;
    return from;
  };
  size_t end = name_end(i);
  std::string name = lower(tag.substr(i, end - i));
  std::vector<std::pair<std::string, std::string>> attributes;
  i = end;
  while (i < tag.size()) {
    while (i < tag.size() && (std::isspace(static_cast<unsigned char>(tag[i])) || tag[i] == '/'))
      ++i;
    if (i >= tag.size() || tag[i] == '>') break;
    end = name_end(i);
    std::string attribute = lower(tag.substr(i, end - i));
    i = end;
    std::string value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      if (tag[i] == '"' || tag[i] == '\'') {
        const size_t close = tag.find(tag[i], i + 1);
        value = tag.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) &&
               tag[end] != '>')
          ++end;
        value = tag.substr(i, end - i);
        i = end;
      }
    }
    attributes.emplace_back(attribute, value);
  }
  std::sort(attributes.begin(), attributes.end());
  std::string out = "<" + name;
  for (const auto& [attribute, value] : attributes) out += " " + attribute + "=\"" + value + "\"";
  return out + ">";
}

inline std::string CanonicalMarkup(std::string html) {
  html = std::regex_replace(html, std::regex(R"(document\.getElementById\('(\w+)'\))"), "$1");
  html = std::regex_replace(html, std::regex(R"(javascript:history\.go)"), "history.go");
  std::string out;
  size_t i = 0;
  while (i < html.size()) {
    if (html[i] == '<') {
      // A tag ends at the first > outside a quoted value.
      size_t j = i + 1;
      char quote = 0;
      for (; j < html.size(); ++j) {
        if (quote) {
          if (html[j] == quote) quote = 0;
        } else if (html[j] == '"' || html[j] == '\'') {
          if (html[j - 1] == '=') quote = html[j];
        } else if (html[j] == '>') {
          break;
        }
      }
      const std::string tag = html.substr(i, j - i + 1);
      out += tag.size() > 1 && tag[1] == '/'
                 ? "</" +
                       [&] {
                         std::string n = tag.substr(2, tag.size() - 3);
                         for (char& c : n)
                           c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                         n.erase(std::remove_if(n.begin(), n.end(),
                                                [](char c) { return std::isspace(c); }),
                                 n.end());
                         return n;
                       }() +
                       ">"
                 : CanonicalTag(tag);
      i = j + 1;
      continue;
    }
    // Text with its blanks as a browser shows them: runs of blanks as one,
    // none at either end of a text.
    const size_t next = std::min(html.find('<', i), html.size());
    std::string text = std::regex_replace(html.substr(i, next - i), std::regex("[ \t\r\n]+"), " ");
    if (text.starts_with(' ')) text.erase(0, 1);
    if (text.ends_with(' ')) text.pop_back();
    out += text;
    i = next;
  }
  return out;
}

// The page carries the quoted lines (joined as they stand).
inline void ExpectQuotedMarkup(const std::string& page, const std::string& quoted,
                               const std::string& where) {
  EXPECT_NE(CanonicalMarkup(page).find(CanonicalMarkup(quoted)), std::string::npos)
      << where << ": " << CanonicalMarkup(quoted);
}

// One quoted piece of an editor page: the channel ("soft", "flash"), the
// page (step1, step2 and step3 with their source views, step4 the finish
// page, trial) and the lines. {list} and {entry} stand for the item's list
// and first entry addresses; the item is item 1 of channel 2 (software) or
// 5 (Flash).
struct QuotedLines {
  const char* channel;
  const char* page;
  const char* lines;
};
inline constexpr QuotedLines
    kQuotedLines[] =
        {
            // The first step.
            {"soft", "step1",
             R"q(<script language="javascript" src="include/Ostrel.js"></script>)q"},
            {"soft", "step1",
             R"q(<form name=myform method=post action="admin_SoftGather.asp" onSubmit='return CheckForm();'>
<input type="hidden" name="action" value="step2">
<input type="hidden" name="ChannelID" value="2">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>
<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">编辑采集项目 第一步</th> 
  </tr> )q"},
            {"flash", "step1",
             R"q(<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">编辑采集项目 第一步</th> 
  </tr> 
<form name=myform method=post action="Admin_FlashGather.asp" onSubmit='return CheckForm();'>
<input type="hidden" name="action" value="step2">
<input type="hidden" name="ChannelID" value="5">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>)q"},
            {"soft", "step1",
             R"q(<td width='23%' nowrap align="right" class="TableRow1"><strong>项目名称：</strong></td><td width='77%' class="TableRow1"><input type="text" name="ItemName" id="ItemName" size="30" value="试验"></td>)q"},
            {"flash", "step1",
             R"q(<td width='23%' nowrap align="right" class="TableRow1"><strong>项目名称：</strong></td><td width='77%' class="TableRow1"><input type="text" name="ItemName" id="ItemName" size="30" value="试验"></td>)q"},
            {"soft", "step1", R"q(      <option value="0">不指定专题</option>)q"},
            {"soft", "step1",
             R"q(    <font color='blue'>* 如果软件下载到本地，建议选择或<a href='admin_Servered.asp?action=add&ChannelID=2'><font color='red'>添加下载服务器</font></a></font></td> )q"},
            {"soft", "step1",
             R"q(&nbsp;&nbsp;<font color='blue'>* 如果文件下载到本地，这里是下载地址序号，0-9。</font></td>)q"},
            {"flash", "step1", R"q(    <font color='blue'>* 用于页面直接播放的类型</font></td> )q"},
            {"soft", "step1",
             R"q(<td align="right" class="TableRow2"><strong>是否自动归类：</strong></td>)q"},
            {"flash", "step1",
             R"q(<td align="right" class="TableRow2"><strong>是否自动归类：</strong></td>)q"},
            {"soft", "step1",
             R"q(<tr id="RetuneClassID"><td align="right" class="TableRow2"><strong>分类替换操作：</strong></td>)q"},
            {"flash", "step1",
             R"q(<tr id="RetuneClassID"><td align="right" class="TableRow2"><strong>分类替换操作：</strong></td>)q"},
            {"soft", "step1",
             R"q(<td align="right" class="TableRow1"><strong>日期路径格式：</strong></td><td class="TableRow1"><select name="PathForm" size="1" id="PathForm">)q"},
            {"flash", "step1",
             R"q(<td align="right" class="TableRow1"><strong>日期路径格式：</strong></td><td class="TableRow1"><select name="PathForm" size="1" id="PathForm">)q"},
            {"soft", "step1",
             R"q(      <font color="blue">* 可以使用相对路径或者绝对路径</font></td> )q"},
            {"flash", "step1",
             R"q(      <font color="blue">* 相对于频道目录下面，目录后面请加上“/”</font></td> )q"},
            {"soft", "step1",
             R"q(<td align="right" class="TableRow2"><strong>远程列表URL：</strong></td><td class="TableRow2">)q"},
            {"flash", "step1",
             R"q(<td align="right" class="TableRow1"><strong>远程列表URL：</strong></td><td class="TableRow2">)q"},
            {"soft", "step1",
             R"q(<tr id="Pageinate1" style="display:none"><td align="right" class="TableRow2"><strong>远程列表分页URL：</strong></td>)q"},
            {"flash", "step1",
             R"q(      <span class="style2">      * 分页代码 <font color="red">{$pageid}</font></span></td>)q"},
            {"flash", "step1", R"q(&nbsp;-结束页：)q"},
            {"flash", "step1",
             R"q(&nbsp;&nbsp;<span class="style2">* 例如：1 - 9 或者 9 - 1</span></td>)q"},
            {"soft", "step1",
             R"q(<input type="button" name="addReplace" value="添加替换字符" onclick="AddReplace();" class="Button">)q"},
            {"flash", "step1",
             R"q(<input type="button" name="delReplace" value="删除当前字符" onclick="DelReplace();" class="Button">)q"},
            {"flash", "step1",
             R"q(<input type="button" name="modifyclass" value="修改当前分类" onclick="return ModifyClass();" class="Button">)q"},
            {"soft", "step1",
             R"q(<td align="right" class="TableRow2"><strong>简介字符替换操作：</strong></td>)q"},
            {"soft", "step1",
             R"q(<td align="right" class="TableRow1">&nbsp;</td><td class="TableRow1" align="center">)q"},
            {"flash", "step1",
             R"q(<td align="right" class="TableRow1">&nbsp;</td><td class="TableRow1" align="center">)q"},
            {"soft", "step1", R"q( 显示源码</td></tr></table> </form>)q"},
            {"flash", "step1", R"q( 显示源码</td>  </tr></form> </table> )q"},
            // The second step, with the list page's source.
            {"soft", "step2",
             R"q(<form name=myform method=post action="admin_SoftGather.asp">
<input type="hidden" name="action" value="step3">
<input type="hidden" name="ChannelID" value="2">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>
<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">采集项目第二步</th> 
  </tr> )q"},
            {"flash", "step2",
             R"q(<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">采集项目第二步</th> 
  </tr> 
<form name=myform method=post action="Admin_FlashGather.asp">
<input type="hidden" name="action" value="step3">
<input type="hidden" name="ChannelID" value="5">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>)q"},
            {"soft", "step2",
             R"q(    <td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 采集目标网站源代码&nbsp;&nbsp;&nbsp;&nbsp;<Input type="radio" value="0" name="soucode" onClick="soucodeid.style.display='none';"> 关闭源代码窗口&nbsp;&nbsp;<Input type="radio" value="1" name="soucode" onClick="soucodeid.style.display='';" checked> 查看源代码        </td> )q"},
            {"flash", "step2",
             R"q(    <td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 采集目标网站源代码&nbsp;&nbsp;&nbsp;&nbsp;<Input type="radio" value="0" name="soucode" onClick="soucodeid.style.display='none';"> 关闭源代码窗口&nbsp;&nbsp;<Input type="radio" value="1" name="soucode" onClick="soucodeid.style.display='';" checked> 查看源代码        </td> )q"},
            {"soft", "step2",
             R"q(    <td class="TableRow1" colspan="2" id='soucodeid'><textarea name='content' id='content' wrap='OFF' style='width:100%;' rows='20'>)q"},
            {"flash", "step2",
             R"q(</textarea><div align='right'><a href="javascript:admin_Size(-20,'content')"><img src='images/minus.gif' unselectable=on border=0></a> <a href="javascript:admin_Size(20,'content')"><img src='images/plus.gif' unselectable=on border=0></div></td> )q"},
            {"soft", "step2",
             R"q(    <td class="TableRow2" colspan="2">采集的目标地址 → <a href='{list}' target='_blank'><font color='red'>{list}</font></a>&nbsp;&nbsp;&nbsp;&nbsp;<a href='view-source:{list}' target='_blank'><font color='blue'>点击查看目标源代码</font></a></td> )q"},
            {"soft", "step2",
             R"q(    <td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 列表连接设置</td> )q"},
            {"flash", "step2",
             R"q(    <td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 列表连接设置</td> )q"},
            {"soft", "step2",
             R"q(    <td width='25%' align="right" class="TableRow1"><strong>获取列表开始代码：</strong></td> 
    <td width='75%' class="TableRow1"><textarea name=FindListCode0 rows=5 cols=80>)q"},
            {"flash", "step2",
             R"q(    <td align="right" class="TableRow2"><strong>获取连接结束代码：</strong></td> 
    <td class="TableRow2"><textarea name=FindListCode3 rows=5 cols=80>)q"},
            {"soft", "step2",
             R"q(    <td class="TableRow1"><div><Input type="radio" value="0" name="FindListCode4" onClick="especial.style.display='none';" checked> 不作处理&nbsp;&nbsp;<Input type="radio" value="1" name="FindListCode4" onClick="especial.style.display='';" disabled> 重新定位</div><div id='especial' style="display:none"><input type="text" name="FindListCode5" size=60 value='0'></div><div></div></td> )q"},
            {"flash", "step2",
             R"q(    <td align="right" class="TableRow1"><strong>分类列表处截取缩略图：</strong></td> 
    <td class="TableRow1"><div><Input type="radio" value="0" name="FindListCode4" onClick="ListCode5.style.display='none';ListCode6.style.display='none';"> 没有图片截取&nbsp;&nbsp;<Input type="radio" value="1" name="FindListCode4" onClick="ListCode5.style.display='';ListCode6.style.display='';" checked> 截取缩略图</div></td> )q"},
            {"flash", "step2", R"q(  <tr id="ListCode5"> 
    <td align="right" class="TableRow1"><strong>截取缩略图开始代码：</strong><br><font color='blue'>不设置请输入“0”</font></td> 
    <td class="TableRow1"><textarea name=FindListCode5 rows=5 cols=80>)q"},
            {"flash", "step2", R"q(  <tr id="ListCode6"> 
    <td align="right" class="TableRow2"><strong>截取缩略图结束代码：</strong><br><font color='blue'>不设置请输入“0”</font></td> 
    <td class="TableRow2"><textarea name=FindListCode6 rows=5 cols=80>)q"},
            {"flash", "step2",
             R"q(    <td align="right" class="TableRow1"><strong>限制要采集的图片名称：</strong></td> 
    <td class="TableRow1"><div><input type="text" name="FindListCode7" size=60 value='0'></div></td> )q"},
            {"flash", "step2",
             R"q(    <td align="right" class="TableRow1"><strong>特殊设置：</strong></td> 
    <td class="TableRow1"><div><Input type="radio" value="0" name="FindListCode8" onClick="especial.style.display='none';" checked> 不作处理&nbsp;&nbsp;<Input type="radio" value="1" name="FindListCode8" onClick="especial.style.display='';" disabled> 重新定位</div><div id='especial' style="display:none"><input type="text" name="FindListCode9" size=60 value='0'></div><div></div></td> )q"},
            {"soft", "step2", R"q(    <td align="right" class="TableRow2"></td> 
    <td class="TableRow2" align="center">)q"},
            {"soft", "step2", R"q( 显示源码</td></tr></table> </form>)q"},
            {"flash", "step2", R"q( 显示源码</td>  </tr></form> </table> )q"},
            // The third step, with the first entry's source.
            {"soft", "step3",
             R"q(<form name=myform method=post action="admin_SoftGather.asp">
<input type="hidden" name="action" value="step4">
<input type="hidden" name="ChannelID" value="2">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>
<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">采集项目第三步</th> 
  </tr> )q"},
            {"flash", "step3",
             R"q(<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">采集项目第三步</th> 
  </tr> 
<form name=myform method=post action="Admin_FlashGather.asp">
<input type="hidden" name="action" value="step4">
<input type="hidden" name="ChannelID" value="5">
<input type="hidden" name="ItemID" value="1">
<input type=hidden name='change' value='yes'>)q"},
            {"flash", "step3",
             R"q(    <td class="TableRow2" colspan="2">采集的目标地址 → <a href='{entry}' target='_blank'><font color='red'>{entry}</font></a>&nbsp;&nbsp;&nbsp;&nbsp;<a href='view-source:{entry}' target='_blank'><font color='blue'>点击查看目标源代码</font></a></td> )q"},
            {"soft", "step3",
             R"q(<td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 软件信息设置</td>)q"},
            {"flash", "step3",
             R"q(<td class="TableTitle" align="center" colspan="2">项 目 编 辑 -- 动画信息设置</td>)q"},
            {"soft", "step3",
             R"q(<td width='25%' align="right" class="TableRow1"><strong>获取软件名称开始代码：</strong></td><td width='75%' class="TableRow1"><textarea name="FindInfoCode0" rows="5" cols="80">)q"},
            {"flash", "step3",
             R"q(<td align="right" class="TableRow2"><strong>获取动画简介结束代码：</strong></td><td class="TableRow2"><textarea name="FindInfoCode3" rows="5" cols="80">)q"},
            {"soft", "step3",
             R"q(<td align="right" class="TableRow2"><strong>软件版本设置：</strong></td>)q"},
            {"soft", "step3",
             R"q(<tr id="InfoCode38" style="display:none"><td align="right" class="TableRow1"><strong>获取软件版本开始代码：</strong></td>)q"},
            {"soft", "step3",
             R"q(<tr id="InfoCode5" style="display:none"><td align="right" class="TableRow2"><strong>获取父分类名称结束代码：</strong><br><font color='blue'>手动设置，请直接输入分类名称</font></td>)q"},
            {"flash", "step3",
             R"q(<td align="right" class="TableRow2"><strong>设置下载文件连接：</strong></td>)q"},
            {"flash", "step3",
             R"q(<tr id="InfoCode21" style="display:none"><td align="right" class="TableRow1"><strong>下载地址列表开始代码：</strong></td>)q"},
            {"flash", "step3",
             R"q(<tr id="InfoCode30" style="display:none"><td align="right" class="TableRow2"><strong>简介过虑字符二：</strong></td>)q"},
            {"flash", "step3",
             R"q(<td class="TableRow1"><input type="text" name=FindInfoCode20 size=45 value='0'><br><font color='blue'>* 如果系统没有办法将相对地址转换成绝对路，可以在此设置指定相对路径，路径后面请加上“/”</font></td>)q"},
            {"soft", "step3",
             R"q(<input name="B12" type="button" class="Button" onclick="javascript:history.go(-1)" value="返回上一页">)q"},
            {"flash", "step3",
             R"q(<input name="B22" type="submit" class="Button" value=" 下一步 ">)q"},
            {"soft", "step3", R"q(<input name="ShowCode" type="checkbox" value="1"> 显示源码)q"},
            {"soft", "step3",
             R"q(<b>说明：</b><br>“软件名称”、“软件简介”和“下载地址”必需截取；其它的如果不截取，请在开始代码输入“0”或者留空，在结束代码输入初始值。截取后的代码将自动清除HTML格式(简介除外)<br>)q"},
            {"soft", "step3",
             R"q(<font color='blue'>注意：开始代码必需是网页源代码中唯一的字符</font></td></tr></table> </form>)q"},
            {"flash", "step3",
             R"q(<font color='blue'>注意：开始代码必需是网页源代码中唯一的字符</font></td> 
  </tr></form> 
</table> )q"},
            // The finish page and the trial run.
            {"soft", "step4",
             R"q(<table  border="0" align="center" cellpadding="3" cellspacing="1" class="TableBorder"> 
  <tr> 
    <th colspan="2">采集项目第三步</th> 
  </tr> )q"},
            {"soft", "step4", R"q(  <tr> 
    <td class="TableRow1"><li>恭喜您！采集项目设置全部完成。</li><li>如果要查看项目设置是否正确，请点击<a href='?action=demo&ChannelID=2&ItemID=1' class=showmenu>项目演示</a> </li></td> 
  </tr> )q"},
            {"soft", "step4", R"q(  <tr> 
    <td class="TableRow2"align="center">
      <input name="B12" type="button" class="Button" onclick="javascript:history.go(-1)" value="返回上一页">&nbsp;&nbsp; 
      <input name="B22" type="button" class="Button" onclick="window.location.href='?ChannelID=2';" value="全部设置完成">&nbsp;&nbsp;
      <input name="B32" type="button" class="Button" onclick="window.location.href='?action=begin&ChannelID=2&ItemID=1';" value="开始采集">&nbsp;&nbsp; 
</td> 
  </tr> 
</table> )q"},
            {"flash", "step4", R"q(  <tr> 
    <td class="TableRow1"><li>恭喜您！采集项目设置全部完成。</li><li>如果要查看项目设置是否正确，请点击<a href='?action=demo&ChannelID=5&ItemID=1' class=showmenu>项目演示</a> </li></td> 
  </tr> )q"},
            {"flash", "step4",
             R"q(      <input name="B22" type="button" class="Button" onclick="window.location.href='?ChannelID=5';" value="全部设置完成">&nbsp;&nbsp;
      <input name="B32" type="button" class="Button" onclick="window.location.href='?action=begin&ChannelID=5&ItemID=1';" value="开始采集">&nbsp;&nbsp; 
</td> 
  </tr> 
</table> )q"},
            {"soft", "trial", R"q(  <tr> 
    <td class="TableRow1"><b>软件名称：</b><span class='style1'>)q"},
            {"soft", "trial",
             R"q(<hr style='height: 1;width: 65%;color: red;text-align:left;'><b><font color='blue'>下载连接：</font></b><br>)q"},
            {"soft", "trial",
             R"q(<br><b  class='style3'>软件简介：</b><hr style='height: 1;width: 65%;color: red;text-align:left;'><div class='style2'>)q"},
            {"flash", "trial", R"q(  <tr> 
    <td class="TableRow1"><b>标题名称：</b><span class='style1'>)q"},
            {"flash", "trial", R"q(<br><b>原 作 者：</b>)q"},
            {"flash", "trial",
             R"q(<br><b  class='style3'>作品简介：</b><hr style='height: 1;width: 65%;color: red;text-align:left;'><div class='style2'>)q"},
};

// Every quoted piece of the channel's pages (page name to page), with the
// item's list and first entry addresses.
inline void ExpectQuotedPages(std::string_view channel,
                              const std::vector<std::pair<std::string, std::string>>& pages,
                              const std::string& list, const std::string& entry) {
  for (const QuotedLines& quoted : kQuotedLines) {
    if (quoted.channel != channel) continue;
    const auto page = std::find_if(pages.begin(), pages.end(),
                                   [&](const auto& p) { return p.first == quoted.page; });
    ASSERT_NE(page, pages.end()) << quoted.page;
    std::string lines = std::regex_replace(quoted.lines, std::regex(R"(\{list\})"), list);
    lines = std::regex_replace(lines, std::regex(R"(\{entry\})"), entry);
    ExpectQuotedMarkup(page->second, lines, std::string(channel) + " " + quoted.page);
  }
}

}  // namespace ostrel::testing
