#include "tests/support/json_reader.h"

#include <cstring>

namespace qv::testing {

namespace {

class TParser {
 public:
  explicit TParser(std::string_view in) : in_(in) {}

  bool Document(TJson* out) {
    if (!Value(out, 0)) return false;
    Space();
    return at_ == in_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  void Space() {
    while (at_ < in_.size() && std::strchr(" \t\r\n", in_[at_]) != nullptr) ++at_;
  }
  bool Take(char c) {
    Space();
    if (at_ >= in_.size() || in_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (in_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(TJson* out, int depth) {
    Space();
    if (at_ >= in_.size() || depth > kMaxDepth) return false;
    const char c = in_[at_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') return out->kind = TJson::Kind::kString, String(&out->text);
    if (Word("null")) return true;
    if (Word("true") || Word("false")) {
      out->kind = TJson::Kind::kBool;
      out->boolean = in_[at_ - 1] == 'e' && in_[at_ - 2] == 'u';
      return true;
    }
    return out->kind = TJson::Kind::kNumber, Number(&out->text);
  }

  bool Object(TJson* out, int depth) {
    out->kind = TJson::Kind::kObject;
    ++at_;
    if (Take('}')) return true;
    do {
      std::pair<std::string, TJson> member;
      if (!Take('"')) return false;
      --at_;
      if (!String(&member.first) || !Take(':') || !Value(&member.second, depth + 1)) return false;
      out->members.push_back(std::move(member));
    } while (Take(','));
    return Take('}');
  }

  bool Array(TJson* out, int depth) {
    out->kind = TJson::Kind::kArray;
    ++at_;
    if (Take(']')) return true;
    do {
      out->items.emplace_back();
      if (!Value(&out->items.back(), depth + 1)) return false;
    } while (Take(','));
    return Take(']');
  }

  bool Number(std::string* out) {
    const size_t start = at_;
    const auto digits = [&] {
      const size_t from = at_;
      while (at_ < in_.size() && in_[at_] >= '0' && in_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (at_ < in_.size() && in_[at_] == '-') ++at_;
    if (at_ < in_.size() && in_[at_] == '0') {
      ++at_;
    } else if (!digits()) {
      return false;
    }
    if (at_ < in_.size() && in_[at_] == '.' && (++at_, !digits())) return false;
    if (at_ < in_.size() && (in_[at_] == 'e' || in_[at_] == 'E')) {
      ++at_;
      if (at_ < in_.size() && (in_[at_] == '+' || in_[at_] == '-')) ++at_;
      if (!digits()) return false;
    }
    *out = in_.substr(start, at_ - start);
    return true;
  }

  bool Hex4(uint32_t* code) {
    if (at_ + 4 > in_.size()) return false;
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = in_[at_++];
      const char* digits = "0123456789abcdef0123456789ABCDEF";
      const char* found = c == '\0' ? nullptr : std::strchr(digits, c);
      if (found == nullptr) return false;
      *code = *code << 4 | static_cast<uint32_t>((found - digits) % 16);
    }
    return true;
  }

  static void Append(uint32_t code, std::string* out) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | code >> 6);
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | code >> 12);
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | code >> 18);
      *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool Escape(std::string* out) {
    if (at_ >= in_.size()) return false;
    const char c = in_[at_++];
    const char* plain = std::strchr("\"\\/bfnrt", c);
    if (c != 'u') {
      if (c == '\0' || plain == nullptr) return false;
      *out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
      return true;
    }
    uint32_t code = 0;
    if (!Hex4(&code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      uint32_t low = 0;
      if (!Word("\\u") || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      return false;
    }
    Append(code, out);
    return true;
  }

  // Raw bytes must be UTF-8: re-encoding each decoded sequence must give it back.
  bool String(std::string* out) {
    ++at_;
    while (at_ < in_.size() && in_[at_] != '"') {
      const auto byte = static_cast<uint8_t>(in_[at_]);
      if (byte < 0x20) return false;
      if (byte == '\\') {
        ++at_;
        if (!Escape(out)) return false;
        continue;
      }
      const size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      if (byte >= 0x80 && (byte < 0xC2 || byte > 0xF4)) return false;
      if (at_ + length > in_.size()) return false;
      uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
      for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(in_[at_ + i]);
        if ((next & 0xC0) != 0x80) return false;
        code = code << 6 | (next & 0x3F);
      }
      std::string again;
      Append(code, &again);
      if (again != in_.substr(at_, length) || (code >= 0xD800 && code <= 0xDFFF)) return false;
      *out += again;
      at_ += length;
    }
    return at_++ < in_.size();
  }

  std::string_view in_;
  size_t at_ = 0;
};

const TJson kNull;

}  // namespace

const TJson& TJson::operator[](std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return value;
  }
  return kNull;
}

const TJson& TJson::operator[](size_t index) const {
  return index < items.size() ? items[index] : kNull;
}

std::optional<TJson> ReadJson(std::string_view document) {
  TJson json;
  if (!TParser(document).Document(&json)) return std::nullopt;
  return json;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (text.size() % 4 != 0) return std::nullopt;
  const size_t pads = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
  std::string bytes;
  uint32_t group = 0;
  int bits = 0;
  for (const char c : text.substr(0, text.size() - pads)) {
    const size_t digit = kDigits.find(c);
    if (digit == std::string_view::npos) return std::nullopt;
    group = (group << 6 | static_cast<uint32_t>(digit)) & 0xFFFFFF;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>(group >> bits & 0xFF);
    }
  }
  return bytes;
}

}  // namespace qv::testing
