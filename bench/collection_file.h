// A large collection written straight into a collection file, for the
// benchmarks: `quotes` quotes of 5 to 40 words (every tenth with a second
// line holding markup characters) stamped a minute apart, and `tags` tags,
// each quote carrying 0 to 5 of them with some tags much more used than
// others (tag 1 marks about one quote in thirteen, most tags a few dozen).
// The file must already hold the schema (a pvl::logic opened once on it).
#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench_support {

// Fills the file in one transaction and returns five tags picked at random.
inline std::vector<int32_t> fill_collection(const std::string& path, int quotes, int tags) {
  const char* const words[] = {"the",  "quick", "brown", "fox",    "jumps",         "over",
                               "lazy", "dog",   "time",  "is",     "money",         "knowledge",
                               "of",   "power", "and",   "wisdom", "\u00e9t\u00e9", "\u4e2d"};
  constexpr int kMaxTagsPerQuote = 5;
  std::mt19937 random(20240601);
  SQLite::Database db(path, SQLite::OPEN_READWRITE);
  db.exec("BEGIN");
  SQLite::Statement tag(db, "INSERT INTO tag (m_id, m_utfname) VALUES (?, ?)");
  for (int id = 1; id <= tags; ++id) {
    tag.bind(1, id);
    tag.bind(2, "tag " + std::to_string(id));
    tag.exec();
    tag.reset();
  }
  SQLite::Statement quote(db, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, ?)");
  SQLite::Statement link(db, "INSERT INTO quote_tag (quote, pos, tag) VALUES (?, ?, ?)");
  std::uniform_int_distribution<int> word(0, std::size(words) - 1);
  std::uniform_int_distribution<int> length(5, 40);
  std::uniform_int_distribution<int> tag_count(0, kMaxTagsPerQuote);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto tag_id = [&](std::mt19937& random) {
    double u = unit(random);
    return 1 + static_cast<int>(tags * u * u);
  };
  for (int id = 1; id <= quotes; ++id) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += std::string(words[word(random)]) + " ";
    if (id % 10 == 0) text += "\n<and a second line & more>";
    quote.bind(1, id);
    quote.bind(2, text);
    quote.bind(3, int64_t{1700000000} + int64_t{id} * 60);
    quote.exec();
    quote.reset();
    std::vector<int> chosen;
    for (int n = tag_count(random); n > 0 && tags > 0; --n) {
      int candidate = tag_id(random);
      if (std::find(chosen.begin(), chosen.end(), candidate) == chosen.end())
        chosen.push_back(candidate);
    }
    for (size_t pos = 0; pos < chosen.size(); ++pos) {
      link.bind(1, id);
      link.bind(2, static_cast<int>(pos + 1));
      link.bind(3, chosen[pos]);
      link.exec();
      link.reset();
    }
  }
  db.exec("COMMIT");
  std::vector<int32_t> all(static_cast<size_t>(tags));
  for (int i = 0; i < tags; ++i) all[static_cast<size_t>(i)] = i + 1;
  std::shuffle(all.begin(), all.end(), random);
  all.resize(std::min<size_t>(all.size(), 5));
  return all;
}

}  // namespace bench_support
