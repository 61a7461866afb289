#include "platform/xml/dom_document.h"

#include <cctype>
#include <cerrno>
#include <sstream>

#include "platform/fs/file_io.h"
#include "platform/fs/fs_error.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"
#include "platform/vb/vb_error.h"

namespace ostrel::xml {
namespace {

// As a fragment, so that text outside the root element shows as a node and
// can be refused as the platform refuses it.
constexpr unsigned kParseFlags = pugi::parse_full | pugi::parse_fragment;
// Larger files are not documents the component writes.
constexpr size_t kMaxDocumentBytes = 64 << 20;

bool IsUtf8Name(std::string_view e) {
  return e.empty() || vb::EqualsNoCase(e, "utf-8") || vb::EqualsNoCase(e, "utf8");
}
bool IsUtf16Name(std::string_view e) {
  return vb::EqualsNoCase(e, "utf-16") || vb::EqualsNoCase(e, "unicode") ||
         vb::EqualsNoCase(e, "utf-16le");
}

// The encoding a file's declaration names, read from its first bytes.
std::string SniffEncoding(std::string_view bytes) {
  std::string_view head = bytes.substr(0, 512);
  if (head.substr(0, 5) != "<?xml") return "";
  size_t end = head.find("?>");
  size_t at = head.find("encoding");
  if (at == std::string_view::npos || (end != std::string_view::npos && at > end)) return "";
  size_t quote = head.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return "";
  size_t close = head.find(head[quote], quote + 1);
  if (close == std::string_view::npos) return "";
  return std::string(head.substr(quote + 1, close - quote - 1));
}

bool IsNameStart(unsigned char c) { return c >= 0x80 || c == '_' || c == ':' || std::isalpha(c); }
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || std::isdigit(c) || c == '-' || c == '.';
}

// Text in a legacy code page; characters it lacks become references.
std::string EncodeWithReferences(const std::string& utf8, const std::string& charset) {
  std::string encoded = text::Encode(utf8, charset);
  if (text::Decode(encoded, charset) == utf8) return encoded;
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    std::string_view ch = std::string_view(utf8).substr(i, len);
    i += len;
    if (c < 0x80) {
      out += text::Encode(ch, charset);
      continue;
    }
    std::string one = text::Encode(ch, charset);
    if (text::Decode(one, charset) == ch) {
      out += one;
      continue;
    }
    uint32_t cp = c & (0x7f >> len);
    for (size_t k = 1; k < ch.size(); ++k) cp = (cp << 6) | (ch[k] & 0x3f);
    out += "&#" + std::to_string(cp) + ";";
  }
  return out;
}

}  // namespace

DomDocument::DomDocument(bool free_threaded)
    : free_threaded_(free_threaded),
      doc_(std::make_shared<pugi::xml_document>()),
      loose_(std::make_shared<pugi::xml_document>()) {}

void DomDocument::Fail(int32_t code, std::string reason, std::string_view text, int64_t offset) {
  doc_ = std::make_shared<pugi::xml_document>();
  parse_error_ = ParseError{};
  parse_error_.errorCode = code;
  parse_error_.reason = std::move(reason);
  if (offset < 0) return;
  parse_error_.filepos = offset;
  parse_error_.line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < static_cast<size_t>(offset) && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++parse_error_.line;
      line_start = i + 1;
    }
  }
  parse_error_.linepos = static_cast<int32_t>(offset - static_cast<int64_t>(line_start)) + 1;
}

bool DomDocument::loadXML(std::string_view text) {
  auto doc = std::make_shared<pugi::xml_document>();
  pugi::xml_parse_result result =
      doc->load_buffer(text.data(), text.size(), kParseFlags, pugi::encoding_utf8);
  if (!result) {
    Fail(static_cast<int32_t>(result.status), result.description(), text, result.offset);
    return false;
  }
  int elements = 0;
  for (pugi::xml_node child : doc->children()) {
    if (child.type() == pugi::node_element) ++elements;
    bool is_text = child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata;
    if (is_text &&
        std::string_view(child.value()).find_first_not_of(" \t\r\n") != std::string_view::npos) {
      Fail(pugi::status_bad_pcdata, "Invalid at the top level of the document.", text, -1);
      return false;
    }
  }
  if (elements != 1) {
    Fail(pugi::status_no_document_element,
         elements == 0 ? "No document element" : "Only one top level element is allowed.", text,
         -1);
    return false;
  }
  doc_ = std::move(doc);
  parse_error_ = ParseError{};
  return true;
}

