#include "host/page_runner.h"

#include <cctype>
#include <optional>
#include <string_view>
#include <utility>

#include "host/admin_pages.h"
#include "host/cross_site.h"
#include "host/exchange_sink.h"
#include "platform/asp/request.h"
#include "platform/asp/response.h"
#include "platform/asp/server.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::host {

namespace {

// "User-Agent" -> "HTTP_USER_AGENT".
std::string HeaderVariable(std::string_view name) {
  std::string out = "HTTP_";
  for (char c : name) {
    out += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ServerVariables(const HttpRequest& info,
                                                                 const std::string& page_path,
                                                                 size_t body_size) {
  auto text = [](const std::string& s) { return text::SanitizeUtf8(s); };
  std::string host = text(info.Header("Host"));
  std::string server_name = host;
  if (size_t colon = server_name.rfind(':');
      colon != std::string::npos && server_name.find(']', colon) == std::string::npos) {
    server_name.resize(colon);
  }
  std::vector<std::pair<std::string, std::string>> vars = {
      {"REQUEST_METHOD", text(info.method)},
      {"QUERY_STRING", text(info.query)},
      {"SCRIPT_NAME", page_path},
      {"PATH_INFO", page_path},
      {"URL", page_path},
      {"SERVER_NAME", server_name.empty() ? std::string("127.0.0.1") : server_name},
      {"SERVER_PORT", std::to_string(info.server_port)},
      {"SERVER_PROTOCOL", text(info.version)},
      {"SERVER_SOFTWARE", "ostrel-host"},
      {"REMOTE_ADDR", text(info.remote_address)},
      {"REMOTE_HOST", text(info.remote_address)},
      {"HTTPS", "off"},
      {"CONTENT_TYPE", text(info.Header("Content-Type"))},
      {"CONTENT_LENGTH", std::to_string(body_size)},
  };
  for (const auto& [name, value] : info.headers) {
    vars.emplace_back(HeaderVariable(name), text(value));
  }
  return vars;
}

// What RenewSession needs of the running request; the request's context
// holds a pointer to it.
struct SessionControl {
  asp::SessionStore* store = nullptr;
  ExchangeSink* sink = nullptr;
  // The session a renewal made, held like the request's own until the end.
  std::optional<asp::SessionLease> renewed;
};

bool LoggedIn(const asp::Session& session) {
  vb::Variant name = session.Item(kAdminNameKey);
  return name.IsString() && !name.AsString().empty();
}

}  // namespace

PageRunner::PageRunner(PageSettings settings)
    : settings_(std::move(settings)),
      site_root_windows_(fs::ToWindows(settings_.site_root)),
      application_(std::make_shared<asp::Application>()) {}

int PageRunner::Run(const std::shared_ptr<HttpExchange>& exchange, const std::string& page_path,
                    const PageFunction& page, bool needs_login) {
  const HttpRequest& info = exchange->request;
  const std::string& body = exchange->body;

  asp::RequestInput input;
  input.code_page = settings_.charset;
  input.query_string = info.query;
  if (HasForm(info)) input.form = body;
  input.cookie_header = info.Header("Cookie");
  input.server_variables = ServerVariables(info, page_path, body.size());
  auto request = std::make_shared<asp::Request>(input);

  const std::vector<std::string>& ids = request->Cookies().Values(kSessionCookie);
  asp::SessionLease lease =
      sessions_.Acquire(ids.empty() ? std::string() : ids.front(), settings_.session_wait);
  if (lease.session() == nullptr) {
    SendNotice(*exchange, 503, kBusyTitle, kBusyMessage);
    return 503;
  }

  auto sink = std::make_shared<ExchangeSink>(exchange);
  auto response = std::make_shared<asp::Response>(sink, settings_.charset);
  response->AddHeader("Cache-Control", "private");
  // The admin pages' links and forms then tell this host where they come
  // from, and other sites learn nothing of the admin's addresses.
  response->AddHeader("Referrer-Policy", "same-origin");
  auto server = std::make_shared<asp::Server>(site_root_windows_, page_path, settings_.charset);
  SessionControl control{&sessions_, sink.get(), std::nullopt};
  {
    asp::RequestContext context(request, response, server, lease.session(), application_);
    context.Extension<SessionControl*>() = &control;
    asp::ContextScope scope(context);
    try {
      if (needs_login && !LoggedIn(*lease.session())) {
        response->Redirect(settings_.login_page);
      } else {
        page(context);
      }
    } catch (const vb::VbError& error) {
      // What escapes a page is shown where the page stopped, as the
      // original server reported a script error.
      response->Write("<p>" + asp::Server::HTMLEncode(error.description()) + " (" +
                      std::to_string(error.number()) + ")</p>");
    }
    response->Finish();
  }
  sink->Finish();
  return std::stoi(response->Status().substr(0, 3));
}

void RenewSession(asp::RequestContext& page) {
  SessionControl* control = page.Extension<SessionControl*>();
  if (control == nullptr || page.Response->HeadersSent()) {
    throw vb::VbError(vb::kErrInvalidCall, "ostrel-host",
                      "the session cannot be renewed once the page's headers are sent");
  }
  std::string old_id = page.Session->SessionID();
  asp::SessionLease fresh = control->store->Create();
  page.Session = fresh.session();
  control->renewed.reset();
  control->renewed.emplace(std::move(fresh));
  control->store->Remove(old_id);
  control->sink->SetSessionCookie(page.Session->SessionID());
}

void EndSession(asp::RequestContext& page) {
  SessionControl* control = page.Extension<SessionControl*>();
  if (control == nullptr) return;
  control->store->Remove(page.Session->SessionID());
  page.Session = std::make_shared<asp::Session>("");
  control->sink->SetSessionCookie("");
  control->sink->ClearSessionCookie();
}

namespace {

// The busy page's way on, below its notice: a link that asks for the same
// page again. A GET is asked again as it was; a POST is not sent again (its
// form may save or delete): its link opens the page in its channel without
// the form.
std::string BusyWayOn(const HttpExchange& exchange, std::string_view charset) {
  const HttpRequest& request = exchange.request;
  std::string target = request.path;
  std::string label = "重试本页";
  if (request.method == "GET") {
    if (!request.query.empty()) {
      target += '?';
      for (char c : request.query) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
          target += c;
        } else {
          static constexpr char kHex[] = "0123456789ABCDEF";
          target += {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
        }
      }
    }
  } else {
    const bool form =
        request.Header("Content-Type").find("x-www-form-urlencoded") != std::string::npos;
    const RequestTraits traits =
        TraitsOf(request.method, request.query, form ? exchange.body : "", charset);
    if (!traits.channel.empty()) target += "?ChannelID=" + traits.channel;
    label = "重新打开本页（刚才提交的表单不会再次提交）";
  }
  return "<p><a href=\"" + asp::Server::HTMLEncode(target) + "\" id=\"BusyRetry\">" + label +
         "</a></p>\r\n";
}

}  // namespace

void PageRunner::SendNotice(HttpExchange& exchange, int status, std::string_view title,
                            std::string_view message) const {
  // The busy page keeps the admin pages' channel row above its notice.
  const bool busy = title == kBusyTitle;
  const std::string row = busy ? AdminChannelsRow(kAdminFolder) : std::string();
  const std::string way_on = busy ? BusyWayOn(exchange, settings_.charset) : std::string();
  std::string html = "<html>\r\n<head>\r\n<title>" + std::string(title) +
                     "</title>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                     "charset=" +
                     settings_.charset +
                     "\">\r\n<link href=\"/css/admin.css\" rel=\"stylesheet\" "
                     "type=\"text/css\">\r\n</head>\r\n<body>\r\n" +
                     row + "<p class=\"notice\" id=\"HostNotice\">" + std::string(message) +
                     "</p>\r\n" + way_on + "</body>\r\n</html>\r\n";
  HeaderList headers = {{"Content-Type", "text/html; charset=" + settings_.charset},
                        {"Cache-Control", "no-store"},
                        {"Referrer-Policy", "same-origin"}};
  if (status == 503) headers.emplace_back("Retry-After", "5");
  exchange.Answer(status, headers, text::Encode(html, settings_.charset), true);
}

}  // namespace ostrel::host
