// A DOM document handed to a late-bound caller (VBProcess.CreateXMLDOM and
// CreateXML2DOM from a host page): loading, saving and the document text.
#pragma once

#include <memory>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/xml/dom_document.h"

namespace ostrel::processing {

class XmlDocumentObject : public com::Dispatch {
 public:
  explicit XmlDocumentObject(std::shared_ptr<xml::DomDocument> doc) : doc_(std::move(doc)) {}
  const com::TypeInfo& Type() const override;

  bool loadXML(const std::string& text) { return doc_->loadXML(text); }
  bool load(const std::string& path) { return doc_->load(path); }
  void save(const std::string& path) { doc_->save(path); }
  std::string xml() const { return doc_->xml(); }

 private:
  std::shared_ptr<xml::DomDocument> doc_;
};

// The object for a document, or Nothing for none.
vb::ObjectRef XmlDocumentRef(std::shared_ptr<xml::DomDocument> doc);

}  // namespace ostrel::processing
