#include "model/json_import.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <charconv>
#include <unordered_map>
#include <vector>

#include "fml/text.h"
#include "model/json_export.h"
#include "model/transaction.h"

namespace pvl {

namespace {

// A reader of just the JSON the export writes (any white space, any member
// order, unknown members skipped), strict about everything else.
class json_reader {
 public:
  explicit json_reader(std::string_view text) : text_(text) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw json_import_error("not a Parvela json export: " + what + " at byte " +
                            std::to_string(pos_));
  }

  void skip_space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  bool peek(char c) {
    skip_space();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  void expect(char c) {
    if (!peek(c)) fail(std::string("expected '") + c + "'");
    ++pos_;
  }
  bool at_end() {
    skip_space();
    return pos_ == text_.size();
  }

  // Calls `member(name)` for each member of an object; it must read the value.
  template <typename F>
  void object(F&& member) {
    expect('{');
    if (peek('}')) {
      ++pos_;
      return;
    }
    do {
      std::string name = string();
      expect(':');
      member(name);
    } while (comma_or('}'));
  }
  // Calls `element()` for each element of an array; it must read the value.
  template <typename F>
  void array(F&& element) {
    expect('[');
    if (peek(']')) {
      ++pos_;
      return;
    }
    do element();
    while (comma_or(']'));
  }

  int64_t integer() {
    skip_space();
    int64_t value = 0;
    auto [end, error] = std::from_chars(text_.data() + pos_, text_.data() + text_.size(), value);
    if (error != std::errc()) fail("expected a whole number");
    pos_ = static_cast<size_t>(end - text_.data());
    return value;
  }

  std::string string() {
    expect('"');
    std::string out;
    while (true) {
      if (pos_ >= text_.size()) fail("unterminated string");
      char c = text_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) fail("unterminated string");
      char e = text_[pos_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': fml::append_utf8(out, code_point()); break;
        default: fail("unknown escape");
      }
    }
  }

  // Skips a value of any kind.
  void skip_value() {
    skip_space();
    if (peek('{')) return object([this](const std::string&) { skip_value(); });
    if (peek('[')) return array([this] { skip_value(); });
    if (peek('"')) {
      string();
      return;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && std::string_view("{}[],: \n\r\t\"").find(text_[pos_]) ==
                                      std::string_view::npos) {
      ++pos_;
    }
    if (pos_ == start) fail("expected a value");
  }

 private:
  bool comma_or(char close) {
    if (peek(',')) {
      ++pos_;
      return true;
    }
    expect(close);
    return false;
  }

  unsigned hex4() {
    if (pos_ + 4 > text_.size()) fail("short \\u escape");
    unsigned value = 0;
    auto [end, error] = std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
    if (error != std::errc() || end != text_.data() + pos_ + 4) fail("bad \\u escape");
    pos_ += 4;
    return value;
  }

  // The character of a \u escape (the "\u" read), joining a surrogate pair;
  // a lone surrogate becomes U+FFFD.
  unsigned code_point() {
    unsigned first = hex4();
    if (first < 0xD800 || first > 0xDFFF) return first;
    if (first < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
      size_t before = pos_;
      pos_ += 2;
      unsigned second = hex4();
      if (second >= 0xDC00 && second <= 0xDFFF) {
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
      }
      pos_ = before;
    }
    return 0xFFFD;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

struct quote_entry {
  int64_t stamp = 0;
  std::string text;
  std::vector<std::string> tags;
};

struct parsed_export {
  std::vector<std::string> tags;
  std::vector<quote_entry> quotes;
};

parsed_export parse(std::string_view json) {
  json_reader reader(json);
  parsed_export result;
  bool versioned = false;
  auto names = [&reader](std::vector<std::string>& into) {
    reader.array([&] { into.push_back(reader.string()); });
  };
  reader.object([&](const std::string& name) {
    if (name == "parvela") {
      if (reader.integer() != kJsonFormatVersion) reader.fail("a format this version cannot read");
      versioned = true;
    } else if (name == "tags") {
      names(result.tags);
    } else if (name == "quotes") {
      reader.array([&] {
        quote_entry entry;
        bool has_text = false;
        reader.object([&](const std::string& member) {
          if (member == "stamp") {
            entry.stamp = reader.integer();
          } else if (member == "text") {
            entry.text = reader.string();
            has_text = true;
          } else if (member == "tags") {
            names(entry.tags);
          } else {
            reader.skip_value();
          }
        });
        if (!has_text) reader.fail("a quote without \"text\"");
        result.quotes.push_back(std::move(entry));
      });
    } else {
      reader.skip_value();
    }
  });
  if (!reader.at_end()) reader.fail("text after the export");
  if (!versioned) throw json_import_error("not a Parvela json export: no \"parvela\" version");
  return result;
}

int32_t max_id(SQLite::Database& db, const char* table) {
  return db.execAndGet(std::string("SELECT max(0, coalesce(max(m_id), 0)) FROM ") + table).getInt();
}

}  // namespace

import_counts import_json(SQLite::Database& db, std::string_view json, bool merge) {
  parsed_export data = parse(json);
  import_counts counts;
  transaction importing(db);
  if (!merge && db.execAndGet("SELECT EXISTS (SELECT 1 FROM tag) OR EXISTS (SELECT 1 FROM quote)")
                    .getInt() != 0) {
    throw json_import_error("the collection is not empty: use --merge to add the export to it");
  }

  std::unordered_map<std::string, int32_t> tag_ids;
  {
    SQLite::Statement stored(db, "SELECT m_id, m_utfname FROM tag ORDER BY rowid");
    while (stored.executeStep()) tag_ids.emplace(stored.getColumn(1).getString(), stored.getColumn(0).getInt());
  }
  int32_t next_tag = max_id(db, "tag");
  SQLite::Statement insert_tag(db, "INSERT INTO tag (m_id, m_utfname) VALUES (?, ?)");
  auto tag_id = [&](const std::string& name) {
    auto found = tag_ids.find(name);
    if (found != tag_ids.end()) return found->second;
    insert_tag.bind(1, ++next_tag);
    insert_tag.bind(2, name);
    insert_tag.exec();
    insert_tag.reset();
    ++counts.tags_added;
    tag_ids.emplace(name, next_tag);
    return next_tag;
  };
  for (const std::string& name : data.tags) tag_id(name);

  int32_t next_quote = max_id(db, "quote");
  SQLite::Statement present(db, "SELECT 1 FROM quote WHERE m_stamp = ? AND m_utftext = ?");
  SQLite::Statement insert_quote(db, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, ?)");
  SQLite::Statement insert_link(db, "INSERT OR IGNORE INTO quote_tag (quote, pos, tag) VALUES (?, ?, ?)");
  for (const quote_entry& quote : data.quotes) {
    if (merge) {
      present.bind(1, static_cast<int64_t>(quote.stamp));
      present.bind(2, quote.text);
      bool stored = present.executeStep();
      present.reset();
      if (stored) {
        ++counts.quotes_skipped;
        continue;
      }
    }
    insert_quote.bind(1, ++next_quote);
    insert_quote.bind(2, quote.text);
    insert_quote.bind(3, static_cast<int64_t>(quote.stamp));
    insert_quote.exec();
    insert_quote.reset();
    ++counts.quotes_added;
    int pos = 1;
    for (const std::string& name : quote.tags) {
      insert_link.bind(1, next_quote);
      insert_link.bind(2, pos++);
      insert_link.bind(3, tag_id(name));
      insert_link.exec();
      insert_link.reset();
    }
  }
  importing.commit();
  return counts;
}

}  // namespace pvl
