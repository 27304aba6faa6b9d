#ifndef KX_TESTS_TOOLS_JSON_FLATTEN_H
#define KX_TESTS_TOOLS_JSON_FLATTEN_H

#include <cctype>
#include <map>
#include <optional>
#include <string>

namespace kxtest {

// A strict reader of one JSON value (RFC 8259) that flattens it into
// path -> value: members as "a.b", elements as "a[0]"; strings decoded and
// kept in quotes, numbers and literals as written. Returns nothing when the
// text is not exactly one valid JSON value.
class JsonFlattener {
 public:
  static std::optional<std::map<std::string, std::string>> parse(const std::string& text) {
    JsonFlattener reader(text);
    if (!reader.value("")) {
      return std::nullopt;
    }
    reader.skipBlanks();
    if (reader.pos_ != text.size()) {
      return std::nullopt;
    }
    return reader.values_;
  }

 private:
  explicit JsonFlattener(const std::string& text) : text_(text) {}

  void skipBlanks() {
    while (pos_ < text_.size() && std::string(" \t\r\n").find(text_[pos_]) != std::string::npos)
      ++pos_;
  }
  bool eat(char c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  static void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  bool string(std::string& out) {
    if (!eat('"')) return false;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= text_.size()) return false;
      const char escape = text_[pos_++];
      const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
      if (simple.find(escape) != std::string::npos) {
        out += meaning[simple.find(escape)];
      } else if (escape == 'u' && pos_ + 4 <= text_.size() &&
                 text_.substr(pos_, 4).find_first_not_of("0123456789abcdefABCDEF") ==
                     std::string::npos) {
        appendUtf8(out, static_cast<unsigned>(std::stoul(text_.substr(pos_, 4), nullptr, 16)));
        pos_ += 4;
      } else {
        return false;
      }
    }
    return eat('"');
  }
  // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  static bool isNumber(const std::string& s) {
    std::size_t i = s.rfind('-', 0) == 0 ? 1 : 0;
    const auto digits = [&](bool noLeadingZero) {
      const std::size_t start = i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      return i > start && !(noLeadingZero && s[start] == '0' && i - start > 1);
    };
    if (!digits(true)) return false;
    if (i < s.size() && s[i] == '.' && (++i, !digits(false))) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
      if (!digits(false)) return false;
    }
    return i == s.size();
  }

  bool value(const std::string& path) {
    const std::string prefix = path.empty() ? "" : path + ".";
    if (eat('{')) {
      if (eat('}')) return true;
      do {
        std::string key;
        if (!string(key) || !eat(':') || !value(prefix + key)) return false;
      } while (eat(','));
      return eat('}');
    }
    if (eat('[')) {
      if (eat(']')) return true;
      int index = 0;
      do {
        if (!value(path + "[" + std::to_string(index++) + "]")) return false;
      } while (eat(','));
      return eat(']');
    }
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '"') {
      std::string decoded;
      if (!string(decoded)) return false;
      values_[path] = "\"" + decoded + "\"";
      return true;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                   std::string("+-.").find(text_[pos_]) != std::string::npos)) {
      ++pos_;
    }
    const std::string literal = text_.substr(start, pos_ - start);
    if (literal != "true" && literal != "false" && literal != "null" && !isNumber(literal)) {
      return false;
    }
    values_[path] = literal;
    return true;
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  std::map<std::string, std::string> values_;
};

}  // namespace kxtest

#endif
