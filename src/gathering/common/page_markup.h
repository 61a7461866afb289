// Small pieces of markup and request reading that the channels' item
// editors, item actions and settings pages share. Values that came from
// the database or a remote site are encoded wherever they reach markup, so
// that a form posted back unchanged stores exactly what it showed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "component/host_access.h"
#include "platform/ado/recordset.h"
#include "platform/asp/response.h"
#include "platform/vb/variant.h"
#include "processing/vb_process.h"

namespace ostrel::gathering::markup {

// " checked" / " selected" when on, "" otherwise.
inline const char* Checked(bool on) { return on ? " checked" : ""; }
inline const char* Selected(bool on) { return on ? " selected" : ""; }

// The style attribute of a row that starts hidden (display:none); "" when
// the row starts shown.
inline const char* HiddenStyle(bool hidden) { return hidden ? " style=\"display:none\"" : ""; }

// How a channel's editor pages are laid out: the article pages have a
// layout of their own, the software and Flash pages the markup those
// channels have always written. Each field is one way the two differ.
struct EditorLook {
  // The frame: false, the form opens before the table and closes after it;
  // true, the table's head comes first and the form closes in its last row.
  bool table_first;
  // Element names: the label's ("b", "strong"), the relocation box's
  // ("span", "div"), and the buttons' class ("button", "Button").
  std::string_view label_tag;
  std::string_view relocation_box;
  std::string_view button_class;
  // Widths: of every label cell ("" none), or only of a step's first row,
  // whose two cells then carry the step's own widths.
  std::string_view label_width;
  bool first_row_widths;
  // The row classes of the code steps: true by the code (TableRow1 for a
  // begin code, TableRow2 for an end code and a group row), false by turns.
  bool begin_end_rows;
  // Spacing between controls, and after a section title.
  std::string_view gap;
  std::string_view title_gap;
  // Section titles centred; first-step fields carrying their names as ids;
  // button rows of a label cell and a centred cell (else one cell across);
  // rule lists as the software and Flash forms write them (the box's size
  // in bare numbers, the text rules' buttons named addReplace.., the
  // modify buttons returning their script's answer).
  bool centred_titles;
  bool field_ids;
  bool label_cell_buttons;
  bool file_rule_lists;
  // A label's note inside the label element's pair (else after it).
  bool notes_in_label;
  // The finish page's cells: their span, the blanks after its three
  // buttons, and the script a button goes with (before and after the
  // address).
  std::string_view finish_span;
  std::string_view finish_gaps[3];
  std::string_view go_before;
  std::string_view go_after;
  // The source view's text area attributes and its resize links.
  std::string_view source_area;
  std::string_view resize_links;
};
inline constexpr EditorLook kArticleLook{
    .table_first = false,
    .label_tag = "b",
    .relocation_box = "span",
    .button_class = "button",
    .label_width = "20%",
    .first_row_widths = false,
    .begin_end_rows = false,
    .gap = " ",
    .title_gap = " ",
    .centred_titles = false,
    .field_ids = false,
    .label_cell_buttons = false,
    .file_rule_lists = false,
    .notes_in_label = true,
    .finish_span = " colspan=2",
    .finish_gaps = {" ", " ", ""},
    .go_before = "location.href='",
    .go_after = "'",
    .source_area = "rows=\"20\" wrap=\"off\" style=\"width:100%\"",
    .resize_links =
        "<br><a href=\"javascript:admin_Size(-20,'content')\">"
        "<img src=\"images/minus.gif\" border=\"0\"></a> "
        "<a href=\"javascript:admin_Size(20,'content')\">"
        "<img src=\"images/plus.gif\" border=\"0\"></a>"};
inline constexpr EditorLook kSoftLook{
    .table_first = false,
    .label_tag = "strong",
    .relocation_box = "div",
    .button_class = "Button",
    .label_width = "",
    .first_row_widths = true,
    .begin_end_rows = true,
    .gap = "&nbsp;&nbsp;",
    .title_gap = "&nbsp;&nbsp;&nbsp;&nbsp;",
    .centred_titles = true,
    .field_ids = true,
    .label_cell_buttons = true,
    .file_rule_lists = true,
    .notes_in_label = false,
    .finish_span = "",
    .finish_gaps = {"&nbsp;&nbsp; ", "&nbsp;&nbsp;", "&nbsp;&nbsp; "},
    .go_before = "window.location.href='",
    .go_after = "';",
    .source_area = "wrap='OFF' style='width:100%;' rows='20'",
    .resize_links =
        "<div align='right'><a "
        "href=\"javascript:admin_Size(-20,'content')\"><img "
        "src='images/minus.gif' unselectable=on border=0></a> <a "
        "href=\"javascript:admin_Size(20,'content')\"><img "
        "src='images/plus.gif' unselectable=on border=0></div>"};
inline constexpr EditorLook kFlashLook = [] {
  EditorLook look = kSoftLook;
  look.table_first = true;
  return look;
}();

// A value attribute: value="..." with & < > " ' as entities.
std::string ValueAttribute(const vb::Variant& value);

// A text area whose text is the value encoded. A line break follows the
// start tag, because browsers drop one line break there: a code that begins
// with a line break comes back with it.
std::string TextArea(std::string_view name, const std::string& text, int rows, int cols);

// A column's whole-number value, as the editor's radio and select rules
// compare it; nothing for Null, Empty or text that is no number.
std::optional<double> NumberOf(const vb::Variant& value);

// Request(key) and Request.Form(key) as text ("" when missing).
std::string RequestText(const asp::Request& request, std::string_view key);
std::string FormText(const asp::Request& request, std::string_view key);

// The part at index of a packed column; error 9 past the end, so a page
// that shows a short list stops where the list ends.
const std::string& PartAt(const std::vector<std::string>& parts, size_t index);

// The source view of the editor's steps 2 and 3: the fetched page's source
// in a text area that admin_Size resizes, and the page's address.
void WriteSourceView(asp::Response& out, const std::string& page_text, const std::string& address,
                     const EditorLook& look = kArticleLook);

// ---- The item editors' forms ----------------------------------------------

// The item's row on an editor's first step: edit mode has the row, add mode
// has none and shows the defaults.
class ItemRow {
 public:
  explicit ItemRow(ado::Recordset* rs) : rs_(rs) {}
  bool edit() const { return rs_ != nullptr; }
  vb::Variant operator[](std::string_view column) const {
    return rs_ ? rs_->Fields(column).Value() : vb::Variant();
  }
  // The radio rule: value 0 when the column is 0, value 1 when it is above;
  // add mode marks value 0.
  bool Is(std::string_view column, int value) const;
  // The select rule: the option equal to the column; add mode the default.
  bool Equals(std::string_view column, int value, int add_default) const;

