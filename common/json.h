// A small JSON value: what the quorix program reads and writes (visual descriptions, listings).
// Objects keep their keys in insertion order so that output is stable and readable.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorix {

class Json {
 public:
  enum class Type { Null, Bool, Integer, Real, String, Array, Object };
  using Member = std::pair<std::string, Json>;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool value) : type_(Type::Bool), integer_(value ? 1 : 0) {}
  Json(int value) : type_(Type::Integer), integer_(value) {}
  Json(long value) : type_(Type::Integer), integer_(value) {}
  Json(long long value) : type_(Type::Integer), integer_(value) {}
  Json(unsigned value) : type_(Type::Integer), integer_(value) {}
  Json(unsigned long value) : type_(Type::Integer), integer_(static_cast<int64_t>(value)) {}
  Json(unsigned long long value) : type_(Type::Integer), integer_(static_cast<int64_t>(value)) {}
  Json(double value) : type_(Type::Real), real_(value) {}
  Json(const char* value) : type_(Type::String), string_(value) {}
  Json(std::string value) : type_(Type::String), string_(std::move(value)) {}
  Json(std::string_view value) : type_(Type::String), string_(value) {}

  static Json array(std::vector<Json> items = {});
  static Json object(std::initializer_list<Member> members = {});

  Type type() const { return type_; }
  bool isNull() const { return type_ == Type::Null; }
  bool isBool() const { return type_ == Type::Bool; }
  bool isInteger() const { return type_ == Type::Integer; }
  bool isNumber() const { return type_ == Type::Integer || type_ == Type::Real; }
  bool isString() const { return type_ == Type::String; }
  bool isArray() const { return type_ == Type::Array; }
  bool isObject() const { return type_ == Type::Object; }

  bool asBool() const { return integer_ != 0; }
  int64_t asInteger() const { return type_ == Type::Real ? static_cast<int64_t>(real_) : integer_; }
  double asReal() const { return type_ == Type::Real ? real_ : static_cast<double>(integer_); }
  const std::string& asString() const { return string_; }

  // Arrays.
  const std::vector<Json>& items() const { return items_; }
  std::vector<Json>& items() { return items_; }
  void push(Json value) { items_.push_back(std::move(value)); }
  size_t size() const { return type_ == Type::Object ? members_.size() : items_.size(); }
  const Json& operator[](size_t index) const;

  // Objects.
  const std::vector<Member>& members() const { return members_; }
  // The member's value, or null when absent (or when this is not an object).
  const Json& operator[](std::string_view key) const;
  const Json* find(std::string_view key) const;
  bool has(std::string_view key) const { return find(key) != nullptr; }
  // Sets a member, replacing an existing one of that key in place.
  Json& set(std::string_view key, Json value);

  // Text: compact on one line, or indented by `indent` spaces per level.
  std::string dump(int indent = -1) const;
  // Parses a whole document; nullopt with a message (and its line) on malformed text.
  static std::optional<Json> parse(std::string_view text, std::string* error = nullptr);

  bool operator==(const Json& other) const;

 private:
  void write(std::string& out, int indent, int depth) const;

  Type type_ = Type::Null;
  int64_t integer_ = 0;
  double real_ = 0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<Member> members_;
};

}  // namespace quorix
