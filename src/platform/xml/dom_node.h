// A node of a DOM document (IXMLDOMNode): the few members the component and
// its pages use. A node keeps its document alive. A default node is
// "Nothing".
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace ostrel::xml {

class DomNode {
 public:
  DomNode() = default;
  DomNode(std::shared_ptr<pugi::xml_document> owner, pugi::xml_node node)
      : owner_(std::move(owner)), node_(node) {}

  bool IsNothing() const { return !node_; }

  std::string nodeName() const;
  // The text of the node and everything below it, joined.
  std::string text() const;
  // Replaces the node's content by one text node.
  void set_text(std::string_view value);
  // The node's markup.
  std::string xml() const;

  // Appends child under this node and returns the appended node. A node
  // made by createElement is copied in, so use the node returned.
  DomNode appendChild(const DomNode& child);

  // XPath selections relative to this node. An invalid expression raises
  // VbError 5 with the parser's reason.
  DomNode selectSingleNode(std::string_view xpath) const;
  std::vector<DomNode> selectNodes(std::string_view xpath) const;

  pugi::xml_node raw() const { return node_; }
  const std::shared_ptr<pugi::xml_document>& owner() const { return owner_; }

 private:
  std::shared_ptr<pugi::xml_document> owner_;
  pugi::xml_node node_;
};

}  // namespace ostrel::xml
