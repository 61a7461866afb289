#include "platform/xml/dom_node.h"

#include <sstream>

#include "platform/vb/vb_error.h"

namespace ostrel::xml {
namespace {

void CollectText(pugi::xml_node node, std::string* out) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      *out += child.value();
    } else if (child.type() == pugi::node_element) {
      CollectText(child, out);
    }
  }
}

pugi::xpath_query Compile(std::string_view xpath) {
  try {
    return pugi::xpath_query(std::string(xpath).c_str());
  } catch (const pugi::xpath_exception& e) {
    throw vb::VbError(vb::kErrInvalidCall, "", e.what());
  }
}

}  // namespace

std::string DomNode::nodeName() const {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  switch (node_.type()) {
    case pugi::node_document:
      return "#document";
    case pugi::node_pcdata:
      return "#text";
    case pugi::node_cdata:
      return "#cdata-section";
    case pugi::node_comment:
      return "#comment";
    default:
      return node_.name();
  }
}

std::string DomNode::text() const {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  if (node_.type() == pugi::node_pcdata || node_.type() == pugi::node_cdata) {
    return node_.value();
  }
  std::string out;
  CollectText(node_, &out);
  return out;
}

void DomNode::set_text(std::string_view value) {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  if (node_.type() == pugi::node_pcdata || node_.type() == pugi::node_cdata) {
    node_.set_value(std::string(value).c_str());
    return;
  }
  while (node_.first_child()) node_.remove_child(node_.first_child());
  node_.append_child(pugi::node_pcdata).set_value(std::string(value).c_str());
}

std::string DomNode::xml() const {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  std::ostringstream out;
  node_.print(out, "", pugi::format_raw);
  return out.str();
}

DomNode DomNode::appendChild(const DomNode& child) {
  if (!node_ || !child.node_) vb::Raise(vb::kErrObjectNotSet);
  pugi::xml_node appended;
  if (child.owner_ == owner_ && child.node_.root() == node_.root()) {
    appended = node_.append_move(child.node_);
  } else {
    appended = node_.append_copy(child.node_);
  }
  if (!appended) vb::Raise(vb::kErrInvalidCall);
  return DomNode(owner_, appended);
}

DomNode DomNode::selectSingleNode(std::string_view xpath) const {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  pugi::xpath_query query = Compile(xpath);
  pugi::xpath_node found;
  try {
    found = query.evaluate_node(node_);
  } catch (const pugi::xpath_exception& e) {
    throw vb::VbError(vb::kErrInvalidCall, "", e.what());
  }
  return found.node() ? DomNode(owner_, found.node()) : DomNode();
}

std::vector<DomNode> DomNode::selectNodes(std::string_view xpath) const {
  if (!node_) vb::Raise(vb::kErrObjectNotSet);
  pugi::xpath_query query = Compile(xpath);
  pugi::xpath_node_set set;
  try {
    set = query.evaluate_node_set(node_);
  } catch (const pugi::xpath_exception& e) {
    throw vb::VbError(vb::kErrInvalidCall, "", e.what());
  }
  std::vector<DomNode> nodes;
  for (const pugi::xpath_node& found : set) {
    if (found.node()) nodes.emplace_back(owner_, found.node());
  }
  return nodes;
}

}  // namespace ostrel::xml
