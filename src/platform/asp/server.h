// Server: path mapping and text encoding for the page.
//
// MapPath maps a virtual path of the site to the physical path in Windows
// form: a path starting with "/" (or "\") is taken from the site root, any
// other from the folder of the current page; "." and ".." are resolved; the
// separators become "\"; a trailing "/" keeps a trailing "\". The site root
// itself maps to the root as configured, without a trailing "\" (callers join
// the root and a relative part with "\"). A path that would climb above the
// site root, or that holds ":", is refused with error 5: a page may never
// reach outside the site.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::asp {

class Server {
 public:
  // site_root: the site folder in Windows form ("C:\srv\ostrel\site");
  // page_path: the virtual path of the current page ("/admin/Admin_ArticleGather.asp").
  Server(std::string site_root, std::string page_path, std::string code_page = "GB2312");

  std::string MapPath(std::string_view path) const;
  // Encodes & < > " as entities; nothing else changes.
  static std::string HTMLEncode(std::string_view text);
  // HTMLEncode added to out; with apostrophe, "'" becomes "&#39;" as well.
  static void AppendHTMLEncoded(std::string& out, std::string_view text, bool apostrophe = false);
  // The text in the code page, letters and digits kept, a blank as "+",
  // every other byte as %XX.
  std::string URLEncode(std::string_view text) const;

  const std::string& site_root() const { return site_root_; }
  const std::string& page_path() const { return page_path_; }

 private:
  std::string site_root_;  // without a trailing "\"
  std::string page_path_;
  std::string code_page_;
};

}  // namespace ostrel::asp
