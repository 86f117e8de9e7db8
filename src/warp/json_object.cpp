// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/json_object.h"

#include <charconv>
#include <cstdio>

namespace grimora {

namespace {

constexpr int kMaxDepth = 32;

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the UTF-8 sequence at `text`, 0 when it is not a valid one
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return 0;
    }
    return length;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonObject> object() {
        JsonObject members;
        skipSpace();
        if (!take('{')) {
            return std::nullopt;
        }
        skipSpace();
        if (!take('}')) {
            do {
                skipSpace();
                std::string name;
                if (!string(name)) {
                    return std::nullopt;
                }
                skipSpace();
                if (!take(':')) {
                    return std::nullopt;
                }
                skipSpace();
                JsonMember member;
                if (!value(member, 1) || members.count(name) != 0) {
                    return std::nullopt;
                }
                members.emplace(std::move(name), std::move(member));
                skipSpace();
            } while (take(','));
            if (!take('}')) {
                return std::nullopt;
            }
        }
        skipSpace();
        if (at_ != text_.size()) {
            return std::nullopt;
        }
        return members;
    }

private:
    bool take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool takeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    void skipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }

    bool hex4(uint32_t& code) {
        if (text_.size() - at_ < 4) {
            return false;
        }
        const char* first = text_.data() + at_;
        const auto [end, error] = std::from_chars(first, first + 4, code, 16);
        if (error != std::errc() || end != first + 4) {
            return false;
        }
        at_ += 4;
        return true;
    }

    bool string(std::string& out) {
        if (!take('"')) {
            return false;
        }
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                const std::size_t length = Utf8Length(text_.substr(at_));
                if (length == 0) {
                    return false;
                }
                out.append(text_.substr(at_, length));
                at_ += length;
                continue;
            }
            ++at_;
            if (at_ == text_.size()) {
                return false;
            }
            const char escaped = text_[at_++];
            switch (escaped) {
                case '"':
                case '\\':
                case '/':
                    out += escaped;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t code = 0;
                    if (!hex4(code)) {
                        return false;
                    }
                    if (code >= 0xD800 && code < 0xDC00) {
                        uint32_t low = 0;
                        if (!takeWord("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) {
                            return false;
                        }
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code < 0xE000) {
                        return false;
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool number(JsonMember& member) {
        const std::size_t start = at_;
        take('-');
        // No leading zeros: "0" alone, or digits from 1 on.
        if (!take('0')) {
            if (at_ == text_.size() || text_[at_] < '1' || text_[at_] > '9') {
                return false;
            }
            digits();
        }
        bool whole = true;
        if (take('.')) {
            whole = false;
            if (digits() == 0) {
                return false;
            }
        }
        if (take('e') || take('E')) {
            whole = false;
            if (!take('+')) {
                take('-');
            }
            if (digits() == 0) {
                return false;
            }
        }
        member.kind = JsonMember::Kind::Other;
        if (whole) {
            const char* first = text_.data() + start;
            const char* last = text_.data() + at_;
            const auto [end, error] = std::from_chars(first, last, member.number);
            if (error == std::errc() && end == last) {
                member.kind = JsonMember::Kind::Integer;
            }
        }
        return true;
    }

    std::size_t digits() {
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
        }
        return at_ - start;
    }

    // Objects and arrays inside the object: syntax only.
    bool nested(char close, int depth) {
        skipSpace();
        if (take(close)) {
            return true;
        }
        do {
            skipSpace();
            if (close == '}') {
                std::string name;
                if (!string(name)) {
                    return false;
                }
                skipSpace();
                if (!take(':')) {
                    return false;
                }
                skipSpace();
            }
            JsonMember ignored;
            if (!value(ignored, depth)) {
                return false;
            }
            skipSpace();
        } while (take(','));
        return take(close);
    }

    bool value(JsonMember& member, int depth) {
        if (at_ == text_.size()) {
            return false;
        }
        switch (text_[at_]) {
            case '"':
                member.kind = JsonMember::Kind::String;
                return string(member.text);
            case '{':
            case '[': {
                if (depth >= kMaxDepth) {
                    return false;
                }
                const char close = text_[at_] == '{' ? '}' : ']';
                ++at_;
                member.kind = JsonMember::Kind::Other;
                return nested(close, depth + 1);
            }
            case 't':
                return takeWord("true");
            case 'f':
                return takeWord("false");
            case 'n':
                return takeWord("null");
            default:
                return number(member);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<JsonObject> ParseJsonObject(std::string_view text) {
    return Parser(text).object();
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t length = Utf8Length(text.substr(at));
            if (length == 0) {
                out += "\\ufffd";
                ++at;
                continue;
            }
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        ++at;
    }
    return out + "\"";
}

}  // namespace grimora
