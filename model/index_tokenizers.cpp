#include "model/index_tokenizers.h"

#include <sqlite3.h>

#include <climits>

namespace pvl {

namespace {

// The tokenizers of the word indexes, created once on a private in-memory
// connection: they are SQLite's own, so a text is split and folded here
// exactly as the indexes split and fold it.
class index_tokenizers {
 public:
  index_tokenizers() {
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
      return;
    fts5_api* api = nullptr;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT fts5(?1)", -1, &select, nullptr) == SQLITE_OK) {
      sqlite3_bind_pointer(select, 1, &api, "fts5_api_ptr", nullptr);
      sqlite3_step(select);
    }
    sqlite3_finalize(select);
    if (!api) return;
    const char* words_options[] = {"remove_diacritics", "2"};
    create(api, "unicode61", words_options, 2, words_);
    create(api, "trigram", nullptr, 0, chars_);
  }
  ~index_tokenizers() {
    for (const tokenizer* t : {&words_, &chars_})
      if (t->instance) t->methods.xDelete(t->instance);
    sqlite3_close(db_);
  }
  index_tokenizers(const index_tokenizers&) = delete;
  index_tokenizers& operator=(const index_tokenizers&) = delete;

  std::vector<index_token> words(std::string_view text) const { return split(words_, text); }
  std::vector<index_token> chars(std::string_view text) const { return split(chars_, text); }

 private:
  struct tokenizer {
    fts5_tokenizer methods{};
    Fts5Tokenizer* instance = nullptr;
  };

  static void create(fts5_api* api, const char* name, const char** options, int count,
                     tokenizer& out) {
    void* context = nullptr;
    if (api->xFindTokenizer(api, name, &context, &out.methods) != SQLITE_OK) return;
    if (out.methods.xCreate(context, options, count, &out.instance) != SQLITE_OK)
      out.instance = nullptr;
  }

  static std::vector<index_token> split(const tokenizer& t, std::string_view text) {
    std::vector<index_token> tokens;
    if (!t.instance || text.size() > INT_MAX) return tokens;
    t.methods.xTokenize(t.instance, &tokens, FTS5_TOKENIZE_DOCUMENT, text.data(),
                        static_cast<int>(text.size()),
                        [](void* out, int, const char* folded, int size, int begin, int end) {
                          static_cast<std::vector<index_token>*>(out)->push_back(
                              {std::string(folded, size), size_t(begin), size_t(end)});
                          return SQLITE_OK;
                        });
    return tokens;
  }

  sqlite3* db_ = nullptr;
  tokenizer words_;
  tokenizer chars_;
};

const index_tokenizers& tokenizers() {
  static const index_tokenizers shared;
  return shared;
}

}  // namespace

std::vector<index_token> index_words(std::string_view utf8) { return tokenizers().words(utf8); }
std::vector<index_token> index_trigrams(std::string_view utf8) { return tokenizers().chars(utf8); }

}  // namespace pvl