 private:
  ado::Recordset* rs_;
};

// A pair of radio buttons "0"/"1" with their labels, marked by the radio
// rule; onclick0/onclick1 are the scripts that show or hide other rows.
std::string RadioPair(const ItemRow& row, std::string_view name, std::string_view label0,
                      std::string_view label1, std::string_view onclick0 = "",
                      std::string_view onclick1 = "");

// The script that shows or hides the element with this id.
std::string ShowElement(std::string_view id, bool show);

// One form row: a label cell and a field cell of the class that alternates
// with n, with the row's own attributes (an id, a hidden style).
std::string FormRow(std::string_view label, const std::string& field, int n,
                    std::string_view row_attributes = "");

// The widths of a step's first row: its two cells', the label's kept on
// one line when nowrap.
struct CellWidths {
  std::string_view label;
  std::string_view field;
  bool nowrap;
};
inline constexpr CellWidths kStepOneWidths{"23%", "77%", true};
inline constexpr CellWidths kCodeWidths{"25%", "75%", false};

// One form row in a channel's look: the label (with a blue note under it
// when note is not "") in a right-aligned cell of class TableRow<label_row>,
// the field in a cell of class TableRow<field_row>. widths, when given and
// the look puts widths on a first row, are the two cells' widths.
struct RowCells {
  int label_row;
  int field_row;
  std::string_view row_attributes = "";
  std::string_view note = "";
  const CellWidths* widths = nullptr;
};
std::string LookRow(const EditorLook& look, std::string_view label, const std::string& field,
                    const RowCells& cells);

// A section title across the table (TableTitle).
std::string TitleRow(const EditorLook& look, std::string_view title);

// A text field; the value attribute only when has_value; with_id adds the
// name as its id.
std::string TextInput(std::string_view name, int size, const vb::Variant& value, bool has_value,
                      bool with_id = false);

// The options of a stored "$$$"-joined rule list, each rule longer than
// min_length characters, in stored order; none for Null.
std::string RuleOptions(const vb::Variant& column, int32_t min_length);

// The first step's fields that every channel's item has. Each gives the
// field cell's content; the channel places it in its own row.
//   ClassSelect: the channel's class list, the item's class selected.
//   SpecialSelect: "不指定专题" and the channel's specials.
//   EncodingField: the charset text (GB2312 for a new item) and its chooser.
//   NumberSelect: options 0.. with the labels given, by the select rule.
//   StarSelect: five stars down to "自动星级", 3 for a new item.
//   RemoveCodeBoxes: the first count tag filters of RemoveCode (SCRIPT,
//     IFARME, OBJECT ... TH), a line break before box break_at; SCRIPT and
//     IFARME for a new item. A stored list shorter than count ends the page.
//   RuleListBox: a rule list box (class rules or text rules) with its
//     buttons and the hidden field the page script fills before submit.
// with_id: the select carries its name as id (and size 1).
std::string ClassSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row,
                        bool with_id = false);
