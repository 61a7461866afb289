#include "platform/asp/memory_sink.h"

#include "platform/text/charset.h"
#include "platform/vb/ascii_case.h"

namespace ostrel::asp {

void MemorySink::SendHead(const ResponseHead& h) { head = h; }

void MemorySink::SendBody(std::string_view bytes) {
  if (!head) chunk_before_head = true;
  chunks.emplace_back(bytes);
}

std::string MemorySink::Body() const {
  std::string body;
  for (const auto& chunk : chunks) body += chunk;
  return body;
}

std::string MemorySink::Text(std::string_view code_page) const {
  return text::Decode(Body(), code_page);
}

std::string MemorySink::Header(std::string_view name) const {
  if (!head) return "";
  for (const auto& [key, value] : head->headers) {
    if (vb::EqualsNoCase(key, name)) return value;
  }
  return "";
}

}  // namespace ostrel::asp
