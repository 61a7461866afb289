#include "processing/xml_document_object.h"

#include "platform/com/class_info.h"

namespace ostrel::processing {

const com::TypeInfo& XmlDocumentObject::Type() const {
  using X = XmlDocumentObject;
  static const com::TypeInfo info = com::ClassInfo<X>("DOMDocument")
                                        .Method("loadXML", &X::loadXML)
                                        .Method("load", &X::load)
                                        .Method("save", &X::save)
                                        .Property("xml", &X::xml, nullptr)
                                        .Build();
  return info;
}

vb::ObjectRef XmlDocumentRef(std::shared_ptr<xml::DomDocument> doc) {
  if (!doc) return vb::ObjectRef();
  return std::make_shared<XmlDocumentObject>(std::move(doc));
}

}  // namespace ostrel::processing