std::string SpecialSelect(processing::VBProcess& process, int32_t ChannelID, const ItemRow& row,
                          bool with_id = false);
std::string EncodingField(const ItemRow& row, bool with_id = false);
std::string NumberSelect(const ItemRow& row, std::string_view name,
                         std::span<const std::string_view> labels, int add_default,
                         bool with_id = false);
std::string StarSelect(const ItemRow& row, bool with_id = false);
std::string RemoveCodeBoxes(processing::VBProcess& process, const ItemRow& row, int count = 15,
                            int break_at = 7);
enum class RuleKind { kClass, kText };
std::string RuleListBox(const ItemRow& row, RuleKind kind, int32_t min_length, int width,
                        const EditorLook& look = kArticleLook);

// The three rows of list paging (the switch, the paged address, the first
// and last page), rows n, n+1 and n+2; the last two start hidden unless the
// item pages its list.
std::string PaginationRows(const ItemRow& row, int n);

// The first step's rows that the software and Flash items share, from the
// name to the buttons, with each channel's own: its words, its save folder
// row, its tag filters, the rows it writes after the download switch and
// before the text rules (each given the running row number), and the
// class of each row (rows: '1' or '2' per row in page order, '3' for a
// row whose label cell is TableRow1 and its field cell TableRow2).
struct StepOneForm {
  const EditorLook& look;
  std::string_view rows;
  std::string_view is_down_label;
  std::string_view save_path_label;
  int save_path_size;
  std::string_view save_path_default;
  std::string_view save_path_note;
  int tag_filters;
  int tag_break;
  std::function<void(int& n)> after_is_down;
  std::function<void(int& n)> before_text_rules;
};
void WriteStepOneRows(asp::Response& out, processing::VBProcess& process, int32_t ChannelID,
                      const ItemRow& row, const StepOneForm& form);
// Row n of a first step in the form's look and row classes.
std::string StepOneRow(const StepOneForm& form, std::string_view label, const std::string& field,
                       int n, std::string_view row_attributes = "");
// PaginationRows in a first step's look and row classes (form), or the
// article layout (nullptr).
std::string PagingRows(const ItemRow& row, int n, const StepOneForm* form);

// ---- Saving the first step ------------------------------------------------

// The whole numbers of a posted form (ChkNumeric: 0 for anything but a
// non-negative number). A number too large for its column is kept as 0 and
// remembered, so the save can be refused before anything changes.
class FormNumbers {
 public:
  FormNumbers(processing::VBProcess& process, const asp::Request& request)
      : process_(process), request_(request) {}
  int32_t Long(std::string_view key);   // a Long column
  int16_t Small(std::string_view key);  // a 16-bit column
  bool all_fit() const { return all_fit_; }
  // The tag-filter flags of RemoveCode: the form's first count, then nine 0.
  std::string RemoveCode(int count = 15);

