// GatheringObject: a channel's base settings page, written and saved from
// the channel's row descriptors (settings_rows.h).
#include <string>

#include "gathering/common/gathering_object.h"
#include "gathering/common/page_markup.h"
#include "platform/asp/server.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"
#include "processing/page_messages.h"

namespace ostrel::gathering {
namespace {

const char* RowClass(size_t index) { return index % 2 == 0 ? "TableRow1" : "TableRow2"; }

int32_t NumberOrZero(const vb::Variant& value) {
  int32_t n = 0;
  vb::TryStep([&] { n = vb::CLng(value); });
  return n;
}

std::string ControlHtml(const SettingRow& row) {
  const std::string name(row.field);
  std::string html;
  switch (row.control) {
    case Control::kRadio: {
      const int32_t value = NumberOrZero(row.value);
      for (size_t i = 0; i < row.options.size(); ++i) {
        const RadioOption& option = row.options[i];
        if (i > 0) html += "\r\n";
        html += "<input type=radio name=" + name + " value='" + std::string(option.value) + "'" +
                markup::Checked(option.marked.Marks(value)) + "> " + std::string(option.label);
      }
      break;
    }
    case Control::kText:
      html = "<input type=text name=" + name + " id=" + name + " size=" + std::to_string(row.size) +
             (row.maxlength > 0 ? " maxlength=" + std::to_string(row.maxlength) : "") + " value='" +
             processing::HtmlAttribute(row.value) + "'>";
      break;
    case Control::kTextArea: {
      std::string text = processing::TextOf(row.value);
      if (row.saved == Saved::kLines) text = vb::Replace(text, "|", "\r\n");
      // A line break after the start tag, which browsers drop, so a first
      // empty line survives the round trip.
      html = "<textarea name=" + name + " id=" + name + " cols=" + std::to_string(row.size) +
             " rows=" + std::to_string(row.rows) + " wrap=VIRTUAL>\r\n" +
             asp::Server::HTMLEncode(text) + "</textarea>";
      break;
    }
  }
  return html + row.hint;
}

// The label without its closing colon, for the alerts.
std::string LabelName(const std::string& label) {
  std::string name = vb::Trim(label);
  constexpr std::string_view kColon = "：";
  if (name.ends_with(kColon)) name.resize(name.size() - kColon.size());
  return name;
}

}  // namespace

void GatheringObject::ShowSettingsForm(const SettingsForm& form,
                                       std::span<const SettingsSection> sections) {
  asp::Response& out = host_.Response();
  const std::string form_start =
      "<form name=myform method=post action='?action=save'>\r\n"
      "<input type=hidden name='ChannelID' value='" +
      std::to_string(ChannelID_) + "'>\r\n";
  if (!form.form_in_table) out.Write(form_start);
  std::string last_class = "TableRow2";
  bool first_table = true;
  for (const SettingsSection& section : sections) {
    if (!section.on) continue;
    if (!first_table) out.Write("</table>\r\n");
    out.Write("<table border=0 align=center cellpadding=3 cellspacing=1 class=\"" +
              std::string(section.table_class) + "\">\r\n");
    out.Write("<tr><th colspan=2>" + section.heading + "</th></tr>\r\n");
    if (form.form_in_table && first_table) out.Write(form_start);
    for (size_t i = 0; i < section.rows.size(); ++i) {
      const SettingRow& row = section.rows[i];
      const std::string cls = row.row_class.empty() ? RowClass(i) : std::string(row.row_class);
      std::string label_cell = "<td class=" + cls;
      std::string value_cell = "<td class=" + cls;
      if (i == 0) {
        label_cell += " width=\"" + std::string(form.label_width) + "\"" +
                      (form.label_nowrap ? " nowrap" : "");
        value_cell += " width=\"" + std::string(form.value_width) + "\"";
      }
      out.Write("<tr>" + label_cell + " align=right><b>" + row.label + "</b></td>" + value_cell +
                ">" + ControlHtml(row) + "</td></tr>\r\n");
      last_class = cls;
    }
    first_table = false;
  }
  const std::string button_class = last_class == "TableRow1" ? "TableRow2" : "TableRow1";
  out.Write("<tr><td class=" + button_class +
            " align=right>&nbsp;</td><td class=TableRow2 align=center>");
  out.Write(markup::kBackButton);
  out.Write("&nbsp;&nbsp;<input type=submit name=B22 value='保存设置' class=Button></td>");
  // A form opened inside the table closes with the last row.
  out.Write(form.form_in_table ? "\r\n  </tr></form> \r\n</table> " : "</tr>\r\n</table></form> ");
}

void GatheringObject::SaveSettings(std::string_view table, std::string_view cache_name,
                                   std::span<const SettingsSection> sections,
                                   const std::function<bool()>& extra_checks) {
  const asp::Request& request = host_.Request();
  processing::VBProcess& process = Process();
  // Every field is checked before anything changes: a refused save leaves
  // the row and the cached settings as they were.
  for (const SettingsSection& section : sections) {
    if (!section.on) continue;
    for (const SettingRow& row : section.rows) {
      if (!row.required.empty() && markup::FormText(request, row.field).empty()) {
        processing::AlertBack(row.required);
        return;
      }
    }
  }
  if (extra_checks && !extra_checks()) return;

  std::vector<std::pair<std::string_view, vb::Variant>> values;
  for (const SettingsSection& section : sections) {
    if (!section.on) continue;
    for (const SettingRow& row : section.rows) {
      const std::string posted = markup::FormText(request, row.field);
      switch (row.saved) {
        case Saved::kWholeNumber: {
          int32_t n = 0;
          const bool read = vb::TryStep([&] { n = process.ChkNumeric(posted); });
          if (!read || n > row.max) {
            processing::AlertBack(row.too_large.empty() ? LabelName(row.label) + "的数值超出范围!"
                                                        : std::string(row.too_large));
            return;
          }
          values.emplace_back(row.field, vb::Variant(n));
          break;
        }
        case Saved::kText:
          values.emplace_back(row.field, vb::Variant(vb::Trim(posted)));
          break;
        case Saved::kLines:
          values.emplace_back(row.field, vb::Variant(vb::Trim(vb::Replace(posted, "\r\n", "|"))));
          break;
      }
    }
  }

  rs_ = std::make_shared<ado::Recordset>();
  sql_ = "SELECT * FROM " + std::string(table) + " WHERE id=1";
  rs_->Open(sql_, GatherConnection(), ado::adOpenKeyset, ado::adLockOptimistic);
  for (const auto& [field, value] : values) rs_->Fields(field).SetValue(value);
  rs_->Update();
  rs_->Close();
  rs_.reset();
  // Dropped after the row is written, so a request between the two cannot
  // cache the old row again.
  process.DelCahe(vb::Variant(std::string(cache_name)));
  processing::AlertReturn("保存采集基本设置成功!");
}

}  // namespace ostrel::gathering
