// The texts in which quotes leave the program: the HTML page of an export
// and the plain texts of the four copy commands. Quote texts and tag names
// come from the records as stored; tags follow each quote's attachment order.
#pragma once

#include <string>
#include <vector>

#include "model/records.h"

namespace pvl {

// The address the exported page links to.
extern const char kHomePage[];

// The exported page, UTF-8: the header line (ended by CR LF), one block per
// quote (its text with each line feed as "<br>", "<br>", "Tags: " and the
// names joined by ", " when it has tags, "<br><br>") and the footer linking to
// kHomePage. Text and names are escaped, so the page shows them as text.
std::string export_html(const std::vector<Quote>& quotes);

// Writes export_html(quotes) to the file at `path`, created or replaced: the
// page is written to a new file in the same folder, which replaces the
// target only when complete (keeping an existing file's mode). Returns false
// when that fails, errno then telling why; an existing file is then left as
// it was and nothing else stays behind.
bool write_export(const std::wstring& path, const std::vector<Quote>& quotes);

// copy_quote: the text alone.
std::wstring copy_quote_text(const Quote& quote);
// copy_quote_with_data: the text, CR LF CR LF, the tag names joined by ", ".
std::wstring copy_quote_with_data_text(const Quote& quote);
// copy_quotes: each text followed by CR LF CR LF.
std::wstring copy_quotes_text(const std::vector<Quote>& quotes);
// copy_quotes_with_data: each text, CR LF, "Tags: " and the names joined by
// ", " when it has tags, CR LF CR LF.
std::wstring copy_quotes_with_data_text(const std::vector<Quote>& quotes);

}  // namespace pvl
