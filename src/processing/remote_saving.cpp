#include "processing/remote_saving.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/ado/stream.h"
#include "platform/image/picture_format.h"
#include "platform/net/fetch_limits.h"
#include "platform/net/run_origin.h"
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

// Where SaveRemoteFile writes local (a physical path), or "" when the name
// may not be written: a ".." level, no picture or media extension, or a
// name that cannot be mapped. Calling thread only (the host's paths).
std::string TargetOf(const VBProcess& box, std::string_view local) {
  if (ClimbsUp(local)) return "";
  if (!IsSavedKind(FileNameOf(local), box.allow_ext())) return "";
  std::string target = CheckMapPath(box.host(), local, false);
  if (target.find(':') == std::string::npos) return "";  // the name could not be mapped
  return target;
}

// What a fetch needs of the toolbox, taken on the calling thread.
struct FetchRule {
  uint64_t cap;      // the body stops here as it arrives
  int64_t max_size;  // the toolbox's size limit, 0 for none
};

FetchRule FetchRuleOf(const VBProcess& box) {
  uint64_t cap = net::GetFetchLimits().max_body_bytes;
  if (box.max_size_bytes() > 0) cap = std::min<uint64_t>(cap, box.max_size_bytes());
  return FetchRule{cap, box.max_size_bytes()};
}

// The body of the picture at url when it may be saved under the file name
// `name`, else nothing. A transport failure raises. Touches nothing but the
// fetch layer, so any thread may run it.
std::optional<std::string> FetchPicture(std::string_view url, std::string_view name,
                                        const FetchRule& rule) {
  // A larger or endless body fails the fetch instead of filling memory.
  net::XmlHttp http;
  http.SetMaxBodyBytes(rule.cap);
  http.open("GET", url, false);
  http.setRequestHeader("Referer", url);
  http.send();
  if (http.readyState() != 4 || http.status() > 300) return std::nullopt;
  const std::string& body = http.responseBody();
  if (body.size() < kMinBodyBytes) return std::nullopt;
  if (rule.max_size > 0 && body.size() > static_cast<size_t>(rule.max_size)) return std::nullopt;
  if (!HoldsFormatOf(body, name)) return std::nullopt;
  return body;
}

// Writes a fetched picture to target, beside it first and then renamed; an
// existing file is never replaced, so an earlier picture cannot be lost to
// a repeated name. True when written.
bool WritePicture(const std::string& target, const std::string& body) {
  return vb::TryStep([&] {
    ado::Stream stream;
    stream.SetType(ado::adTypeBinary);
    stream.Open();
    stream.Write(body);
    stream.SaveToFile(target, ado::adSaveCreateNotExist);
    stream.Close();
  });
}

void MarkSaved(const VBProcess& box, std::string_view local) {
  if (box.add_image_mark()) {
    AddWatermark(box.host(), true, box.PreviewSetting, box.InstallDir, local);
  }
}

// One picture of SaveRemoteFiles on its way: filled by whichever thread
// fetches it, read by the calling thread once `fetched` is set.
struct Fetch {
  std::string target;
  std::optional<std::string> body;
  std::exception_ptr failure;  // anything but a fetch failure, raised again by the caller
  bool fetched = false;
};

void FetchInto(Fetch& fetch, const RemotePicture& picture, const FetchRule& rule) {
  if (fetch.target.empty()) return;
  try {
    fetch.body = FetchPicture(picture.remote, FileNameOf(picture.local), rule);
  } catch (const vb::VbError&) {
    // Not fetched: the picture is not saved.
  } catch (...) {
    fetch.failure = std::current_exception();
  }
}

// The fetches of SaveRemoteFiles: the calling thread and `helpers` more
// threads each take the next picture not yet taken, so at most helpers + 1
// are under way; with no helper the calling thread fetches every picture
// just before it is written. Leaving the scope stops the helpers taking
// more and joins them: no fetch outlives the request that asked for it.
class Fetches {
 public:
  Fetches(std::vector<Fetch>& fetches, const std::vector<RemotePicture>& pictures,
          const FetchRule& rule, size_t helpers)
      : fetches_(fetches), pictures_(pictures), rule_(rule) {
    if (helpers == 0) return;
    // The address rule of the request's thread holds on every helper.
    const bool admits = !net::GetFetchLimits().allow_private || net::RunOrigin::AdmitsPrivate();
    for (size_t k = 0; k < helpers; ++k) {
      try {
        threads_.emplace_back([this, admits] {
          const net::RunOrigin origin(net::RunOrigin::Decided{admits});
          while (FetchNext()) {
          }
        });
      } catch (const std::system_error&) {
        break;  // fewer helpers: the calling thread fetches the rest
      }
    }
  }
  ~Fetches() {
    {
      std::lock_guard lock(mu_);
      next_ = fetches_.size();
    }
    for (std::thread& t : threads_) t.join();
  }
  Fetches(const Fetches&) = delete;
  Fetches& operator=(const Fetches&) = delete;

