// The forms of the admin pages as a browser posts them: a reader that
// turns a written form into the fields a browser would post from it
// unchanged (the editor script's rule lists joined into ClassList and
// ReplaceList as include/Ostrel.js does), helpers that change fields, the
// urlencoded body, and the checks of a page's texts, a form's fields and a
// refusal's alert.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/asp/url_encoding.h"
#include "platform/vb/strings.h"

namespace ostrel::testing {

using Fields = std::vector<std::pair<std::string, std::string>>;

// The posted value of a field; "" when missing.
inline std::string FieldOf(const Fields& fields, const std::string& name) {
  for (const auto& [key, value] : fields) {
    if (key == name) return value;
  }
  return "";
}
// The fields with the value of every field called name replaced.
inline Fields WithField(Fields fields, const std::string& name, const std::string& value) {
  for (auto& field : fields) {
    if (field.first == name) field.second = value;
  }
  return fields;
}
// The fields with the values of several fields replaced.
inline Fields WithFields(Fields fields, const std::map<std::string, std::string>& values) {
  for (auto& [name, value] : fields) {
    if (auto found = values.find(name); found != values.end()) value = found->second;
  }
  return fields;
}
inline bool HasField(const Fields& fields, const std::string& name) {
  for (const auto& field : fields) {
    if (field.first == name) return true;
  }
  return false;
}

inline std::string DecodeEntities(std::string text) {
  text = vb::Replace(text, "&lt;", "<");
  text = vb::Replace(text, "&gt;", ">");
  text = vb::Replace(text, "&quot;", "\"");
  text = vb::Replace(text, "&#39;", "'");
  return vb::Replace(text, "&amp;", "&");
}

// The attributes of one start tag (the text between "<name" and ">").
inline std::map<std::string, std::string> Attributes(const std::string& tag) {
  std::map<std::string, std::string> attributes;
  size_t i = 0;
  while (i < tag.size()) {
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\r' || tag[i] == '\n')) ++i;
    size_t start = i;
    while (i < tag.size() && tag[i] != '=' && tag[i] != ' ' && tag[i] != '>') ++i;
    std::string name = vb::LCase(tag.substr(start, i - start));
    std::string value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        char quote = tag[i++];
        size_t end = tag.find(quote, i);
        value = tag.substr(i, end - i);
        i = end + 1;
      } else {
        size_t end = tag.find_first_of(" >", i);
        if (end == std::string::npos) end = tag.size();
        value = tag.substr(i, end - i);
        i = end;
      }
    }
    if (!name.empty()) attributes[name] = DecodeEntities(value);
    if (start == i) ++i;
  }
  return attributes;
}

// The fields of the first form in html, as posted without any change.
inline Fields ReadForm(const std::string& html) {
  Fields fields;
  size_t at = html.find("<form");
  const size_t form_end = html.find("</form>", at);
  std::map<std::string, std::vector<std::string>> lists;  // list boxes' options
  while (at < form_end) {
    size_t open = html.find('<', at + 1);
    if (open >= form_end) break;
    size_t close = html.find('>', open);
    std::string tag = html.substr(open + 1, close - open - 1);
    std::string kind = vb::LCase(tag.substr(0, tag.find(' ')));
    auto attributes = Attributes(tag.substr(std::min(tag.size(), kind.size())));
    at = close;
    if (attributes.count("disabled")) continue;
    const std::string name = attributes["name"];
    if (kind == "input") {
      const std::string type = vb::LCase(attributes["type"]);
      if (type == "button" || type == "submit" || name.empty()) continue;
      if ((type == "radio" || type == "checkbox") && !attributes.count("checked")) continue;
      const bool box = type == "radio" || type == "checkbox";
      fields.emplace_back(name, attributes.count("value") ? attributes["value"] : box ? "on" : "");
    } else if (kind == "textarea") {
      size_t end = html.find("</textarea>", close);
      std::string text = DecodeEntities(html.substr(close + 1, end - close - 1));
      if (text.starts_with("\r\n")) {
        text.erase(0, 2);
      } else if (text.starts_with("\n")) {
        text.erase(0, 1);
      }
      fields.emplace_back(name, text);
      at = end;
    } else if (kind == "select") {
      size_t end = html.find("</select>", close);
      const bool list_box = attributes.count("size") && attributes["size"] != "1";
      std::string first, chosen;
      bool any = false, picked = false;
      for (size_t o = html.find("<option", close); o < end; o = html.find("<option", o + 1)) {
        size_t o_close = html.find('>', o);
        auto option = Attributes(html.substr(o + 7, o_close - o - 7));
        size_t text_end = html.find("</option>", o_close);
        std::string value = option.count("value")
                                ? option["value"]
                                : DecodeEntities(html.substr(o_close + 1, text_end - o_close - 1));
        lists[name].push_back(value);
        if (!any) first = value;
        any = true;
        if (option.count("selected") && !picked) {
          chosen = value;
          picked = true;
        }
      }
      if (picked) {
        fields.emplace_back(name, chosen);
      } else if (any && !list_box) {
        fields.emplace_back(name, first);
      }
      at = end;
    }
  }
  // What include/Ostrel.js's CheckForm does before the form is sent.
  for (auto& [name, value] : fields) {
    if (name == "ClassList") value = vb::Join(lists["RetuneClass"], "$$$");
    if (name == "ReplaceList") value = vb::Join(lists["strReplace"], "$$$");
  }
  return fields;
}

// The fields as an urlencoded body in the page's code page.
inline std::string EncodeForm(const Fields& fields) {
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += "&";
    body += asp::UrlEncode(name, "GB2312") + "=" + asp::UrlEncode(value, "GB2312");
  }
  return body;
}

// Each field of the form has the value given ("" for a missing one).
inline void ExpectFields(const Fields& form, const std::map<std::string, std::string>& expected) {
  for (const auto& [name, value] : expected) EXPECT_EQ(FieldOf(form, name), value) << name;
}
// Each of the texts stands in the page (a failure names the text).
inline void ExpectShows(const std::string& page, std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) EXPECT_NE(page.find(text), std::string::npos) << text;
}
// None of the texts stands in the page.
inline void ExpectLacks(const std::string& page, std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) EXPECT_EQ(page.find(text), std::string::npos) << text;
}

// A field given a value that the page refuses with an alert, and the
// alert's message (or its start).
struct RefusedField {
  const char* field;
  const char* value;
  const char* message;
};
// Whether the page alerts with message (or a message that starts so).
inline bool Alerts(const std::string& page, std::string_view message) {
  return page.find("alert(\"" + std::string(message)) != std::string::npos;
}

}  // namespace ostrel::testing
