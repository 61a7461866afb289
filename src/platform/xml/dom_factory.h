// The DOM document classes by ProgID. The component asks for the newest
// version first and falls back to older ones; every version is the same
// document here, and a version can be marked "not installed" so the
// fallback (and the case where none exists) can be exercised.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "platform/xml/dom_document.h"

namespace ostrel::xml {

// In the order the component tries them.
inline constexpr std::array<std::string_view, 4> kDomDocumentProgIds = {
    "MSXML2.DOMDocument.4.0", "MSXML2.DOMDocument.3.0", "MSXML2.DOMDocument.2.6",
    "MSXML2.DOMDocument"};
inline constexpr std::array<std::string_view, 4> kFreeThreadedDomDocumentProgIds = {
    "MSXML2.FreeThreadedDOMDocument.4.0", "MSXML2.FreeThreadedDOMDocument.3.0",
    "MSXML2.FreeThreadedDOMDocument.2.6", "MSXML2.FreeThreadedDOMDocument"};

// A new document of that class (ProgID without regard to case), nothing
// when the class is unknown or marked not installed.
std::shared_ptr<DomDocument> CreateDomDocument(std::string_view prog_id);

// Marks a class installed or not. Process-wide; meant for tests.
void SetDomDocumentInstalled(std::string_view prog_id, bool installed);
// Every class installed again.
void ResetDomDocumentInstalled();

}  // namespace ostrel::xml
