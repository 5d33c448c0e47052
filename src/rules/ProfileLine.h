#pragma once
// What one line of the setup profile or the install log may hold, so that the
// setup program's reader gives it back as it was written: the reader takes a
// value of at most kMaxProfileValue characters (a longer one arrives cut), and
// the profile API trims blanks around keys, values and section names and drops
// the quotes that enclose a value. The install log's writer refuses a line
// that would come back different; diskset checks the profiles it writes by
// the same rules.
#include <cstddef>
#include <string>

// The reader's value buffer is 256 bytes, of which the profile API is told 255.
constexpr std::size_t kMaxProfileValue = 254;

bool HasLineBreak(const std::string& text);
// Not empty, not a comment (';'), not read as a section header ('['), not
// cut at '=' or a line break, no blanks at either end.
bool ReadsBackAsKey(const std::string& key);
// Not empty, without ']' or a line break, no blanks at either end.
bool ReadsBackAsSection(const std::string& section);
// At most kMaxProfileValue characters, no line break, no blanks at either
// end, not enclosed in quotes.
bool ReadsBackAsValue(const std::string& value);