 private:
  processing::VBProcess& process_;
  const asp::Request& request_;
  bool all_fit_ = true;
};

inline constexpr std::string_view kNumberOutOfRange = "输入的数值超出范围，请重新输入！";

// The first check of a first step's form that fails, "" when all pass: a
// name, a site address beginning with "http", a charset of at least
// least_encoding characters, a class that takes entries unless the class
// comes from the page, a list address, and a paged list's address.
std::string StepOneProblem(const asp::Request& request, int32_t AutoClass, int32_t ClassID,
                           int32_t IsPagination, int32_t least_encoding);

// The head of an editor step's form: the form posting to script, the hidden
// action (the next step), ChannelID, ItemID and change=yes, and the table
// with its title row. on_submit is the form's check ("" for none).
std::string StepFormHead(std::string_view script, std::string_view next_action, int32_t ChannelID,
                         int32_t ItemID, std::string_view title, std::string_view on_submit = "",
                         const EditorLook& look = kArticleLook);
// The end of an editor step's form and table, in the look's frame order.
std::string StepFormEnd(const EditorLook& look = kArticleLook);

// The editor's navigation row for an existing item; every link only shows
// a step (none carries change).
void WriteItemMenu(asp::Response& out, int32_t ChannelID, int32_t ItemID);

// Step 2's rows: the four list-page codes (the list area, one link) of
// FindListCode's parts, then a channel's own rows (extra_rows, written as
// given), then the special setting in part special and its relocation text
// in part special+1, whose relocation is offered but not enabled. A stored
// list shorter than special+2 parts ends the page.
void WriteListCodeRows(asp::Response& out, processing::VBProcess& process,
                       const std::vector<std::string>& codes, size_t special = 4,
                       const std::string& extra_rows = "", const EditorLook& look = kArticleLook);

// Step 3's code form: the detail-page codes of FindInfoCode, each in a
// text area, the first four always shown, the others in groups that a
// pair (or row) of radio buttons opens and closes. Gives the number of
// rows written, for the rows that follow.
struct CodeGroup {
  std::string label;
  std::string name;                                          // the radio group
  std::vector<std::pair<std::string, std::string>> options;  // value, label
  int first, last;                                           // its code rows
  std::string note;                                          // the red hint
  // A group whose radio is a stored setting (its name is a column): the
  // stored value marks the option of that value (the last for a larger
  // one), and the rows start shown unless it is 0. Otherwise -1: the
  // first option is marked and the rows start hidden.
  int32_t stored = -1;
  // A group without a name has no radio row: its codes are always shown.
};
// A code shown in a one-line text field (its value without quotes) instead
// of a text area, with a line of its own after the field.
struct LineCode {
  int index;
  int size;
  std::string after;
};
struct InfoCodeForm {
  std::string title;                // "项 目 编 辑 -- " & ModuleName & "信息设置"
  std::vector<std::string> labels;  // by code index
  std::vector<std::string> notes;   // by code index: a line under the label ("" none)
  std::vector<CodeGroup> groups;
  std::vector<LineCode> line_codes;
};
int WriteInfoCodeRows(asp::Response& out, const InfoCodeForm& form,
                      const std::vector<std::string>& info, const EditorLook& look = kArticleLook);

// The pieces of the code form that the channels of downloadable entries
// (software, Flash) share, for the channel's word m:
//   FileEntryLabels: the labels of codes 0 to 11 (name, intro, parent and
//     child class, update time, size);
//   FileEntryGroups: the groups of the class names, the time and the
//     size, with size_note under the size;
//   DownloadLabels: the eight labels of the download list and link codes,
//     then of the same on a new page;
//   DownloadGroups: their two groups from code first, the first under
//     label, the second's radio the stored downpage;
//   FileEntryNotes: the notes of codes 4 to 9 and of the new-page codes
//     from download_first + 4, in a form of count codes.
std::vector<std::string> FileEntryLabels(const std::string& m);
std::vector<CodeGroup> FileEntryGroups(const std::string& m, const std::string& size_note);
std::vector<std::string> DownloadLabels();
std::vector<CodeGroup> DownloadGroups(const std::string& label, int first, int32_t downpage);
std::vector<std::string> FileEntryNotes(size_t count, int download_first);
// The radio options "0" 隐藏设置窗口 and "1" 打开设置窗口 of a plain group.
std::vector<std::pair<std::string, std::string>> ShownOptions();

