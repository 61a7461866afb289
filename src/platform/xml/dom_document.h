// A DOM document (IXMLDOMDocument2) over pugixml: loadXML and save, which
// the component uses to write XML files, and the few node members pages
// need. Text is UTF-8 inside; save writes the encoding the document's
// declaration names (GB2312 and the like through the charset layer),
// UTF-8 without one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/xml/dom_node.h"

namespace ostrel::xml {

// The reason the last load failed (IXMLDOMParseError). All zero after a
// successful load.
struct ParseError {
  int32_t errorCode = 0;  // non-zero on failure
  std::string reason;
  int32_t line = 0;     // 1-based; 0 when the failure is not in the text
  int32_t linepos = 0;  // 1-based, in bytes
  int64_t filepos = 0;  // byte offset
};

class DomDocument {
 public:
  explicit DomDocument(bool free_threaded = false);

  bool free_threaded() const { return free_threaded_; }

  // Parses the text (its encoding declaration is kept for save but not used
  // to read it). False on a parse error, a document without exactly one
  // top-level element, or text outside it; the document is then empty and
  // parseError tells why.
  bool loadXML(std::string_view text);
  // Reads a file (Windows path) in the encoding its declaration or byte
  // order mark names. False, with parseError, when it is missing, too large,
  // in an unknown encoding or not well formed.
  bool load(std::string_view windows_path);
  // Writes the document to a file (Windows path) through a temporary file
  // and a rename. Characters the encoding lacks are written as character
  // references. A failure raises VbError: 76 for a missing folder, 70 when
  // access is denied, 5 for an encoding the system does not know.
  void save(std::string_view windows_path) const;

  const ParseError& parseError() const { return parse_error_; }

  // The markup: each top-level node followed by CRLF.
  std::string xml() const;

  // The root element, Nothing when the document is empty.
  DomNode documentElement() const;
  // A new element belonging to no parent yet. VbError 5 for a bad name.
  DomNode createElement(std::string_view name);
  // Appends a top-level node; a second element raises VbError 5.
  DomNode appendChild(const DomNode& child);
  DomNode selectSingleNode(std::string_view xpath) const;
  std::vector<DomNode> selectNodes(std::string_view xpath) const;

 private:
  void Fail(int32_t code, std::string reason, std::string_view text, int64_t offset);
  // The encoding named by the declaration, "" without one.
  std::string DeclaredEncoding() const;

  bool free_threaded_;
  std::shared_ptr<pugi::xml_document> doc_;
  std::shared_ptr<pugi::xml_document> loose_;  // elements not yet appended
  ParseError parse_error_;
};

}  // namespace ostrel::xml
