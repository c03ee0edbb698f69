#include "common/json.h"

#include <cmath>
#include <cstdio>
#include <cerrno>
#include <cstdlib>

namespace quorix {
namespace {

const Json& nullValue() {
  static const Json value;
  return value;
}

void writeString(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Json> document(std::string* error) {
    std::optional<Json> value = parseValue(0);
    skipSpace();
    if (value && pos_ != text_.size()) fail("unexpected text after the value");
    if (!error_.empty()) {
      if (error != nullptr) *error = error_;
      return std::nullopt;
    }
    return value;
  }

 private:
  static constexpr int kMaxDepth = 256;

  void fail(const std::string& message) {
    if (!error_.empty()) return;
    size_t line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) line += text_[i] == '\n';
    error_ = message + " (line " + std::to_string(line) + ")";
  }
  bool failed() const { return !error_.empty(); }

  void skipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::optional<Json> parseValue(int depth) {
    if (depth > kMaxDepth) {
      fail("nesting too deep");
      return std::nullopt;
    }
    skipSpace();
    if (pos_ >= text_.size()) {
      fail("unexpected end of text");
      return std::nullopt;
    }
    char c = text_[pos_];
    if (c == '{') return parseObject(depth);
    if (c == '[') return parseArray(depth);
    if (c == '"') {
      std::optional<std::string> s = parseString();
      if (!s) return std::nullopt;
      return Json(std::move(*s));
    }
    if (literal("true")) return Json(true);
    if (literal("false")) return Json(false);
    if (literal("null")) return Json();
    if (c == '-' || (c >= '0' && c <= '9')) return parseNumber();
    fail(std::string("unexpected character '") + c + "'");
    return std::nullopt;
  }

  std::optional<Json> parseNumber() {
    size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    bool real = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c >= '0' && c <= '9') {
        ++pos_;
      } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || (c == '-' && pos_ > start)) {
        real = true;
        ++pos_;
      } else {
        break;
      }
    }
    std::string number(text_.substr(start, pos_ - start));
    char* end = nullptr;
    if (!real) {
      errno = 0;
      long long value = std::strtoll(number.c_str(), &end, 10);
      if (*end == 0 && errno == 0 && number != "-") return Json(value);
    }
    double value = std::strtod(number.c_str(), &end);
    if (*end != 0 || number.empty() || number == "-" || !std::isfinite(value)) {
      fail("malformed number '" + number + "'");
      return std::nullopt;
    }
    return Json(value);
  }

  static void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool hex4(uint32_t& value) {
    if (pos_ + 4 > text_.size()) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[pos_++];
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  std::optional<std::string> parseString() {
    ++pos_;  // the opening quote
    std::string out;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) {
        fail("control character in a string");
        return std::nullopt;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = 0;
          if (!hex4(cp)) {
            fail("malformed \\u escape");
            return std::nullopt;
          }
          if (cp >= 0xD800 && cp < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            uint32_t low = 0;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) {
              fail("malformed surrogate pair");
              return std::nullopt;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          appendUtf8(out, cp);
          break;
        }
        default:
          fail(std::string("unknown escape '\\") + e + "'");
          return std::nullopt;
      }
    }
    fail("unterminated string");
    return std::nullopt;
  }

  std::optional<Json> parseArray(int depth) {
    ++pos_;
    Json array = Json::array();
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return array;
    }
    while (!failed()) {
      std::optional<Json> item = parseValue(depth + 1);
      if (!item) return std::nullopt;
      array.push(std::move(*item));
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ']') {
        ++pos_;
        return array;
      }
      fail("expected ',' or ']'");
    }
    return std::nullopt;
  }

  std::optional<Json> parseObject(int depth) {
    ++pos_;
    Json object = Json::object();
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return object;
    }
    while (!failed()) {
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') {
        fail("expected a member name");
        return std::nullopt;
      }
      std::optional<std::string> key = parseString();
      if (!key) return std::nullopt;
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ':') {
        fail("expected ':'");
        return std::nullopt;
      }
      ++pos_;
      std::optional<Json> value = parseValue(depth + 1);
      if (!value) return std::nullopt;
      object.set(*key, std::move(*value));
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return object;
      }
      fail("expected ',' or '}'");
    }
    return std::nullopt;
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string error_;
};

}  // namespace