// The trial address row of step 3: the stored address without quotes.
std::string DemoUrlRow(const std::string& stored, int n, const EditorLook& look = kArticleLook);

// The codes of a step's form, prefix0 to prefix<count-1>, each followed by
// "$$$", then padding: the packed column the step stores.
std::string PostedCodes(const asp::Request& request, std::string_view prefix, int count,
                        std::string_view padding);

// Step 2's source view of the list page the first step's form names
// (RemoteListUrl, Encoding), its text left in page_text. When the page
// cannot be fetched the browser is sent back to step 1 of the item with
// an alert, and false comes back.
bool WriteListSource(asp::Response& out, const asp::Request& request, int32_t ChannelID,
                     int32_t ItemID, std::string& page_text, const EditorLook& look = kArticleLook);

// Step 3's source view of the first entry page the item's list leads to
// (list_url in encoding, through the list codes list_codes). false after
// the alert of the step that failed.
bool WriteEntrySource(asp::Response& out, const std::string& list_url, const std::string& encoding,
                      const std::string& list_codes, const EditorLook& look = kArticleLook);

// The last row of steps 1 to 3: back, next, and the box that asks the next
// step for its source view (or the trial run). In a look of label-cell
// button rows, the cells are of class TableRow<row>, the label cell holding
// label.
std::string StepButtonRow(const EditorLook& look = kArticleLook, int row = 2,
                          std::string_view label = "");

// Step 4's rows: the item is complete (with the link to its trial run),
// and the buttons back, to the item list and to a run of the item. The
// trial run's result stands in a ResultRow.
std::string FinishRow(int32_t ChannelID, int32_t ItemID, const EditorLook& look = kArticleLook);
std::string FinishButtonRow(int32_t ChannelID, int32_t ItemID,
                            const EditorLook& look = kArticleLook);
std::string ResultRow(const std::string& content, const EditorLook& look = kArticleLook);

// ---- The trial run -----------------------------------------------------------

// Remote markup shown in a sandboxed frame (no scripts, an origin of its
// own) of the given height in pixels, so nothing a remote page holds can act
// in the admin page. Relative addresses in it are read against base, the
// page it came from (an http(s) address; none otherwise).
std::string SandboxedView(const std::string& html, int height = 480, const std::string& base = "");

// A remote address as a link that opens in a new window, shown as text;
// an address that is not http(s) (javascript: and the like) is shown as
// text only.
std::string RemoteLink(const std::string& address);

// Shown by the software and Flash runs while they collect their links; its
// colours are fixed.
inline constexpr std::string_view kWaitBanner =
    "<p align=center><div style=\"width:200px;height:30px;position:absolute;\">"
    "<table align=center border=0 cellpadding=0 cellspacing=1 bgcolor=#000000 width='200' "
    "height='30'><tr><td bgcolor=#0650D2><marquee align=middle behavior=alternate "
    "scrollamount=5 style=\"font-size:9pt\"><font color=#FFFFFF>...正在收集数据...请稍候..."
    "</font></marquee></td></tr></table>"
    "</div></p>";

// The editor pages' table.
inline constexpr std::string_view kTableHead =
    "<table border=\"0\" align=\"center\" cellpadding=\"3\" cellspacing=\"1\" "
    "class=\"TableBorder\">\r\n";

// The button that goes one page back in the browser's history.
inline constexpr std::string_view kBackButton =
    "<input type=\"button\" name=\"B12\" value=\"返回上一页\" onclick=\"history.go(-1)\" "
    "class=\"button\">";

}  // namespace ostrel::gathering::markup
