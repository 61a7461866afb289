#include "processing/remote_saving.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "platform/ado/stream.h"
#include "platform/image/picture_format.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/xml_http.h"
#include "platform/text/regexp.h"
#include "platform/vb/strings.h"
#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"
#include "processing/url_fixing.h"
#include "processing/vb_process.h"
#include "processing/watermark_hook.h"

namespace ostrel::processing {
namespace {

// The only kinds of file a gathering run may put into the web tree.
constexpr std::string_view kSavedExtensions[] = {"gif", "jpg", "jpeg", "png",
                                                 "bmp", "swf", "fla",  "psd"};

// Smaller bodies are error pages or placeholders, not pictures.
constexpr size_t kMinBodyBytes = 100;

bool InList(const std::vector<std::string>& list, const std::string& ext) {
  return std::find(list.begin(), list.end(), ext) != list.end();
}

// True when a file named `name` may be saved: its extension is a picture or
// media one and, when the toolbox lists extensions, one of those too.
bool IsSavedKind(std::string_view name, std::string_view AllowExt) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string ext = vb::LCase(name.substr(dot + 1));
  if (std::find(std::begin(kSavedExtensions), std::end(kSavedExtensions), ext) ==
      std::end(kSavedExtensions)) {
    return false;
  }
  std::vector<std::string> allowed = vb::Split(vb::LCase(AllowExt), "|");
  for (std::string& item : allowed) item = vb::Trim(item);
  return InList(allowed, ext);
}

// True when body is what the extension says by its leading bytes: a page,
// a script or an error text saved as a picture would be served from the
// site as if it were one.
bool HoldsFormatOf(std::string_view body, std::string_view name) {
  const std::string ext = vb::LCase(name.substr(name.rfind('.') + 1));
  std::optional<image::Format> format = image::SniffFormat(body);
  if (ext == "jpg" || ext == "jpeg") return format == image::Format::kJpeg;
  if (ext == "png") return format == image::Format::kPng;
  if (ext == "gif") return format == image::Format::kGif;
  if (ext == "bmp") return format == image::Format::kBmp;
  auto starts = [&](std::string_view magic) { return body.substr(0, magic.size()) == magic; };
  // Flash movies: plain, zlib- or LZMA-compressed.
  if (ext == "swf") return starts("FWS") || starts("CWS") || starts("ZWS");
  if (ext == "psd") return starts("8BPS");
  // Flash sources: the old compound-document form or the newer zip one.
  if (ext == "fla") {
    return starts(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) ||
           starts(std::string_view("PK\x03\x04", 4));
  }
  return false;
}

// A ".." level would let a name climb out of the folder it was meant for.
bool ClimbsUp(std::string_view path) {
  std::string slashed = vb::Replace(path, "\\", "/");
  for (const std::string& part : vb::Split(slashed, "/")) {
    if (vb::Trim(part) == "..") return true;
  }
  return false;
}

// The file-name part of a path with either separator.
std::string_view FileNameOf(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The first bytes of the addresses, for a quick scan to the next candidate.
std::string FirstBytes(const std::vector<std::string>& addresses) {
  std::string bytes;
  for (const std::string& a : addresses) {
    if (!a.empty() && bytes.find(a[0]) == std::string::npos) bytes += a[0];
  }
  return bytes;
}

// One address of the content and what it becomes.
struct Rewrite {
  std::string from;
  std::string to;
};

// True when a and b could overlap with a starting before b (or at the same
// place, when `same_start`): some end of a is a beginning of b.
bool CanRunInto(std::string_view a, std::string_view b, bool same_start) {
  for (size_t k = same_start ? 0 : 1; k < a.size(); ++k) {
    size_t n = std::min(a.size() - k, b.size());
    if (a.compare(k, n, b.substr(0, n)) == 0) return true;
  }
  return false;
}

// The content with every address replaced, in any letter case, as one
// vb::Replace per address in list order would leave it, in one pass over a
// case-folded copy instead of a folded copy and a new content per address.
// The two agree unless occurrences can overlap or a replacement can form a
// new occurrence with the text around it; the check below finds every such
// list (it only happens with addresses built for it), which then takes the
// slow road.
std::string ReplaceAddresses(const std::string& content, const std::vector<Rewrite>& rewrites) {
  std::vector<std::string> from, to;
  for (const Rewrite& r : rewrites) {
    from.push_back(vb::FoldText(r.from));
    to.push_back(vb::FoldText(r.to));
  }
  bool one_pass = true;
  for (size_t i = 0; i < from.size() && one_pass; ++i) {
    if (from[i].empty()) one_pass = false;
    for (size_t j = 0; j < from.size() && one_pass; ++j) {
      one_pass = !CanRunInto(from[i], from[j], false) && !CanRunInto(to[i], from[j], true) &&
                 !CanRunInto(from[j], to[i], true);
    }
  }
  if (!one_pass) {
    std::string out = content;
    for (const Rewrite& r : rewrites) {
      out = vb::Replace(out, r.from, r.to, 1, -1, vb::CompareMode::Text);
    }
    return out;
  }
  if (rewrites.empty()) return content;
  const std::string folded = vb::FoldText(content);
  const std::string firsts = FirstBytes(from);
  std::string out;
  out.reserve(content.size());
  size_t copied = 0;
  for (size_t at = folded.find_first_of(firsts); at != std::string::npos;) {
    size_t next = at + 1;
    for (size_t i = 0; i < from.size(); ++i) {
      if (folded.compare(at, from[i].size(), from[i]) != 0) continue;
      out.append(content, copied, at - copied);
      out.append(rewrites[i].to);
      copied = next = at + from[i].size();
      break;
    }
    at = folded.find_first_of(firsts, next);
  }
  out.append(content, copied);
  return out;
}

}  // namespace

bool SaveRemoteFile(const VBProcess& box, std::string_view s_LocalFileName,
                    std::string_view s_RemoteFileUrl) {
  bool saved = false;
  vb::TryStep([&] {
    if (ClimbsUp(s_LocalFileName)) return;
    if (!IsSavedKind(FileNameOf(s_LocalFileName), box.allow_ext())) return;
    const std::string target = CheckMapPath(box.host(), s_LocalFileName, false);
    if (target.find(':') == std::string::npos) return;  // the name could not be mapped

    // The body stops at the size limit as it arrives: a larger or endless
    // one fails the fetch instead of filling memory or disk.
    uint64_t cap = net::GetFetchLimits().max_body_bytes;
    if (box.max_size_bytes() > 0) cap = std::min<uint64_t>(cap, box.max_size_bytes());
    net::XmlHttp http;
    http.SetMaxBodyBytes(cap);
    http.open("GET", s_RemoteFileUrl, false);
    http.setRequestHeader("Referer", s_RemoteFileUrl);
    http.send();
    if (http.readyState() != 4 || http.status() > 300) return;
    const std::string& body = http.responseBody();
    if (body.size() < kMinBodyBytes) return;
    if (box.max_size_bytes() > 0 && body.size() > static_cast<size_t>(box.max_size_bytes())) {
      return;
    }
    if (!HoldsFormatOf(body, FileNameOf(s_LocalFileName))) return;

    // Written beside the target and renamed; an existing file is never
    // replaced, so an earlier picture cannot be lost to a repeated name.
    ado::Stream stream;
    stream.SetType(ado::adTypeBinary);
    stream.Open();
    stream.Write(body);
    stream.SaveToFile(target, ado::adSaveCreateNotExist);
    stream.Close();
    saved = true;
  });
  if (saved && box.add_image_mark()) {
    AddWatermark(box.host(), true, box.PreviewSetting, box.InstallDir, s_LocalFileName);
  }
  return saved;
}

std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath) {
  std::string content(sHTML);
  vb::TryStep([&] {
    text::RegExp re;
    re.Pattern =
        "((http|https|ftp|rtsp|mms):(\\/\\/|\\\\\\\\){1}(([A-Za-z0-9_-])+[.]){1,}"
        "(net|com|cn|org|cc|tv|[0-9]{1,3})(\\S*\\/)((\\S)+[.]{1}(" +
        ExtensionAlternatives(box.allow_ext()) + ")))";
    re.IgnoreCase = true;
    re.Global = true;
    std::vector<std::string> pictures;
    std::set<std::string> seen;
    for (const text::Match& match : re.Execute(content)) {
      if (seen.insert(vb::UCase(match.Value())).second) pictures.push_back(match.Value());
    }
    if (pictures.empty()) {
      box.PathFileName.clear();
      return;
    }

    // The saved paths are listed from the upload folder on.
    int32_t upload = vb::InStrRev(strPath, "UploadPic");
    const std::string listed = upload > 0 ? vb::Mid(strPath, upload) : std::string(strPath);
    const std::string folder = CheckMapPath(box.host(), strPath);
    std::vector<Rewrite> saved;
    for (const std::string& url : pictures) {
      // A picture that cannot be named or saved keeps its remote address.
      vb::TryStep([&] {
        std::string ext = url.substr(url.rfind('.') + 1);
        std::string name = GetRndFileNameIn(folder, ext);
        std::string local = std::string(strPath) + name;
        if (!SaveRemoteFile(box, local, url)) return;
        box.PathFileName += "|" + listed + name;
        saved.push_back(Rewrite{url, std::move(local)});
      });
    }
    content = ReplaceAddresses(content, saved);
  });
  return content;
}

}  // namespace ostrel::processing