  // Returns once picture i is fetched, fetching meanwhile on this thread.
  void Await(size_t i) {
    while (!Fetched(i) && FetchNext()) {
    }
    std::unique_lock lock(mu_);
    done_.wait(lock, [&] { return fetches_[i].fetched; });
  }

 private:
  bool Fetched(size_t i) {
    std::lock_guard lock(mu_);
    return fetches_[i].fetched;
  }

  // Fetches the next picture not yet taken; false when none is left.
  bool FetchNext() {
    size_t i;
    {
      std::lock_guard lock(mu_);
      if (next_ >= fetches_.size()) return false;
      i = next_++;
    }
    FetchInto(fetches_[i], pictures_[i], rule_);
    {
      std::lock_guard lock(mu_);
      fetches_[i].fetched = true;
    }
    done_.notify_all();
    return true;
  }

  std::vector<Fetch>& fetches_;
  const std::vector<RemotePicture>& pictures_;
  const FetchRule& rule_;
  std::mutex mu_;
  std::condition_variable done_;
  size_t next_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace

bool SaveRemoteFile(const VBProcess& box, std::string_view s_LocalFileName,
                    std::string_view s_RemoteFileUrl) {
  bool saved = false;
  vb::TryStep([&] {
    const std::string target = TargetOf(box, s_LocalFileName);
    if (target.empty()) return;
    std::optional<std::string> body =
        FetchPicture(s_RemoteFileUrl, FileNameOf(s_LocalFileName), FetchRuleOf(box));
    saved = body && WritePicture(target, *body);
  });
  if (saved) MarkSaved(box, s_LocalFileName);
  return saved;
}

void SaveRemoteFiles(const VBProcess& box, std::vector<RemotePicture>& pictures, size_t at_once) {
  if (pictures.empty()) return;
  at_once = std::max<size_t>(at_once, 1);
  std::vector<Fetch> fetches(pictures.size());
  for (size_t i = 0; i < pictures.size(); ++i) {
    pictures[i].saved = false;
    vb::TryStep([&] { fetches[i].target = TargetOf(box, pictures[i].local); });
  }
  const FetchRule rule = FetchRuleOf(box);
  Fetches under_way(fetches, pictures, rule, std::min(at_once, pictures.size()) - 1);
  for (size_t i = 0; i < pictures.size(); ++i) {
    under_way.Await(i);
    Fetch& fetch = fetches[i];
    if (fetch.failure) std::rethrow_exception(fetch.failure);
    if (!fetch.body) continue;
    pictures[i].saved = WritePicture(fetch.target, *fetch.body);
    fetch.body.reset();
    if (pictures[i].saved) MarkSaved(box, pictures[i].local);
  }
}

std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath) {
  std::vector<RemotePicture> none;
  return RemoteToLocal(box, sHTML, strPath, none);
}

std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath,
                          std::vector<RemotePicture>& along, size_t at_once) {
  std::string content(sHTML);
  std::vector<RemotePicture> batch = along;
  const size_t first = batch.size();  // the content's pictures follow along's
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
    // Every name is drawn, in the pictures' order, before any is fetched; a
    // picture that cannot be named keeps its remote address.
    const std::string folder = CheckMapPath(box.host(), strPath);
    for (const std::string& url : pictures) {
      vb::TryStep([&] {
        std::string ext = url.substr(url.rfind('.') + 1);
        std::string name = GetRndFileNameIn(folder, ext);
        batch.push_back(RemotePicture{std::string(strPath) + name, url});
      });
    }
  });
  SaveRemoteFiles(box, batch, at_once);
  for (size_t i = 0; i < first; ++i) along[i].saved = batch[i].saved;

  // The saved paths are listed from the upload folder on.
  int32_t upload = vb::InStrRev(strPath, "UploadPic");
  const std::string listed = upload > 0 ? vb::Mid(strPath, upload) : std::string(strPath);
  std::vector<Rewrite> saved;
  for (size_t i = first; i < batch.size(); ++i) {
    if (!batch[i].saved) continue;
    box.PathFileName += "|" + listed + batch[i].local.substr(strPath.size());
    saved.push_back(Rewrite{batch[i].remote, batch[i].local});
  }
  vb::TryStep([&] { content = ReplaceAddresses(content, saved); });
  return content;
}

}  // namespace ostrel::processing
