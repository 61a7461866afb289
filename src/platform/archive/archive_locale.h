// The thread locales libarchive is run under. libarchive converts entry
// names to and from the calling thread's locale: under a UTF-8 locale it
// hands out UTF-8, reads code page 936 names when told to, and marks the
// names it writes as UTF-8; under the C locale it stores name bytes as
// given. Switching the thread's locale leaves the rest of the process
// alone.
#pragma once

#include <locale.h>

namespace ostrel::archive {

inline locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
    if (l == nullptr) l = newlocale(LC_ALL_MASK, "en_US.UTF-8", nullptr);
    return l;
  }();
  return loc;
}

inline locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
  return loc;
}

// Runs the enclosing block under a locale, then restores the thread's own.
class LocaleScope {
 public:
  explicit LocaleScope(locale_t loc = Utf8Locale()) : old_(uselocale(loc)) {}
  ~LocaleScope() { uselocale(old_); }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

 private:
  locale_t old_;
};

}  // namespace ostrel::archive