Json Json::array(std::vector<Json> items) {
  Json value;
  value.type_ = Type::Array;
  value.items_ = std::move(items);
  return value;
}

Json Json::object(std::initializer_list<Member> members) {
  Json value;
  value.type_ = Type::Object;
  for (const Member& member : members) value.set(member.first, member.second);
  return value;
}

const Json& Json::operator[](size_t index) const {
  return type_ == Type::Array && index < items_.size() ? items_[index] : nullValue();
}

const Json* Json::find(std::string_view key) const {
  if (type_ != Type::Object) return nullptr;
  for (const Member& member : members_) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

const Json& Json::operator[](std::string_view key) const {
  const Json* value = find(key);
  return value != nullptr ? *value : nullValue();
}

Json& Json::set(std::string_view key, Json value) {
  if (type_ != Type::Object) {
    *this = object();
  }
  for (Member& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return member.second;
    }
  }
  members_.emplace_back(std::string(key), std::move(value));
  return members_.back().second;
}

void Json::write(std::string& out, int indent, int depth) const {
  auto newline = [&](int level) {
    if (indent < 0) return;
    out += '\n';
    out.append(static_cast<size_t>(indent * level), ' ');
  };
  switch (type_) {
    case Type::Null: out += "null"; break;
    case Type::Bool: out += integer_ != 0 ? "true" : "false"; break;
    case Type::Integer: out += std::to_string(integer_); break;
    case Type::Real: {
      if (!std::isfinite(real_)) {
        out += "null";
        break;
      }
      char buffer[32];
      if (std::trunc(real_) == real_ && std::fabs(real_) < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.0f", real_);
        out += buffer;
        break;
      }
      std::snprintf(buffer, sizeof buffer, "%.17g", real_);
      // The shortest text that reads back to the same value.
      for (int precision = 1; precision <= 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, real_);
        if (std::strtod(shorter, nullptr) == real_) {
          std::snprintf(buffer, sizeof buffer, "%s", shorter);
          break;
        }
      }
      out += buffer;
      break;
    }
    case Type::String: writeString(out, string_); break;
    case Type::Array:
      out += '[';
      for (size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) out += indent < 0 ? ", " : ",";
        newline(depth + 1);
        items_[i].write(out, indent, depth + 1);
      }
      if (!items_.empty()) newline(depth);
      out += ']';
      break;
    case Type::Object:
      out += '{';
      for (size_t i = 0; i < members_.size(); ++i) {
        if (i > 0) out += indent < 0 ? ", " : ",";
        newline(depth + 1);
        writeString(out, members_[i].first);
        out += ": ";
        members_[i].second.write(out, indent, depth + 1);
      }
      if (!members_.empty()) newline(depth);
      out += '}';
      break;
  }
}

std::string Json::dump(int indent) const {
  std::string out;
  write(out, indent, 0);
  return out;
}

std::optional<Json> Json::parse(std::string_view text, std::string* error) {
  return Parser(text).document(error);
}

bool Json::operator==(const Json& other) const {
  if (isNumber() && other.isNumber()) {
    if (isInteger() && other.isInteger()) return integer_ == other.integer_;
    return asReal() == other.asReal();
  }
  if (type_ != other.type_) return false;
  switch (type_) {
    case Type::Null: return true;
    case Type::Bool: return integer_ == other.integer_;
    case Type::String: return string_ == other.string_;
    case Type::Array: return items_ == other.items_;
    case Type::Object: return members_ == other.members_;
    default: return false;
  }
}

}  // namespace quorix
