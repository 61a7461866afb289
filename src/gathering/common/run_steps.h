// What a gathering run of every channel does the same way between its
// channel's own steps: the links of the item's list pages, the run's
// link-list file in the admin page's folder, the savenew stepper with its
// progress table and refresh scripts, the step past the last line, and the
// status lines of one entry. The texts and markup that differ between the
// channels come in as data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gathering/common/code_list.h"
#include "platform/asp/response.h"

namespace ostrel::gathering {

// The list-page columns of a gathering item that the run's start reads.
struct ListSource {
  std::string RemoteListUrl;
  std::string PaginalList;  // "*" and "{$pageid}" stand for the page number
  std::string Encoding;
  std::string FindListCode;  // codes 0/1: the list area; 2/3: one link
  int32_t IsPagination = 0;
  int32_t startid = 0;
  int32_t lastid = 0;
  // The channel's rules of a paged walk: a page of fewer characters than
  // least_page adds nothing to the list (0: every page adds its piece, an
  // empty one when it has no link).
  int32_t least_page = 0;
  // A cut that fails (a list code missing) is passed over: the page adds no
  // link. Otherwise the failure ends the start.
  bool pass_failures = false;
};

// The runs that gather files (software, Flash) add a paged list's page only
// when its text has more than 10 characters.
inline constexpr int32_t kFileRunLeastPage = 11;

// The list-page columns of a channel's item record (every channel names
// them alike).
template <class Item>
ListSource ListSourceOf(const Item& item) {
  return {.RemoteListUrl = item.RemoteListUrl,
          .PaginalList = item.PaginalList,
          .Encoding = item.Encoding,
          .FindListCode = item.FindListCode,
          .IsPagination = item.IsPagination,
          .startid = item.startid,
          .lastid = item.lastid};
}

// The links of a run in the order they were found, each with the address of
// the list page it came from. The pieces are those of the "|||"-joined list
// of all pages, empty pieces included (a paged list begins with one, and a
// page without links adds one).
struct ListLinks {
  struct Piece {
    std::string link;
    size_t page = 0;  // index into pages
  };
  std::vector<std::string> pages;  // the addresses actually fetched
  std::vector<std::string> areas;  // and each page's list area as cut
  std::vector<Piece> pieces;
  // The list address last built: the item's list address for a single
  // list, else the numbered address of the last page walked, even when its
  // text came from the list address or the page added nothing.
  std::string built;

  // The pieces "|||"-joined, as the list was cut.
  std::string Joined() const;
};

// The message of a list page that came back empty.
inline constexpr std::string_view kListPageEmpty =
    "获取远程信息出错！请确定你的远程列表URL输入无误。";

// Fetches the list page or pages of source and cuts their links into found.
// A single list page that comes back empty gives the alert kListPageEmpty
// and false; on a paged walk an empty page only adds no link. A client that
// has gone away ends the response during the walk.
bool CollectListLinks(const ListSource& source, asp::Response& out, ListLinks& found);

// The markup of the progress table that differs between channels: the bar's
// cell around its width (whole pixels, or the plain floating-point text),
// and the stop button's row around the address it leads to. Both rows may
// span several lines (CRLF-separated).
struct ProgressTableMarkup {
  std::string_view bar_before;
  std::string_view bar_after;
  bool whole_bar;
  std::string_view stop_before;
  std::string_view stop_after;
};

// The progress table of the runs that gather files (software, Flash).
extern const ProgressTableMarkup kFileRunMarkup;

// Where one savenew step stands: the lines of the link list, the 0-based
// line being gathered and the run's start time D as it travels in the URLs.
// D starts as the currency number 0, which a run that passes a D of no
// number over carries on with.
struct RunPosition {
  int32_t count = 0;
  int32_t page = 0;
  std::string D = "0";
};

// The writers of a run's scripts and tables, for one channel's admin page.
class RunStepper {
 public:
  RunStepper(asp::Response& out, std::string script, int32_t channel, int32_t item)
      : out_(out), script_(std::move(script)), channel_(channel), item_(item) {}

  // The start's last words: the first savenew step after 1000 ms.
  void WriteFirstStep() const;
  // The progress table of a step, flushed. succeeded: the session's count
  // of stored entries, shown as text.
  void WriteProgressTable(const RunPosition& at, const ProgressTableMarkup& markup,
                          const std::string& succeeded) const;
  // The refresh to the next line after interval milliseconds, flushed.
  void WriteNextStep(const RunPosition& at, int32_t interval) const;
  // The refresh to the run's summary (action=yes), flushed.
  void WriteRunEnd(const RunPosition& at) const;

 private:
  asp::Response& out_;
  std::string script_;
  int32_t channel_;
  int32_t item_;
};

// The link-list file of a run: "tmp" & word & "list" & ItemID & ".dat" in
// the admin page's folder, GB2312 text, one absolute link per line. The host
// never serves it.
std::string LinkListName(std::string_view word, int32_t ItemID);
// Writes text as the whole file, replacing an earlier one. A step reads
// its line through LinkListIndex.
void SaveLinkList(const std::string& path, const std::string& text);

// The status lines of an entry's panel: txt1 := status, txt2 := reason, as
// one script, then a flush. Both are the system's own texts (markup
// allowed), never remote text.
void WriteStatusScript(asp::Response& out, std::string_view status, std::string_view reason);

// The picture types a gathered thumbnail may be saved as (ext lower-case):
// the saved name takes its extension only from this list, never from a
// remote address as it stands.
bool IsPictureExtension(std::string_view ext);

}  // namespace ostrel::gathering
