#include "host/http_exchange.h"

#include <microhttpd.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "host/stack_switch.h"

namespace ostrel::host {

namespace {

// The stack the page is started on: PagePool::Run and its waits; the page
// itself runs on one of the pool's page stacks.
constexpr size_t kStartStackBytes = 256 << 10;
// The most the library asks for at once; each piece becomes one chunk.
constexpr size_t kBlockSize = 64 << 10;

thread_local HttpExchange* starting_page = nullptr;

}  // namespace

std::string HttpRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return value;
    }
  }
  return "";
}

HttpExchange::~HttpExchange() {
  if (page_running_) std::fprintf(stderr, "ostrel-host: a page was left unfinished\n");
}

void HttpExchange::Answer(int status, const HeaderList& headers, std::string_view bytes,
                          bool close) {
  if (gone_ || queued_) return;
  MHD_Response* response = MHD_create_response_from_buffer(
      bytes.size(), const_cast<char*>(bytes.data()), MHD_RESPMEM_MUST_COPY);
  if (close) MHD_add_response_header(response, "Connection", "close");
  Queue(status, response, headers);
  ended_ = true;
}

void HttpExchange::AnswerFile(const HeaderList& headers, int fd, uint64_t size) {
  MHD_Response* response = gone_ || queued_ ? nullptr : MHD_create_response_from_fd64(size, fd);
  if (response == nullptr) {
    ::close(fd);
    return;
  }
  Queue(200, response, headers);
  ended_ = true;
}

void HttpExchange::Queue(int status, MHD_Response* response, const HeaderList& headers) {
  for (const auto& [name, value] : headers) {
    MHD_add_response_header(response, name.c_str(), value.c_str());
  }
  MHD_queue_response(connection_, static_cast<unsigned>(status), response);
  MHD_destroy_response(response);
  queued_ = true;
}

void HttpExchange::RunPage(std::function<void()> page) {
  page_ = std::move(page);
  // The connection's thread runs one page at a time: one start stack each.
  thread_local std::unique_ptr<char[]> start_stack;
  if (!start_stack) start_stack.reset(new char[kStartStackBytes]);
  getcontext(&page_context_);
  page_context_.uc_stack.ss_sp = start_stack.get();
  page_context_.uc_stack.ss_size = kStartStackBytes;
  page_context_.uc_link = nullptr;  // PageEntry never returns
  makecontext(&page_context_, &HttpExchange::PageEntry, 0);
  page_running_ = true;
  page_side_bottom_ = start_stack.get();
  page_side_size_ = kStartStackBytes;
  starting_page = this;
  SwitchToPage();
  if (page_running_ || queued_) return;
  // The page ended without a flush (or wrote nothing at all).
  if (!head_set_) Begin(200, {});
  QueueHead(true);
  ended_ = true;
}

void HttpExchange::PageEntry() {
  HttpExchange* self = starting_page;
  starting_page = nullptr;
  FinishSwitch(nullptr, &self->connection_bottom_, &self->connection_size_);
  self->page_();
  self->page_ = nullptr;
  self->page_running_ = false;
  // A page that never flushed is answered by RunPage.
  if (self->queued_) self->ended_ = true;
  // Back for good.
  StartSwitch(nullptr, self->connection_bottom_, self->connection_size_);
  setcontext(&self->connection_context_);
}

void HttpExchange::SwitchToPage() {
  void* fake_stack = nullptr;
  StartSwitch(&fake_stack, page_side_bottom_, page_side_size_);
  swapcontext(&connection_context_, &page_context_);
  // Back from the page: where it was left (its start stack or a page stack).
  FinishSwitch(fake_stack, &page_side_bottom_, &page_side_size_);
}

void HttpExchange::SwitchToConnection() {
  void* fake_stack = nullptr;
  StartSwitch(&fake_stack, connection_bottom_, connection_size_);
  swapcontext(&page_context_, &connection_context_);
  FinishSwitch(fake_stack, &connection_bottom_, &connection_size_);
}

void HttpExchange::Completed() {
  gone_ = true;
  // The browser left mid-page: the page sees it and ends.
  while (page_running_) SwitchToPage();
}

void HttpExchange::Begin(int status, const HeaderList& headers) {
  if (gone_ || queued_ || head_set_) return;
  head_set_ = true;
  head_status_ = status;
  head_headers_ = headers;
}

void HttpExchange::QueueHead(bool whole) {
  MHD_Response* response;
  if (whole) {
    // The page ended before any flush: all of it in one answer, with its
    // length. The library keeps the bytes themselves and frees them after.
    auto* body = new std::string(std::move(out_));
    out_.clear();
    response = MHD_create_response_from_buffer_with_free_callback_cls(body->size(), body->data(),
                                                                      &FreeBody, body);
    if (response == nullptr) delete body;
  } else {
    auto* self = new std::shared_ptr<HttpExchange>(shared_from_this());
    response =
        MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kBlockSize, &Read, self, &Release);
  }
  MHD_set_response_options(response, MHD_RF_SEND_KEEP_ALIVE_HEADER, MHD_RO_END);
  Queue(head_status_, response, head_headers_);
}

void HttpExchange::Write(std::string_view bytes) {
  if (gone_ || ended_ || !head_set_ || bytes.empty()) return;
  if (!queued_) QueueHead(false);
  out_.append(bytes);
  // The library sends it, and comes back for more.
  SwitchToConnection();
}

void HttpExchange::End(std::string last) {
  if (gone_ || ended_) return;
  // A page that ended without a flush hands over its whole output here.
  if (out_.empty()) {
    out_ = std::move(last);
  } else {
    out_.append(last);
  }
  ended_ = true;
}

ssize_t HttpExchange::Read(void* cls, uint64_t, char* buf, size_t max) {
  HttpExchange& self = **static_cast<std::shared_ptr<HttpExchange>*>(cls);
  // Nothing left to send: the page goes on to its next flush or its end.
  while (self.out_at_ == self.out_.size() && !self.ended_ && self.page_running_) {
    self.SwitchToPage();
  }
  const size_t available = self.out_.size() - self.out_at_;
  if (available == 0) return MHD_CONTENT_READER_END_OF_STREAM;
  const size_t n = std::min(max, available);
  std::memcpy(buf, self.out_.data() + self.out_at_, n);
  self.out_at_ += n;
  if (self.out_at_ == self.out_.size()) {
    self.out_.clear();
    self.out_at_ = 0;
  }
  return static_cast<ssize_t>(n);
}

void HttpExchange::Release(void* cls) { delete static_cast<std::shared_ptr<HttpExchange>*>(cls); }

void HttpExchange::FreeBody(void* cls) { delete static_cast<std::string*>(cls); }

}  // namespace ostrel::host
