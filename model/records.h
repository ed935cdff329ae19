// The two kinds of stored record, as the model hands them out: plain copies of
// a tag and of a quote with its tags, for the view's fragment builders, the
// export and the copy texts. Changing a copy changes nothing stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pvl {

// A tag: its id and its name (UTF-8).
struct Tag {
  int32_t m_id = 0;
  std::string m_utfname;
};

// A quote: its id, its text (UTF-8), when it was stored (seconds since
// 1970-01-01 UTC; 0 or -1 mean "no date") and the tags it carries, in the
// order in which they were attached.
//
// A record read for showing may carry only the start of a long text (see
// logic's `text_chars`): then m_whole_chars and m_whole_lines tell the size
// of the whole text, in characters and in lines (a line feed at the very
// end closes the last line rather than opening one). Both are 0 on a record
// that carries the whole text.
struct Quote {
  int32_t m_id = 0;
  std::string m_utftext;
  int64_t m_stamp = 0;
  std::vector<Tag> m_tags;
  int64_t m_whole_chars = 0;
  int64_t m_whole_lines = 0;
};

// The stamp the model gives a record it stores now: the current local
// calendar time turned back into seconds, the C library deciding whether
// daylight saving applies.
int64_t current_stamp();

}  // namespace pvl