bool DomDocument::load(std::string_view windows_path) {
  std::string native, bytes;
  try {
    native = fs::ToNative(windows_path);
  } catch (const vb::VbError&) {
    Fail(pugi::status_file_not_found, "The system cannot locate the object specified.", "", -1);
    return false;
  }
  int error = fs::ReadWholeFile(native, kMaxDocumentBytes, &bytes);
  if (error != 0) {
    Fail(pugi::status_file_not_found,
         error == EFBIG ? "The file is too large."
                        : "The system cannot locate the object specified.",
         "", -1);
    return false;
  }
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    // UTF-16 with its byte order mark: the parser reads it itself.
    auto doc = std::make_shared<pugi::xml_document>();
    pugi::xml_parse_result result =
        doc->load_buffer(bytes.data(), bytes.size(), kParseFlags, pugi::encoding_auto);
    if (!result) {
      Fail(static_cast<int32_t>(result.status), result.description(), "", -1);
      return false;
    }
    std::ostringstream utf8;
    doc->save(utf8, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return loadXML(utf8.str());
  }
  std::string encoding = SniffEncoding(bytes);
  if (IsUtf8Name(encoding)) return loadXML(text::SanitizeUtf8(bytes));
  if (!text::IsKnownCharset(encoding)) {
    Fail(pugi::status_io_error, "System does not support the specified encoding.", "", -1);
    return false;
  }
  return loadXML(text::Decode(bytes, encoding));
}

std::string DomDocument::DeclaredEncoding() const {
  for (pugi::xml_node child : doc_->children()) {
    if (child.type() == pugi::node_declaration) return child.attribute("encoding").value();
  }
  return "";
}

std::string DomDocument::xml() const {
  std::string out;
  for (pugi::xml_node child : doc_->children()) {
    std::ostringstream part;
    child.print(part, "", pugi::format_raw);
    out += part.str();
    out += "\r\n";
  }
  return out;
}

void DomDocument::save(std::string_view windows_path) const {
  std::string native = fs::ToNative(windows_path);
  std::string encoding = DeclaredEncoding();
  std::string bytes;
  if (IsUtf8Name(encoding)) {
    bytes = xml();
  } else if (IsUtf16Name(encoding)) {
    bytes = "\xFF\xFE" + text::Encode(xml(), "UTF-16LE");
  } else if (text::IsKnownCharset(encoding)) {
    bytes = EncodeWithReferences(xml(), encoding);
  } else {
    throw vb::VbError(vb::kErrInvalidCall, "", "System does not support the specified encoding.");
  }
  int error = fs::WriteFileAtomic(native, bytes);
  if (error != 0) fs::RaiseFileError(fs::ErrorFromErrno(error));
}

DomNode DomDocument::documentElement() const {
  pugi::xml_node root = doc_->document_element();
  return root ? DomNode(doc_, root) : DomNode();
}

DomNode DomDocument::createElement(std::string_view name) {
  bool valid = !name.empty() && IsNameStart(static_cast<unsigned char>(name[0]));
  for (unsigned char c : name) valid = valid && IsNameChar(c);
  if (!valid) vb::Raise(vb::kErrInvalidCall);
  return DomNode(loose_, loose_->append_child(std::string(name).c_str()));
}

DomNode DomDocument::appendChild(const DomNode& child) {
  if (child.IsNothing()) vb::Raise(vb::kErrObjectNotSet);
  if (child.raw().type() == pugi::node_element && doc_->document_element()) {
    throw vb::VbError(vb::kErrInvalidCall, "", "Only one top level element is allowed.");
  }
  return DomNode(doc_, *doc_).appendChild(child);
}

DomNode DomDocument::selectSingleNode(std::string_view xpath) const {
  return DomNode(doc_, *doc_).selectSingleNode(xpath);
}

std::vector<DomNode> DomDocument::selectNodes(std::string_view xpath) const {
  return DomNode(doc_, *doc_).selectNodes(xpath);
}

}  // namespace ostrel::xml
