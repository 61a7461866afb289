// The item a gathering request fetches for. Where private addresses are
// allowed at all (FetchLimits::allow_private, the demo and tests on
// loopback), they are for items whose own list address is private: a page
// that a public list leads to (a list link, an entry page, its pictures,
// its downloads) was chosen by a public site, and never leads the run to a
// private address. A gathering page opens a RunOrigin for its request;
// every fetch of that thread within it follows the rule, so no call site
// has to.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace ostrel::net {

class RunOrigin {
 public:
  // list_address gives the item's list address ("" for none) when the rule
  // first needs it: a request may save the item before it fetches.
  explicit RunOrigin(std::function<std::string()> list_address);
  // The rule as another thread found it (its AdmitsPrivate()): a thread that
  // fetches for a request carries the request thread's decision, since each
  // thread keeps its own RunOrigin.
  struct Decided {
    bool admits_private;
  };
  explicit RunOrigin(Decided decided);
  ~RunOrigin();
  RunOrigin(const RunOrigin&) = delete;
  RunOrigin& operator=(const RunOrigin&) = delete;

  // Whether a fetch of the current thread may reach a private address as
  // far as the run is concerned: true outside a RunOrigin, else only when
  // every address of the item's list address is private.
  static bool AdmitsPrivate();

 private:
  std::function<std::string()> list_address_;
  std::optional<bool> private_list_;
  RunOrigin* outer_;
};

// True when the host of url (a literal address, or a name and every
// address it resolves to) is a private address (IsPrivateAddress).
bool IsPrivateUrl(const std::string& url);

}  // namespace ostrel::net
