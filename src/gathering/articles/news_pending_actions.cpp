// NewsCollection: the actions of the page protocol that are still to come.
// ShowCollection already dispatches to them, so the protocol stays complete;
// each one does nothing until its page is written (and leaves this file).
#include "gathering/articles/news_collection.h"

namespace ostrel::articles {

int32_t NewsCollection::GetClassID(int32_t, std::string, std::string) { return 0; }
vb::Variant NewsCollection::ClassUpdateCount(vb::Variant&, vb::Variant&) { return vb::Variant(); }
void NewsCollection::SaveNewsData(vb::Variant&) {}
void NewsCollection::GatherNextLink() {}
void NewsCollection::BeginGather() {}

}  // namespace ostrel::articles
